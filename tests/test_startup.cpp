// Start-up: the single instance, the first-run hand-over to Enlist, the
// program state it fills, the version pages, the forced floating position
// without a rebar, and the end of the program after an error.
#include "core/modGlobals.h"
#include "core/modStartup.h"
#include "localservice/lib/LocalService.h"
#include "platform/AppPath.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/TaskbarScripted.h"
#include "shell/ShellHooks.h"
#include "shell/frmButton.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace modGlobals;

namespace {

void WriteExecutable(const QString& path, const QByteArray& script) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.activate = [this] {
            ++activations;
            button.Before().Activate();
        };
        ASSERT_GT(service.Start(), 0);
        service.SetReply(
            QStringLiteral("/url.txt"),
            (service.Host() + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
    }

    void TearDown() override {
        frmButton::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        modStartup::ReleaseSingleInstance();
        qunsetenv("TARVEL_BOOTSTRAP_HOST");
    }

    void SetInstalled() {
        SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"),
                    QStringLiteral("20261201120000"));
    }

    // A companion browser in the program folder, so that the exact parameter
    // text it would receive is recorded by the scripted shell.
    QString InstallBrowser() {
        const QString path = world.appPath() + QStringLiteral("/Browser");
        WriteExecutable(path, "#!/bin/sh\nexit 0\n");
        return path;
    }

    QList<testsupport::ShellCall> BrowserCalls(const QString& browser) const {
        QList<testsupport::ShellCall> out;
        for (const auto& call : world.shell.calls) {
            if (call.file == browser)
                out.append(call);
        }
        return out;
    }

    QString Base() const { return service.Host() + QStringLiteral("/Vantrix/internal/"); }

    testsupport::TestWorld world;
    platform::ScriptedTaskbar taskbar;
    localservice::LocalService service;
    testsupport::Installed<ShellButton> shellButton;
    testsupport::ScriptedButton button;
    int activations = 0;
};

TEST_F(StartupTest, FirstRunStartsEnlistWithNoParametersAndShowsNothing) {
    EXPECT_EQ(Main({}), 0);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, world.appPath() + QStringLiteral("/Enlist"));
    EXPECT_TRUE(world.shell.calls[0].parameters.isEmpty());
    EXPECT_EQ(frmButton::Loaded(), nullptr);
    EXPECT_FALSE(
        platform::HasSetting(kAppTitle, QStringLiteral("Main"), QStringLiteral("Version")));
}

TEST_F(StartupTest, FirstRunStartsTheRealEnlistProgramWithoutArguments) {
    const QString record = world.appPath() + QStringLiteral("/enlist-args.txt");
    WriteExecutable(world.appPath() + QStringLiteral("/Enlist"),
                    "#!/bin/sh\necho \"$#:$*\" > \"$(dirname \"$0\")/enlist-args.txt\"\n");
    platform::SetShell(nullptr); // the real shell starts the stub
    const int code = Main({});
    platform::SetShell(&world.shell);
    EXPECT_EQ(code, 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(record), QStringLiteral("0:\n"), 5000);
}

TEST_F(StartupTest, SecondStartActivatesTheFirstAndEndsBeforeTheGate) {
    SetInstalled();
    ASSERT_EQ(Main({}), -1);
    ASSERT_NE(frmButton::Loaded(), nullptr);
    EXPECT_TRUE(frmButton::Loaded()->isVisible());
    const int shellCalls = static_cast<int>(world.shell.calls.size());

    // Even a missing LastUpdated does not reach the gate in the second start.
    platform::DeleteSetting(kAppTitle, QStringLiteral("Main"), QStringLiteral("LastUpdated"));
    EXPECT_EQ(Main({QStringLiteral("/setup")}), 0);
    EXPECT_EQ(world.shell.calls.size(), shellCalls);
    QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 5000);
}

