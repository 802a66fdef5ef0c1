// Start-up of Enlist: the three command-line forms, the program folder
// setting, the status check of the register start and the close box.
#include "test_enlist_fixture.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace {

using platform::vbCritical;
using platform::vbInformation;
using platform::vbNo;
using platform::vbYes;

QString MainPath() {
    return platform::GetSetting(QStringLiteral("Tarvel"), QStringLiteral("Main"),
                                QStringLiteral("Path"), QStringLiteral("<none>"));
}

using EnlistStartupTest = EnlistTest;

TEST_F(EnlistStartupTest, PlainStartShowsLoginPageAndRecordsProgramFolder) {
    auto w = Load(QString());
    EXPECT_FALSE(w->IsUnloaded());
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_FALSE(w->AddNewMode);
    EXPECT_FALSE(w->RegisterMode);
    EXPECT_EQ(w->UserID, 0);
    EXPECT_EQ(MainPath(), world.appPath());
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_TRUE(w->cmdNext->isEnabled());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_TRUE(service.Requests().isEmpty());
    // Settings stay private: the file may hold a password.
    EXPECT_EQ(QFileInfo(platform::SettingsFilePath("Tarvel")).permissions() & 0x0077, 0);
}

TEST_F(EnlistStartupTest, AddNewStartShowsAccountPageAndWritesNothing) {
    auto w = Load(QStringLiteral("/addnew"));
    EXPECT_TRUE(w->AddNewMode);
    EXPECT_FALSE(w->RegisterMode);
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_EQ(MainPath(), "<none>");
    EXPECT_TRUE(service.Requests().isEmpty());
}

TEST_F(EnlistStartupTest, AddNewIsMatchedExactly) {
    for (const char* line : {"/addnew ", "/ADDNEW", "/AddNew", " /addnew", "/addnew2"}) {
        platform::DeleteSetting("Tarvel", "Main", "Path");
        auto w = Load(QString::fromLatin1(line));
        EXPECT_FALSE(w->AddNewMode) << line;
        EXPECT_EQ(w->CurrentPage(), 0) << line;
        EXPECT_EQ(MainPath(), world.appPath()) << line;
    }
}

TEST_F(EnlistStartupTest, RegisterStartWithCompleteAccountEndsWithoutWindow) {
    service.SetReply(kStatus, QByteArray("4711\r\nj@x.org\r\nTrue"));
    auto w = Load(QStringLiteral("/register jane,secret"));
    EXPECT_TRUE(w->RegisterMode);
    EXPECT_TRUE(w->IsUnloaded());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(Body(kStatus), "UserName=jane&Password=secret");
    EXPECT_EQ(Count(kLocator), 0); // no database download follows
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_EQ(MainPath(), "<none>");
}

TEST_F(EnlistStartupTest, RegisterCompleteFlagMayBeMinusOne) {
    service.SetReply(kStatus, QByteArray("4711\r\nj@x.org\r\n-1\r\n"));
    auto w = Load(QStringLiteral("/register jane,secret"));
    EXPECT_TRUE(w->IsUnloaded());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(EnlistStartupTest, RegisterStartWithUnfinishedAccountEntersFinishMode) {
    ServeUnfinished(4711, QStringLiteral("jane@example.org"));
    auto w = Load(QStringLiteral("/register jane,secret"));
    ASSERT_FALSE(w->IsUnloaded());
    EXPECT_TRUE(w->RegisterMode);
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_EQ(w->UserID, 4711);
    EXPECT_EQ(w->txtLoginUserName->text(), "jane");
    EXPECT_EQ(w->txtLoginPassword->text(), "secret");
    EXPECT_EQ(w->txtUserName->text(), "jane");
    EXPECT_EQ(w->txtPassword->text(), "secret");
    EXPECT_EQ(w->txtPassword2->text(), "secret");
    EXPECT_EQ(w->txtEmail->text(), "jane@example.org");
    for (QWidget* box :
         {static_cast<QWidget*>(w->txtUserName), static_cast<QWidget*>(w->txtPassword),
          static_cast<QWidget*>(w->txtPassword2), static_cast<QWidget*>(w->txtEmail),
          static_cast<QWidget*>(w->txtReferrer)})
        EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(w->cmdBack->isEnabled());
    EXPECT_EQ(w->lblTitle[0]->text(), "User Name and Password");
    EXPECT_EQ(w->lblTitle[1]->text(), "Finish the Tarvel Sign Up Process - Step 1 of 2");
    EXPECT_EQ(w->lblTitle[2]->text(), "Finish the Tarvel Sign Up Process - Step 2 of 2");
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Finish Sign Up");
    EXPECT_EQ(world.notifier.calls[0].flags, vbInformation);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              "Before you can use Tarvel, we need to ask you a few more questions. This will "
              "allow us to personalize and localize the application to fit your needs.");
    EXPECT_EQ(MainPath(), "<none>");
}

