// Login and logout against a local login page: every kind of reply with its
// message and title, the request, the enrolment hand-over, the update offer,
// the pop-up page, the stored login state and what a bad reply leaves.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modLogin.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Notifier.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace modGlobals;

namespace {

const QString kLoginPage = QStringLiteral("/Vantrix/internal/loginUser.asp");
const QString kLogPage = QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp");

QString Contact() {
    return QStringLiteral("If problems persists, please contact us at ") +
           modLogin::kSupportAddress;
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        service.SetReply(
            QStringLiteral("/url.txt"),
            (service.Host() + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"), QByteArray("EOF"));
        service.SetReply(kLogPage, QByteArray("OK"));
        qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
        modInternet::SetASPDataTimeoutMs(5000);
        modLogin::SetUploadWaitMs(5000);
        gVersion = QStringLiteral("1.0.3");
        QString error;
        ASSERT_TRUE(localservice::WriteMenuTable(world.dataPath() + QStringLiteral("MenuItems.dat"),
                                                 {Record(5, 1, "News")}, &error));

        login.setProgress = [this](int v) { progress << v; };
        login.saveLoginLog = [this] { ++saveLog; };
        login.unload = [this] { ++unloadLogin; };
        menus.showHomeMenu = [this] { ++homeMenu; };
        button.resetTimer = [this] { ++resetTimer; };
        dialogs.showUpdatePrompt = [this] {
            ++prompts;
            return updateNow;
        };
        button.unload = [this] { ++unloadButton; };
        menus.unloadHomeMenu = [] {};
        dialogs.showError = [this](const QString& msg, int, const QString&) { errors << msg; };
    }

    void TearDown() override { qunsetenv("TARVEL_BOOTSTRAP_HOST"); }

    static localservice::SampleRecord Record(int id, int parent, const char* name) {
        localservice::SampleRecord r;
        r.id = id;
        r.parentId = parent;
        r.name = QLatin1String(name);
        return r;
    }

    void Reply(const QString& text) { service.SetReply(kLoginPage, text.toLatin1()); }

    static QString Lines(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

    static QStringList Good() {
        return {QStringLiteral("42"),     QStringLiteral("True"), QStringLiteral("True"),
                QStringLiteral("1.0.3"),  QStringLiteral("X"),    QStringLiteral("Bob Smith"),
                QStringLiteral("key&1 2")};
    }

    // The one message box the login showed.
    void ExpectOneMessage(const QString& text, int flags, const QString& title) {
        ASSERT_EQ(world.notifier.calls.size(), 1);
        EXPECT_EQ(world.notifier.calls[0].prompt, text);
        EXPECT_EQ(world.notifier.calls[0].flags, flags);
        EXPECT_EQ(world.notifier.calls[0].title, title);
    }

    // A failure leaves no login state behind.
    void ExpectNoLogin() {
        EXPECT_EQ(gUserID, 0);
        EXPECT_EQ(gUserName, QString());
        EXPECT_EQ(gSessionKey, QString());
        EXPECT_EQ(gRegisteredName, QString());
        EXPECT_EQ(gCategoryLogFile, QString());
        EXPECT_FALSE(gAllowRestricted);
        EXPECT_EQ(homeMenu, 0);
        EXPECT_EQ(unloadLogin, 1);
        EXPECT_TRUE(progress.isEmpty());
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
    testsupport::ScriptedLogin login;
    testsupport::ScriptedButton button;
    testsupport::ScriptedMenuChain menus;
    testsupport::ScriptedDialogs dialogs;
    QList<int> progress;
    QStringList errors;
    int saveLog = 0, unloadLogin = 0, homeMenu = 0, resetTimer = 0, prompts = 0, unloadButton = 0;
    bool updateNow = false;
};

TEST_F(LoginTest, NoAnswerSaysCannotConnect) {
    localservice::Reply refuse;
    refuse.refuse = true;
    service.SetReply(kLoginPage, refuse);
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Tarvel was unable to connect to the server. Make sure you are "
                                    "currently connected to the Internet and try again."),
                     platform::vbInformation, QStringLiteral("Cannot connect"));
    ExpectNoLogin();
}

TEST_F(LoginTest, ErrReplyIsAnErrorResponseWithTheReplyAppended) {
    Reply(QStringLiteral("ERR"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Tarvel was unable to log you into our server. It returned an "
                                    "error response. Please try again later. ") +
                         Contact() + QStringLiteral("\r\n\r\nERR"),
                     platform::vbInformation, QStringLiteral("Cannot connect"));
    ExpectNoLogin();
}

TEST_F(LoginTest, ErrorAnywhereInTheReplyIsAnErrorResponse) {
    QStringList lines = Good();
    lines[5] = QStringLiteral("an error occurred");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(world.notifier.calls[0].prompt.endsWith(QStringLiteral("\r\n\r\n") + Lines(lines)));
    EXPECT_TRUE(world.notifier.calls[0].prompt.contains(QStringLiteral("error response")));
    ExpectNoLogin();
}

TEST_F(LoginTest, UpperCaseErrorIsNotTheErrorSentinel) {
    Reply(QStringLiteral("ERROR"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Tarvel was unable to log you into our server. It returned an "
                                    "invalid response. Make sure you are currently connected to "
                                    "the Internet. ") +
                         Contact() + QStringLiteral("\r\n\r\nERROR"),
                     platform::vbInformation, QStringLiteral("Cannot connect"));
    ExpectNoLogin();
}

TEST_F(LoginTest, NoIsAnInvalidUserNameOrPassword) {
    Reply(QStringLiteral("NO"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("wrong"));
    ExpectOneMessage(QStringLiteral("Invalid user name or password."), platform::vbInformation,
                     QStringLiteral("Login failed"));
    ExpectNoLogin();
}

TEST_F(LoginTest, NoWithAFewMoreLinesIsStillARefusal) {
    Reply(QStringLiteral("NO\r\nx\r\ny\r\n"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("wrong"));
    ExpectOneMessage(QStringLiteral("Invalid user name or password."), platform::vbInformation,
                     QStringLiteral("Login failed"));
}

TEST_F(LoginTest, ThreeToSixLinesAreAnInvalidResponseWithoutTheReply) {
    Reply(QStringLiteral("42\r\nTrue\r\nTrue\r\n1.0.3"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Tarvel was unable to log you into our server. It returned an "
                                    "invalid response. ") +
                         Contact(),
                     platform::vbInformation, QStringLiteral("Cannot connect"));
    ExpectNoLogin();
}

TEST_F(LoginTest, NonNumericUserIdIsAnInvalidLogin) {
    QStringList lines = Good();
    lines[0] = QStringLiteral("abc");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Invalid user name or password."), platform::vbInformation,
                     QStringLiteral("Login failed"));
    ExpectNoLogin();
}

TEST_F(LoginTest, UserIdThatIsNoPositiveIntegerIsAnInvalidResponse) {
    for (const char* id : {"0", "-5", "12.5", "99999999999", "1e3"}) {
        world.notifier.calls.clear();
        unloadLogin = 0;
        QStringList lines = Good();
        lines[0] = QLatin1String(id);
        Reply(Lines(lines));
        LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
        ASSERT_EQ(world.notifier.calls.size(), 1) << id;
        EXPECT_TRUE(world.notifier.calls[0].prompt.contains(QStringLiteral("invalid response")))
            << id;
        ExpectNoLogin();
    }
}

TEST_F(LoginTest, ABadLineLeavesNoHalfDoneLogin) {
    const QList<QPair<int, const char*>> bad = {
        {1, "Maybe"}, {2, "perhaps"}, {3, "1.x.0"}, {4, "wide,300,www.x.com/a,Title"}};
    for (const auto& [line, text] : bad) {
        world.notifier.calls.clear();
        unloadLogin = 0;
        QStringList lines = Good();
        lines[line] = QLatin1String(text);
        Reply(Lines(lines));
        LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
        ASSERT_EQ(world.notifier.calls.size(), 1) << text;
        EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Cannot connect"));
        ExpectNoLogin();
        EXPECT_EQ(prompts, 0);
        EXPECT_TRUE(world.shell.calls.isEmpty());
    }
}

TEST_F(LoginTest, MissingDatabaseIsReportedCritically) {
    QFile::remove(world.dataPath() + QStringLiteral("MenuItems.dat"));
    Reply(Lines(Good()));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ExpectOneMessage(QStringLiteral("Unable to open database. It may be missing or corrupt, or you "
                                    "may be using a conflicting version of c4dll.dll. You may need "
                                    "to reinstall the program."),
                     platform::vbCritical, QStringLiteral("Unable to open database"));
    ExpectNoLogin();
}

TEST_F(LoginTest, UnfinishedEnrolmentStartsEnlistAndStoresNothing) {
    for (const char* state : {"False", "0", "false"}) {
        world.shell.calls.clear();
        unloadLogin = 0;
        QStringList lines = Good();
        lines[1] = QLatin1String(state);
        Reply(Lines(lines));
        LoginUser(QStringLiteral("bob smith"), QStringLiteral("p,w"));
        ASSERT_EQ(world.shell.calls.size(), 1) << state;
        EXPECT_EQ(world.shell.calls[0].file, world.appPath() + QStringLiteral("/Enlist"));
        EXPECT_EQ(world.shell.calls[0].parameters, QStringLiteral("/register bob smith,p,w"));
        EXPECT_TRUE(world.notifier.calls.isEmpty());
        ExpectNoLogin();
    }
}

TEST_F(LoginTest, RequestCarriesTheEncodedNamePasswordAndVersion) {
    Reply(QStringLiteral("NO"));
    LoginUser(QStringLiteral("bob smith"), QStringLiteral("p&w?\"'+%"));
    const auto requests = service.RequestsFor(kLoginPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].body,
              QByteArray("UserName=bob+smith&Password=p%26w%3F%22%27+%&Version=1.0.3"));
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    // The server is looked up again for every login.
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/url.txt")).size(), 2);
}

TEST_F(LoginTest, SuccessStoresTheLoginStateAndShowsTheHomeMenu) {
    auto cached = std::make_shared<clsItem>();
    gNewsCollection->Add(cached);
    const ItemCollectionPtr news = gNewsCollection;
    SaveSetting(QStringLiteral("Options42"), QStringLiteral("LogoutTime"), QStringLiteral("5"));
    SaveSetting(QStringLiteral("Options42"), QStringLiteral("AniSpeed"), QStringLiteral("11"));
    Reply(Lines(Good()) + QStringLiteral("\r\nignored\r\n"));
    LoginUser(QStringLiteral("bob"), QStringLiteral("secret"));

    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(gUserName, QStringLiteral("bob"));
    EXPECT_EQ(gPassword, QStringLiteral("secret"));
    EXPECT_TRUE(gAllowRestricted);
    EXPECT_EQ(gRegisteredName, QStringLiteral("Bob Smith"));
    EXPECT_EQ(gSessionKey, QStringLiteral("key&1 2"));
    EXPECT_EQ(gCategoryLogFile, QStringLiteral("c42.dat"));
    EXPECT_EQ(gLogoutTime, 5);
    EXPECT_EQ(gAniSpeed, 11);
    EXPECT_EQ(progress, (QList<int>{20, 100}));
    EXPECT_EQ(saveLog, 1);
    EXPECT_EQ(unloadLogin, 1);
    EXPECT_EQ(resetTimer, 1);
    EXPECT_EQ(homeMenu, 1);
    EXPECT_EQ(prompts, 0);
    // The news cache is replaced by an empty one, never emptied in place.
    EXPECT_NE(gNewsCollection, news);
    EXPECT_EQ(news->Count(), 1);
    EXPECT_EQ(gNewsCollection->Count(), 0);
    // The database was brought up to date with the user's id.
    const auto updates = service.RequestsFor(QStringLiteral("/Vantrix/internal/getUpdates.ASP"));
    ASSERT_EQ(updates.size(), 1);
    EXPECT_TRUE(updates[0].body.startsWith("UserID=42&Version=1.0.3&LastUpdated="));
}

TEST_F(LoginTest, NumbersAndFalseReadAsBooleans) {
    QStringList lines = Good();
    lines[1] = QStringLiteral("-1");
    lines[2] = QStringLiteral("0");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(gUserID, 42);
    EXPECT_FALSE(gAllowRestricted);
}

TEST_F(LoginTest, UserSettingsThatDoNotConvertTakeTheirDefaults) {
    SaveSetting(QStringLiteral("Options42"), QStringLiteral("LogoutTime"), QStringLiteral("soon"));
    SaveSetting(QStringLiteral("Options42"), QStringLiteral("AniSpeed"), QStringLiteral("fast"));
    gLogoutTime = 9;
    Reply(Lines(Good()));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(gLogoutTime, 0);
    EXPECT_EQ(gAniSpeed, 19);
}

TEST_F(LoginTest, PopupPageWithFourPartsOpensInsteadOfTheMenu) {
    const QString browser = world.appPath() + QStringLiteral("/Browser");
    QFile file(browser);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QStringList lines = Good();
    lines[4] = QStringLiteral("6000,4000,www.tarvel.com/promo.asp?x=1,Spring Offer");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(gUserID, 42);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, browser);
    EXPECT_EQ(world.shell.calls[0].parameters,
              QStringLiteral("6000,4000,www.tarvel.com/promo.asp?x=1,Spring Offer"));
    EXPECT_EQ(homeMenu, 0);
}

TEST_F(LoginTest, PopupPageWithThreePartsOpensNeitherPageNorMenu) {
    QStringList lines = Good();
    lines[4] = QStringLiteral("6000,4000,www.tarvel.com/promo.asp");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(gUserID, 42);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_EQ(homeMenu, 0);
}

TEST_F(LoginTest, APopupAddressOfAnotherSchemeOpensNothing) {
    // Neither the default browser nor the companion gets "file:" or
    // "javascript:" pages; http and https, and a bare host, still open.
    const QList<QPair<QString, bool>> cases = {
        {QStringLiteral("file:///etc/passwd"), false},
        {QStringLiteral("javascript:alert(1)"), false},
        {QStringLiteral("FILE:/home/x/run.sh"), false},
        {QStringLiteral("https://www.tarvel.com/promo.asp"), true},
        {QStringLiteral("www.tarvel.com:8080/promo.asp"), true}};
    for (const auto& [address, opens] : cases) {
        world.shell.calls.clear();
        QStringList lines = Good();
        lines[4] = QStringLiteral("6000,4000,") + address + QStringLiteral(",Offer");
        Reply(Lines(lines));
        LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
        EXPECT_EQ(gUserID, 42);
        EXPECT_EQ(world.shell.calls.size(), opens ? 1 : 0) << address.toStdString();
        EXPECT_EQ(homeMenu, 0);
    }
}

TEST_F(LoginTest, AQuotedReplyOfLineBreaksShowsAFewLines) {
    QString reply = QStringLiteral("error");
    for (int i = 0; i < 1000; ++i)
        reply += QStringLiteral("\n");
    Reply(reply);
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString& prompt = world.notifier.calls[0].prompt;
    EXPECT_TRUE(prompt.contains(QStringLiteral("error response")));
    EXPECT_LE(prompt.count(QLatin1Char('\n')), 15);
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("...")));
    ExpectNoLogin();
}