TEST_F(StartupTest, AnotherUserListeningFirstCannotStopTheStart) {
    if (::getuid() != 0)
        GTEST_SKIP() << "a second user needs root to be played";
    SetInstalled();
    // Where another user (nobody) can listen first: the shared temporary
    // folder under the instance's name, and the name itself if it can.
    const QString name = modStartup::SingleInstanceName();
    const QByteArray shared = QFile::encodeName(QDir::temp().filePath(QFileInfo(name).fileName()));
    const QByteArray own = QFile::encodeName(name);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        // Only calls that are safe after a fork of a threaded process.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        for (const QByteArray* path : {&shared, &own}) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (path->size() >= static_cast<qsizetype>(sizeof address.sun_path))
                continue;
            std::memcpy(address.sun_path, path->constData(), static_cast<size_t>(path->size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                ::listen(fd, 8);
        }
        (void)!::write(ready[1], "r", 1);
        for (;;)
            ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    const int result = Main({});
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ::unlink(shared.constData());
    // Tarvel starts: the button is there.
    EXPECT_EQ(result, -1);
    ASSERT_NE(frmButton::Loaded(), nullptr);
    EXPECT_TRUE(frmButton::Loaded()->isVisible());
}

TEST_F(StartupTest, SecondProcessActivatesTheRunningOneAndEnds) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Tarvel");
    if (!QFile::exists(program))
        GTEST_SKIP() << "the Tarvel program is not built";
    SetInstalled();
    ASSERT_EQ(Main({}), -1);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), world.configHome());
    env.insert(QStringLiteral("TARVEL_APP_PATH"), world.appPath());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForStarted(10000));
    // The running instance must answer while the second one waits for it.
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 5000);
}

// No private runtime folder and a settings path too long for a socket
// address: the socket's name lies in the shared temporary folder, where
// another user (nobody) listens first. A second start of the user must not
// run beside the first (two of them wrote one table). The user is played by
// another uid, since root would simply remove the other user's socket.
TEST_F(StartupTest, ASquatterOnTheSocketNameCannotLetASecondInstanceRun) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Tarvel");
    if (!QFile::exists(program))
        GTEST_SKIP() << "the Tarvel program is not built";
    if (::getuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "two other users need root and setpriv to be played";
    constexpr uid_t kOther = 65534;
    // The shared temporary folder itself: what the scenario is about, and
    // the one place both users reach. Removed at the end.
    QTemporaryDir work(QStringLiteral("/tmp/tarvel-squat-XXXXXX"));
    ASSERT_TRUE(work.isValid());
    const QString shared = work.path() + QStringLiteral("/tmp");
    const QString home = work.path() + QStringLiteral("/home");
    const QString config = home + QLatin1Char('/') + QString(90, QLatin1Char('c'));
    ASSERT_TRUE(QDir().mkpath(shared) && QDir().mkpath(config + QStringLiteral("/Tarvel")));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/data")));
    QFile ini(config + QStringLiteral("/Tarvel/Tarvel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Main]\nLastUpdated=1/4/2000\nVersion=" + modStartup::VersionText().toLatin1() +
              "\n");
    ini.close();
    ASSERT_EQ(::chmod(QFile::encodeName(work.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("chown"),
                                {QStringLiteral("-R"), QStringLiteral("65533:65533"), home}),
              0);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), shared);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("TARVEL_APP_PATH"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QStringList asUser = {QStringLiteral("--reuid=65533"), QStringLiteral("--regid=65533"),
                                QStringLiteral("--clear-groups"), QStringLiteral("--"), program};
    auto start = [&](QProcess& p) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("setpriv"), asUser);
        return p.waitForStarted(10000);
    };
    auto end = [](QProcess& p) {
        p.kill();
        p.waitForFinished(5000);
    };
    auto socketName = [&] {
        const QStringList names =
            QDir(shared).entryList({QStringLiteral("tarvel-*")}, QDir::System | QDir::Files);
        return names.isEmpty() ? QString() : names.first();
    };

    // Where the user's Tarvel listens: seen once, then taken by the other
    // user while no Tarvel runs.
    QString name;
    {
        QProcess probe;
        ASSERT_TRUE(start(probe));
        QTRY_VERIFY_WITH_TIMEOUT(!(name = socketName()).isEmpty(), 10000);
        end(probe);
    }
    const QByteArray path = QFile::encodeName(shared + QLatin1Char('/') + name);
    ASSERT_EQ(::unlink(path.constData()), 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t squatter = ::fork();
    ASSERT_GE(squatter, 0);
    if (squatter == 0) {
        if (::setgid(kOther) != 0 || ::setuid(kOther) != 0)
            ::_exit(1);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                           ::listen(fd, 8) == 0;
        (void)!::write(ready[1], bound ? "b" : "-", 1);
        for (;;)
            ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    auto endSquatter = qScopeGuard([&] {
        ::kill(squatter, SIGKILL);
        ::waitpid(squatter, nullptr, 0);
    });
    ASSERT_EQ(c, 'b') << "the other user could not listen at " << path.toStdString();

    QProcess first, second;
    ASSERT_TRUE(start(first));
    QTest::qWait(1500); // its button is up
    ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
    ASSERT_TRUE(start(second));
    const bool secondEnded = second.waitForFinished(15000);
    const bool firstRuns = first.state() == QProcess::Running;
    end(first);
    end(second);
    EXPECT_TRUE(secondEnded) << "a second instance ran beside the first";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(firstRuns);
}

TEST_F(StartupTest, TheRealProgramHandsAFreshInstallationToEnlist) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Tarvel");
    if (!QFile::exists(program))
        GTEST_SKIP() << "the Tarvel program is not built";
    const QString record = world.appPath() + QStringLiteral("/enlist-args.txt");
    WriteExecutable(world.appPath() + QStringLiteral("/Enlist"),
                    "#!/bin/sh\necho \"$#:$*\" > \"$(dirname \"$0\")/enlist-args.txt\"\n");
    QProcess tarvel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), world.configHome());
    env.insert(QStringLiteral("TARVEL_APP_PATH"), world.appPath());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tarvel.setProcessEnvironment(env);
    tarvel.start(program, {});
    ASSERT_TRUE(tarvel.waitForFinished(20000));
    EXPECT_EQ(tarvel.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(record), QStringLiteral("0:\n"), 10000);
}