TEST_F(EnlistStartupTest, OfflineWarningComesAfterFinishSignUp) {
    frmEnlist::InternetGetConnectedState = [] { return false; };
    ServeUnfinished();
    auto w = Load(QStringLiteral("/register jane,secret"));
    ASSERT_EQ(world.notifier.calls.size(), 2);
    EXPECT_EQ(world.notifier.calls[0].title, "Finish Sign Up");
    EXPECT_EQ(world.notifier.calls[1].title, "Connect to Internet");
    EXPECT_EQ(world.notifier.calls[1].flags, vbInformation);
    EXPECT_EQ(world.notifier.calls[1].prompt,
              "In order to complete the Tarvel installtion, you must be connected to the "
              "Internet. Please make sure you are currently connected before continuing.");
    EXPECT_EQ(w->CurrentPage(), 2);
}

TEST_F(EnlistStartupTest, OfflineWarningIsOnlyAWarning) {
    frmEnlist::InternetGetConnectedState = [] { return false; };
    auto w = Load(QString());
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Connect to Internet");
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_FALSE(w->IsUnloaded());
}

TEST_F(EnlistStartupTest, RegisterRefusedEndsWithCannotLogIn) {
    service.SetReply(kStatus, QByteArray("NO"));
    auto w = Load(QStringLiteral("/register jane,wrong"));
    EXPECT_TRUE(w->IsUnloaded());
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, "Invalid User Name or Password.");
    EXPECT_EQ(world.notifier.calls[0].flags, vbInformation);
    EXPECT_EQ(world.notifier.calls[0].title, "Cannot log in");
}

TEST_F(EnlistStartupTest, RegisterEmptyOrOddReplyEndsWithServerError) {
    const QByteArray replies[] = {"", "NO\r\n", "ERR", "1\r\n2",
                                  // a flag that is neither complete nor unfinished
                                  "4711\r\nj@x.org\r\nMaybe",
                                  // an unfinished account without a usable id
                                  "abc\r\nj@x.org\r\nFalse", "0\r\nj@x.org\r\n0",
                                  "99999999999\r\nj@x.org\r\nFalse",
                                  // a complete flag behind a line 1 that is no id
                                  "<html>\r\nj@x.org\r\nTrue", "\r\nj@x.org\r\n-1"};
    for (const QByteArray& reply : replies) {
        world.notifier.calls.clear();
        service.SetReply(kStatus, reply);
        auto w = Load(QStringLiteral("/register jane,secret"));
        EXPECT_TRUE(w->IsUnloaded()) << reply.toStdString();
        ASSERT_EQ(world.notifier.calls.size(), 1) << reply.toStdString();
        EXPECT_EQ(world.notifier.calls[0].prompt, "Invalid response from server.");
        EXPECT_EQ(world.notifier.calls[0].flags, vbCritical);
        EXPECT_EQ(world.notifier.calls[0].title, "Server error");
        EXPECT_EQ(w->UserID, 0);
    }
}

TEST_F(EnlistStartupTest, RegisterWithServerDownEndsWithServerError) {
    service.Stop();
    auto w = Load(QStringLiteral("/register jane,secret"));
    EXPECT_TRUE(w->IsUnloaded());
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Server error");
}

TEST_F(EnlistStartupTest, RegisterArgumentIsEncodedInTheStatusRequest) {
    service.SetReply(kStatus, QByteArray("NO"));
    Load(QStringLiteral("/register a b&c,p?w\"'%+"));
    EXPECT_EQ(Body(kStatus), "UserName=a+b%26c&Password=p%3Fw%22%27%+");
}

TEST_F(EnlistStartupTest, SingleCommaPostsEmptyNameAndPassword) {
    service.SetReply(kStatus, QByteArray("NO"));
    auto w = Load(QStringLiteral("/register ,"));
    EXPECT_TRUE(w->RegisterMode);
    EXPECT_EQ(Body(kStatus), "UserName=&Password=");
}