TEST_F(LoginTest, OnlyANewerThreePartVersionOffersTheUpdate) {
    const QList<QPair<const char*, int>> cases = {{"1.0.4", 1}, {"1.1.0", 1}, {"2.0.0", 1},
                                                  {"1.0.3", 0}, {"0.9.9", 0}, {"1.1", 0},
                                                  {"1.0.2", 0}, {"1.0.10", 1}};
    for (const auto& [version, expected] : cases) {
        prompts = 0;
        homeMenu = 0;
        QStringList lines = Good();
        lines[3] = QLatin1String(version);
        Reply(Lines(lines));
        LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
        EXPECT_EQ(prompts, expected) << version;
        EXPECT_EQ(gUserID, 42) << version;
        EXPECT_EQ(homeMenu, 1) << version; // Postpone goes on with the login
    }
}

TEST_F(LoginTest, UpdateNowLogsOutUploadsTheLogAndStartsTheUpdateProgram) {
    QFile log(world.dataPath() + QStringLiteral("c42.dat"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("7\r\n9\r\n");
    log.close();
    ASSERT_NE(&ItemManager(), nullptr);
    updateNow = true;
    QStringList lines = Good();
    lines[3] = QStringLiteral("1.0.4");
    Reply(Lines(lines));
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));

    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(gUserID, -1);
    EXPECT_EQ(gUserName, QString());
    EXPECT_EQ(gItemManager, nullptr);
    EXPECT_GE(unloadButton, 1);
    EXPECT_EQ(homeMenu, 0);
    EXPECT_TRUE(progress.isEmpty());
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, world.appPath() + QStringLiteral("/TarvelUpdate"));
    EXPECT_TRUE(world.shell.calls[0].parameters.isEmpty());
    // The category log left before the update program was started.
    const auto uploads = service.RequestsFor(kLogPage);
    ASSERT_EQ(uploads.size(), 1);
    EXPECT_EQ(uploads[0].body, QByteArray("UserID=42&ID=7&ID=9"));
}