TEST_F(StartupTest, FillsTheProgramStateFromTheSettings) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    SaveSetting(QStringLiteral("Options"), QStringLiteral("FavoritesPosition"),
                QStringLiteral("1"));
    SaveSetting(QStringLiteral("Options0"), QStringLiteral("AniSpeed"), QStringLiteral("7"));
    SaveSetting(QStringLiteral("Options5"), QStringLiteral("AniSpeed"), QStringLiteral("3"));
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(gVersion, QStringLiteral("1.0.3"));
    EXPECT_EQ(gSlideFactor, 6);
    EXPECT_EQ(gDataPath, world.dataPath());
    EXPECT_EQ(gImagesPath, world.imagesPath());
    EXPECT_EQ(gFavoritesPosition, 1);
    EXPECT_EQ(gAniSpeed, 7); // section Options0 before any login
    ASSERT_NE(gNewsCollection, nullptr);
    EXPECT_EQ(gNewsCollection->Count(), 0);
    EXPECT_TRUE(gTrueColor);
    EXPECT_EQ(gButtonHwnd, platform::HandleOf(frmButton::Loaded()));
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Path")), world.appPath());
    ASSERT_NE(frmButton::Loaded(), nullptr);
    EXPECT_TRUE(frmButton::Loaded()->isVisible());
    EXPECT_TRUE(frmButton::Loaded()->timTop->isActive());
    EXPECT_TRUE(frmButton::Loaded()->timLogout->isActive());
}

TEST_F(StartupTest, AStartWithTheVersionAndPathStoredLeavesTheSettingsFileAlone) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Path"), world.appPath());
    const QString file = platform::SettingsFilePath(kAppTitle);
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    struct stat was {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &was), 0);
    ASSERT_EQ(Main({}), -1);
    EXPECT_TRUE(frmButton::Loaded()->isVisible());
    // Not rewritten (a save replaces the file by a new one).
    struct stat is {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &is), 0);
    EXPECT_EQ(is.st_ino, was.st_ino);
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Path")), world.appPath());
}

TEST_F(StartupTest, SettingsThatDoNotConvertTakeTheirDefaults) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"),
                QStringLiteral("left"));
    SaveSetting(QStringLiteral("Options"), QStringLiteral("FavoritesPosition"),
                QStringLiteral("?"));
    SaveSetting(QStringLiteral("Options0"), QStringLiteral("AniSpeed"), QStringLiteral("99999"));
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(gButtonPosition, 1);
    EXPECT_EQ(gFavoritesPosition, 0);
    EXPECT_EQ(gAniSpeed, 19);
}

TEST_F(StartupTest, OldVersionRemovesQuickLaunchShortcutsAndOpensWhatsNewEvenWithSetup) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.0"));
    const QString appData = world.appPath() + QStringLiteral("/appdata");
    const QString ql = appData + QStringLiteral("/Microsoft/Internet Explorer/Quick Launch/");
    QDir().mkpath(ql);
    for (const char* name : {"Tarvel.lnk", "Tarvel1.lnk", "Other.lnk"}) {
        QFile f(ql + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    taskbar.shellFolders[platform::CSIDL_APPDATA] = appData;
    const QString browser = InstallBrowser();

    ASSERT_EQ(Main({QStringLiteral("/setup")}), -1);
    EXPECT_FALSE(QFile::exists(ql + QStringLiteral("Tarvel.lnk")));
    EXPECT_FALSE(QFile::exists(ql + QStringLiteral("Tarvel1.lnk")));
    EXPECT_TRUE(QFile::exists(ql + QStringLiteral("Other.lnk")));
    const auto calls = BrowserCalls(browser);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].parameters, QStringLiteral("7900,6800,") + Base() +
                                       QStringLiteral("../WhatsNew.asp?UserID=0&Version=1.0.3,"
                                                      "What's New"));
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Version")),
              QStringLiteral("1.0.3"));
}

