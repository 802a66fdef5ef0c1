// The enrolment pages of the sample service with Enlist on the other end: an
// account made with Enlist lands in the shared store that Tarvel's login
// reads, and the served installer installs the menu table and passes
// Tarvel's first-run gate.
#include "test_enlist_fixture.h"

#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"
#include "platform/SettingsStore.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class EnlistPagesTest : public EnlistTest {
protected:
    void SetUp() override {
        EnlistTest::SetUp();
        localservice::InstallEnlistPages(service, data);
    }
    localservice::SampleAccount Account(const QString& name) {
        std::lock_guard<std::mutex> guard(data.accounts->lock);
        return data.accounts->byName.value(name.toLower());
    }
    void AddAccount(const QString& name, const QString& password, int state) {
        std::lock_guard<std::mutex> guard(data.accounts->lock);
        localservice::SampleAccount account;
        account.userId = data.accounts->nextUserId++;
        account.userName = name;
        account.password = password;
        account.email = name + QStringLiteral("@example.com");
        account.enlistState = state;
        data.accounts->byName.insert(name.toLower(), account);
    }
    // Runs the saved installer as the shell would, with this world's
    // settings folder.
    int RunInstaller(const QString& path) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), world.configHome());
        process.setProcessEnvironment(env);
        process.start(path, {});
        if (!process.waitForFinished(30000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray SampleTable() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("MenuItems.dat"));
        return localservice::CreateSampleDatabase(path) ? Read(path) : QByteArray();
    }
    QString LastUpdated() {
        return platform::GetSetting(QStringLiteral("Tarvel"), QStringLiteral("Main"),
                                    QStringLiteral("LastUpdated"), QStringLiteral("X"));
    }

    localservice::SampleData data;
};

TEST_F(EnlistPagesTest, NewUserSignsUpDownloadsAndInstalls) {
    auto w = Load(QString());
    w->cmdEnlist_Click();
    w->txtUserName->setText(QStringLiteral("surfer99"));
    w->txtPassword->setText(QStringLiteral("waves"));
    w->txtPassword2->setText(QStringLiteral("waves"));
    w->txtEmail->setText(QStringLiteral("surfer@example.com"));
    w->txtReferrer->setText(QStringLiteral("demo"));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 2);
    const localservice::SampleAccount created = Account("surfer99");
    EXPECT_EQ(w->UserID, created.userId);
    EXPECT_NE(created.enlistState, 1); // unfinished until the profile arrives
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    w->cboMaritalStatus->setCurrentIndex(2);
    w->cmdNext_Click();
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_TRUE(w->IsUnloaded());

    const localservice::SampleAccount account = Account("surfer99");
    EXPECT_EQ(account.password, "waves");
    EXPECT_EQ(account.email, "surfer@example.com");
    EXPECT_EQ(account.enlistState, 1);
    EXPECT_EQ(account.registeredName, "Jane Doe");
    EXPECT_EQ(account.profile.value("MaritalStatus"), "5");
    EXPECT_EQ(account.profile.value("Referrer"), "demo");

    // The installer was saved and started; running it installs the table
    // into the data folder and passes Tarvel's first-run gate.
    const QString installer = world.dataPath() + QStringLiteral("db.exe");
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(QFileInfo(world.shell.calls[0].file).canonicalFilePath(),
              QFileInfo(installer).canonicalFilePath());
    EXPECT_EQ(LastUpdated(), "X");
    ASSERT_EQ(RunInstaller(installer), 0);
    const QByteArray table = Read(world.dataPath() + QStringLiteral("MenuItems.dat"));
    EXPECT_FALSE(table.isEmpty());
    EXPECT_EQ(table.size(), SampleTable().size());
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4} \\d{1,2}:\\d\\d:\\d\\d [AP]M$"))
                    .match(LastUpdated())
                    .hasMatch())
        << LastUpdated().toStdString();
    // What Enlist wrote stays.
    EXPECT_EQ(platform::GetSetting("Tarvel", "Main", "Path"), world.appPath());
    EXPECT_EQ(QFileInfo(platform::SettingsFilePath("Tarvel")).permissions() & 0x0077, 0);
}