TEST_F(LoginTest, LogoutUploadsTheLogAndKeepsThePassword) {
    Reply(Lines(Good()));
    LoginUser(QStringLiteral("bob"), QStringLiteral("secret"));
    ASSERT_EQ(gUserID, 42);
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    resetTimer = 0;
    LogoutUser();
    EXPECT_EQ(gUserID, 0);
    EXPECT_EQ(gUserName, QString());
    EXPECT_EQ(gPassword, QStringLiteral("secret"));
    EXPECT_EQ(gSessionKey, QStringLiteral("key&1 2"));
    EXPECT_EQ(gRegisteredName, QStringLiteral("Bob Smith"));
    EXPECT_EQ(resetTimer, 1);
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return service.RequestsFor(kLogPage).size() == 1; }, 5000));
    EXPECT_EQ(service.RequestsFor(kLogPage)[0].body, QByteArray("UserID=42&ID=12"));
}

TEST_F(LoginTest, LogoutWithoutAStoreDoesNotCreateOne) {
    LogoutUser();
    EXPECT_EQ(gItemManager, nullptr);
    EXPECT_EQ(resetTimer, 1);
}

TEST(LoginReplyValues, BooleansIdsAndVersions) {
    EXPECT_EQ(modGlobals::ParseBoolean(QStringLiteral("True")), std::optional<bool>(true));
    EXPECT_EQ(modGlobals::ParseBoolean(QStringLiteral("FALSE")), std::optional<bool>(false));
    EXPECT_EQ(modGlobals::ParseBoolean(QStringLiteral("2")), std::optional<bool>(true));
    EXPECT_EQ(modGlobals::ParseBoolean(QStringLiteral("0")), std::optional<bool>(false));
    EXPECT_FALSE(modGlobals::ParseBoolean(QStringLiteral("yes")).has_value());
    EXPECT_FALSE(modGlobals::ParseBoolean(QString()).has_value());
    EXPECT_EQ(modLogin::ParseUserId(QStringLiteral("1234")), std::optional<int>(1234));
    EXPECT_FALSE(modLogin::ParseUserId(QStringLiteral("+5")).has_value());
    EXPECT_FALSE(modLogin::ParseUserId(QStringLiteral("2147483648")).has_value());
    EXPECT_TRUE(modLogin::IsNewerVersion(QStringLiteral("1.0.4")));
    EXPECT_FALSE(modLogin::IsNewerVersion(QStringLiteral("1.0.3")));
    EXPECT_FALSE(modLogin::IsNewerVersion(QStringLiteral("9.9")));
    EXPECT_FALSE(modLogin::IsNewerVersion(QStringLiteral("1.0.3.1")));
}

} // namespace