TEST_F(EnlistStartupTest, TenthCharacterIsDroppedWhateverItIs) {
    service.SetReply(kStatus, QByteArray("NO"));
    Load(QStringLiteral("/registerXjoe,pw"));
    EXPECT_EQ(Body(kStatus), "UserName=joe&Password=pw");
}

TEST_F(EnlistStartupTest, RegisterWithoutTwoPartsIsPlainStartWithoutPath) {
    for (const char* line : {"/register a,b,c", "/register nocomma", "/register", "/register "}) {
        auto w = Load(QString::fromLatin1(line));
        EXPECT_FALSE(w->RegisterMode) << line;
        EXPECT_FALSE(w->IsUnloaded()) << line;
        EXPECT_EQ(w->CurrentPage(), 0) << line;
        EXPECT_TRUE(w->txtLoginUserName->text().isEmpty()) << line;
        EXPECT_TRUE(w->txtLoginPassword->text().isEmpty()) << line;
    }
    EXPECT_TRUE(service.Requests().isEmpty());
    EXPECT_EQ(MainPath(), "<none>");
}

TEST_F(EnlistStartupTest, LongRegisterNameSurvivesIntoTheAccountPage) {
    ServeUnfinished();
    const QString name = QStringLiteral("a_rather_long_user_name_of_30c");
    auto w = Load(QStringLiteral("/register ") + name + QStringLiteral(",pw"));
    EXPECT_EQ(w->txtUserName->text(), name);
    EXPECT_EQ(w->txtPassword->text(), "pw");
}

TEST_F(EnlistStartupTest, RegisterValuesOneOverTheAccountBoxesLimitAreNotCut) {
    // The account page's own limits, as a plain start leaves them.
    qsizetype nameRoom = 0, passwordRoom = 0;
    {
        auto plain = Load(QString());
        nameRoom = plain->txtUserName->maxLength();
        passwordRoom = plain->txtPassword->maxLength();
    }
    ServeUnfinished();
    const QString name(nameRoom + 1, QLatin1Char('n'));
    const QString password(passwordRoom + 1, QLatin1Char('p'));
    auto w = Load(QStringLiteral("/register ") + name + QLatin1Char(',') + password);
    EXPECT_EQ(Body(kStatus), "UserName=" + name + "&Password=" + password);
    EXPECT_EQ(w->txtUserName->text(), name);
    EXPECT_EQ(w->txtPassword->text(), password);
}

TEST_F(EnlistStartupTest, CloseBoxAsksWhileTheWizardRuns) {
    auto w = Load(QString());
    world.notifier.answers = {vbNo};
    bool cancel = false;
    w->Form_QueryUnload(cancel, 0);
    EXPECT_TRUE(cancel);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Cancel Sign Up");
    EXPECT_EQ(world.notifier.calls[0].flags, 36);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              "You have not finished the sign-up process. You will not be able to log into "
              "Tarvel until you have an Tarvel account. Are you sure you want to exit?");

    world.notifier.answers = {vbYes};
    cancel = false;
    w->Form_QueryUnload(cancel, 0);
    EXPECT_FALSE(cancel);
}

TEST_F(EnlistStartupTest, CloseBoxIsRefusedSilentlyOnCloseCaptionOrDisabledCancel) {
    auto w = Load(QString());
    w->cmdCancel->setText(QStringLiteral("Close"));
    bool cancel = false;
    w->Form_QueryUnload(cancel, 0);
    EXPECT_TRUE(cancel);

    w->cmdCancel->setText(QStringLiteral("Cancel"));
    w->cmdCancel->setEnabled(false);
    cancel = false;
    w->Form_QueryUnload(cancel, 0);
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    // An unload from code always passes.
    cancel = false;
    w->Form_QueryUnload(cancel, 1);
    EXPECT_FALSE(cancel);
}

TEST_F(EnlistStartupTest, CloseFromCodeNeverAsks) {
    auto w = Load(QString());
    w->show();
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(w->IsUnloaded());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

// The program itself: a parameter text split over several arguments is
// joined again, and a register start of a complete account ends at once.
TEST_F(EnlistStartupTest, ProgramJoinsSplitArgumentsAndEndsForCompleteAccount) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Enlist");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "Enlist is not built";
    service.SetReply(kStatus, QByteArray("4711\r\nj@x.org\r\nTrue\r\n"));
    QProcess process;
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process.start(program, {QStringLiteral("/register"), QStringLiteral("jane,secret")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(Body(kStatus), "UserName=jane&Password=secret");
    EXPECT_EQ(MainPath(), "<none>");
}

} // namespace