TEST_F(EnlistPagesTest, InstallerKeepsOtherSettingsAndCreatesAMissingFile) {
    platform::SaveSetting("Tarvel", "Options", "ButtonPosition", "1");
    platform::SaveSetting("Tarvel", "Main", "LastUpdated", "1/4/2000");
    platform::SaveSetting("Tarvel", "Main", "Version", "1.0.3");
    platform::SaveSetting("Tarvel", "Options1001", "AniSpeed", "19");
    auto w = Load(QString());
    w->DownloadDB();
    const QString installer = world.dataPath() + QStringLiteral("db.exe");
    ASSERT_EQ(RunInstaller(installer), 0);
    EXPECT_NE(LastUpdated(), "1/4/2000");
    EXPECT_EQ(platform::GetSetting("Tarvel", "Options", "ButtonPosition"), "1");
    EXPECT_EQ(platform::GetSetting("Tarvel", "Main", "Version"), "1.0.3");
    EXPECT_EQ(platform::GetSetting("Tarvel", "Options1001", "AniSpeed"), "19");
    const QString ini = QString::fromLatin1(Read(platform::SettingsFilePath("Tarvel")));
    EXPECT_EQ(ini.count(QStringLiteral("LastUpdated=")), 1) << ini.toStdString();

    // A first installation without any settings file yet.
    ASSERT_TRUE(QFile::remove(platform::SettingsFilePath("Tarvel")));
    ASSERT_EQ(RunInstaller(installer), 0);
    EXPECT_NE(LastUpdated(), "X");
    EXPECT_EQ(QFileInfo(platform::SettingsFilePath("Tarvel")).permissions() & 0x0077, 0);
}

TEST_F(EnlistPagesTest, StatusPageAnswersForTheSharedStore) {
    AddAccount("finished", "secret1", 1);
    AddAccount("halfway", "secret2", 0);
    frmEnlist w{QString()};
    const QString page = kStatus;
    QString reply = w.GetASPData(page, "UserName=FINISHED&Password=secret1");
    EXPECT_EQ(reply,
              QString::number(Account("finished").userId) + "\r\nfinished@example.com\r\nTrue\r\n");
    reply = w.GetASPData(page, "UserName=halfway&Password=secret2");
    EXPECT_TRUE(reply.endsWith("\r\nFalse\r\n"));
    EXPECT_EQ(w.GetASPData(page, "UserName=halfway&Password=SECRET2"), "NO");
    EXPECT_EQ(w.GetASPData(page, "UserName=nobody&Password=x"), "NO");
}

TEST_F(EnlistPagesTest, UnfinishedAccountIsFinishedThroughRegister) {
    AddAccount("halfway", "secret2", 0);
    auto w = Load(QStringLiteral("/register halfway,secret2"));
    ASSERT_EQ(w->CurrentPage(), 2);
    EXPECT_EQ(w->txtEmail->text(), "halfway@example.com");
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 5);
    EXPECT_EQ(Account("halfway").enlistState, 1);
}

TEST_F(EnlistPagesTest, TakenNameGetsAFreeSuggestion) {
    AddAccount("surfer99", "waves", 1);
    AddAccount("surfer991", "waves", 1);
    auto w = Load(QStringLiteral("/addnew"));
    w->txtUserName->setText(QStringLiteral("Surfer99"));
    w->txtPassword->setText(QStringLiteral("secret"));
    w->txtPassword2->setText(QStringLiteral("secret"));
    w->txtEmail->setText(QStringLiteral("s@example.com"));
    w->cmdNext_Click();
    EXPECT_EQ(w->txtUserName->text(), "Surfer992");
    EXPECT_EQ(w->CurrentPage(), 1);
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_EQ(Account("surfer992").password, "secret");
}

TEST_F(EnlistPagesTest, StepTwoForAnUnknownAccountFails) {
    frmEnlist w{QString()};
    const EnlistLink::PostResult result = EnlistLink::Post(kStep2, "UserID=424242&FirstName=x");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(EnlistLink::Post(kStep1, "UserName=abc&Password=12345&Email=a@b.c").body, "ERR");
}

TEST_F(EnlistPagesTest, FallbackPageLinksToTheInstaller) {
    frmEnlist w{QString()};
    const EnlistLink::PostResult page = EnlistLink::Post("/tarvel/downloaddb.asp", "");
    EXPECT_TRUE(page.ok());
    EXPECT_TRUE(page.body.contains("/tarvel/db.exe"));
}

} // namespace

// As installers do, the sample installer ends by starting Tarvel from the
// program folder that Enlist recorded, so a first run goes on to the button.
TEST_F(EnlistPagesTest, InstallerStartsTarvelFromTheRecordedProgramFolder) {
    const QString record = world.dataHome() + QStringLiteral("/tarvel-started");
    {
        QFile tarvel(world.appPath() + QStringLiteral("/Tarvel"));
        ASSERT_TRUE(tarvel.open(QIODevice::WriteOnly));
        tarvel.write(("#!/bin/sh\necho \"$#\" > '" + record + "'\n").toLocal8Bit());
        tarvel.close();
        tarvel.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    auto w = Load(QString());
    w->DownloadDB();
    ASSERT_EQ(RunInstaller(world.dataPath() + QStringLiteral("db.exe")), 0);
    QDeadlineTimer limit(10000);
    while (Read(record).isEmpty() && !limit.hasExpired())
        QTest::qWait(50);
    EXPECT_EQ(Read(record), QByteArray("0\n"));
    EXPECT_NE(LastUpdated(), "X"); // recorded before Tarvel's gate reads it
}