TEST_F(StartupTest, TheRealCompanionBrowserReceivesOneExactParameterText) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.0"));
    const QString record = world.appPath() + QStringLiteral("/browser-args.txt");
    WriteExecutable(
        world.appPath() + QStringLiteral("/Browser"),
        "#!/bin/sh\nprintf '%s:%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/browser-args.txt\"\n");
    platform::SetShell(nullptr);
    const int code = Main({});
    platform::SetShell(&world.shell);
    ASSERT_EQ(code, -1);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(record),
                              QStringLiteral("1:7900,6800,") + Base() +
                                  QStringLiteral("../WhatsNew.asp?UserID=0&Version=1.0.3,"
                                                 "What's New"),
                              10000);
}

TEST_F(StartupTest, VersionThreeTwoAlsoOpensWhatsNew) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("0.3.2"));
    const QString browser = InstallBrowser();
    ASSERT_EQ(Main({}), -1);
    const auto calls = BrowserCalls(browser);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].parameters.endsWith(QStringLiteral(",What's New")));
}

TEST_F(StartupTest, CurrentVersionWithSetupOpensTheWelcomePage) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    const QString browser = InstallBrowser();
    ASSERT_EQ(Main({QStringLiteral("/setup")}), -1);
    const auto calls = BrowserCalls(browser);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].parameters, QStringLiteral("7900,6800,") + Base() +
                                       QStringLiteral("../Welcome.asp?UserID=0&Version=1.0.3,"
                                                      "Welcome to Tarvel"));
}

TEST_F(StartupTest, NoStoredVersionOpensTheWelcomePage) {
    SetInstalled();
    const QString browser = InstallBrowser();
    ASSERT_EQ(Main({}), -1);
    const auto calls = BrowserCalls(browser);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].parameters.endsWith(QStringLiteral(",Welcome to Tarvel")));
}

TEST_F(StartupTest, CurrentVersionWithoutSetupOpensNoPage) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    const QString browser = InstallBrowser();
    ASSERT_EQ(Main({QStringLiteral("/setup"), QStringLiteral("x")}), -1); // not exactly "/setup"
    EXPECT_TRUE(BrowserCalls(browser).isEmpty());
    EXPECT_TRUE(service.RequestsFor(QStringLiteral("/url.txt")).isEmpty());
}

TEST_F(StartupTest, NoRebarForcesTheFloatingPositionWithoutRewritingTheSetting) {
    for (const char* stored : {"1", "2"}) {
        taskbar.hasRebar = false;
        SetInstalled();
        SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
        SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"),
                    QLatin1String(stored));
        ASSERT_EQ(Main({}), -1);
        EXPECT_EQ(gButtonPosition, 0);
        EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")),
                  QLatin1String(stored));
        EXPECT_EQ(platform::WatchedWindow(), 0u);
        frmButton::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        modStartup::ReleaseSingleInstance();
    }
}

TEST_F(StartupTest, WithARebarPositionOneWatchesTheRebar) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(gButtonPosition, 1);
    EXPECT_EQ(gReBarHwnd, platform::ScriptedTaskbar::kReBar);
    EXPECT_EQ(platform::WatchedWindow(), platform::ScriptedTaskbar::kReBar);
}

TEST_F(StartupTest, AnErrorIsReportedTheButtonStaysHiddenAndItsTimersStop) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    QStringList locations;
    testsupport::ScriptedDialogs dialogs;
    dialogs.showError = [&locations](const QString&, int, const QString& location) {
        locations << location;
    };
    button.show = [] { throw std::runtime_error("cannot show"); };
    EXPECT_EQ(Main({}), 1);
    EXPECT_EQ(locations, QStringList{QStringLiteral("modGlobals.Main")});
    EXPECT_EQ(frmButton::Loaded(), nullptr);
}

TEST_F(StartupTest, AfterAnErrorTheProgramEndsWhenTheErrorDialogCloses) {
    SetInstalled();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    modStartup::SetErrorWaitLimitMs(20000);
    QPointer<QWidget> dialog;
    testsupport::ScriptedDialogs dialogs;
    dialogs.showError = [&dialog](const QString& msg, int, const QString&) {
        dialog = new QWidget;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(msg);
        dialog->show();
        QTimer::singleShot(50, dialog, &QWidget::close);
    };
    button.load = []() -> QWidget* { throw std::runtime_error("no button"); };
    EXPECT_EQ(Main({}), 1);
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    modStartup::SetErrorWaitLimitMs(0);
}

} // namespace
