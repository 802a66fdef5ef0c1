// How the two programs start from a command line or a desktop menu: the
// standard options answered before any window or hand-over, unknown options
// refused, a missing display said in one line, and a data folder that cannot
// be used named with its cause before any login.
#include "core/modGlobals.h"
#include "core/modStartup.h"
#include "platform/ProgramStart.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "shell/ShellHooks.h"
#include "shell/frmButton.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace modGlobals;

namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QString out, err;
};

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh account: Tarvel would hand over to Enlist, which records it.
        QFile enlist(world.appPath() + QStringLiteral("/Enlist"));
        ASSERT_TRUE(enlist.open(QIODevice::WriteOnly));
        enlist.write("#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/enlist-started\"\n");
        enlist.close();
        enlist.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override {
        frmButton::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        modStartup::ReleaseSingleInstance();
    }

    static QString Program(const char* name) {
        return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
    }
    // The environment of a desktop without a display unless one is given.
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("TARVEL_APP_PATH"), world.appPath());
        return env;
    }
    Outcome Start(const char* program, const QStringList& arguments,
                  const QProcessEnvironment& env) const {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(Program(program), arguments);
        Outcome run;
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.crashed = process.exitStatus() != QProcess::NormalExit;
        run.exitCode = process.exitCode();
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }
    Outcome Start(const char* program, const QStringList& arguments) const {
        return Start(program, arguments, Environment());
    }
    bool EnlistStarted() const {
        QTest::qWait(200); // a hand-over would have started it by now
        return QFile::exists(world.appPath() + QStringLiteral("/enlist-started"));
    }
    static int Lines(const QString& text) {
        return static_cast<int>(text.count(QLatin1Char('\n')) + (text.endsWith('\n') ? 0 : 1));
    }

    testsupport::TestWorld world;
};

TEST_F(ProgramStart, HelpAndVersionAnswerOnStdoutBeforeAnyHandOverOrDisplay) {
    if (!QFile::exists(Program("Tarvel")) || !QFile::exists(Program("Enlist")))
        GTEST_SKIP() << "the programs are not built";
    for (const char* program : {"Tarvel", "Enlist"}) {
        for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Outcome run = Start(program, {option});
            EXPECT_FALSE(run.crashed) << program;
            EXPECT_EQ(run.exitCode, 0)
                << program << " " << option.toStdString() << " " << run.err.toStdString();
            EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: ") + QLatin1String(program)))
                << run.out.toStdString();
            EXPECT_TRUE(run.out.contains(QStringLiteral("--version")));
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
        for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
            const Outcome run = Start(program, {option});
            EXPECT_EQ(run.exitCode, 0) << program << " " << option.toStdString();
            EXPECT_EQ(run.out, QLatin1String(program) + QStringLiteral(" 1.0.3\n"));
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
    }
    EXPECT_FALSE(EnlistStarted());
}

TEST_F(ProgramStart, AnUnknownDoubleDashOptionIsAnErrorWithStatusTwo) {
    if (!QFile::exists(Program("Tarvel")) || !QFile::exists(Program("Enlist")))
        GTEST_SKIP() << "the programs are not built";
    for (const char* program : {"Tarvel", "Enlist"}) {
        const Outcome run = Start(program, {QStringLiteral("--colour")});
        EXPECT_FALSE(run.crashed) << program;
        EXPECT_EQ(run.exitCode, 2) << program;
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--colour"))) << run.err.toStdString();
        EXPECT_EQ(Lines(run.err), 1) << run.err.toStdString();
    }
    EXPECT_FALSE(EnlistStarted());
}

TEST_F(ProgramStart, WithoutADisplayBothSaySoInOneLineAndEndWithStatusOne) {
    if (!QFile::exists(Program("Tarvel")) || !QFile::exists(Program("Enlist")))
        GTEST_SKIP() << "the programs are not built";
    // No display named at all, and one named where no X server listens.
    QProcessEnvironment nowhere = Environment();
    int unused = 90;
    while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(unused)))
        ++unused;
    nowhere.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(unused));
    nowhere.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QProcessEnvironment& env : {Environment(), nowhere}) {
        for (const char* program : {"Tarvel", "Enlist"}) {
            const Outcome run = Start(program, {}, env);
            EXPECT_FALSE(run.crashed) << program << " " << run.err.toStdString();
            EXPECT_EQ(run.exitCode, 1) << program << " " << run.err.toStdString();
            EXPECT_EQ(Lines(run.err), 1) << program << " " << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(QStringLiteral("display"))) << run.err.toStdString();
        }
    }
    EXPECT_FALSE(EnlistStarted());
}

TEST_F(ProgramStart, EnlistsOwnCommandLineIsNeverReadAsOptions) {
    // A password may be anything, "--help" too.
    QByteArray words[] = {"Enlist", "/register", "bob,--help"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(), nullptr};
    const platform::ProgramText enlist{QStringLiteral("Enlist"), QStringLiteral("1.0.3"),
                                       QStringLiteral(" [/addnew]\n"), true};
    EXPECT_EQ(platform::CheckCommandLine(3, argv, enlist), -1);
    QByteArray joined[] = {"Enlist", "/register --version,--x"};
    char* argv2[] = {joined[0].data(), joined[1].data(), nullptr};
    EXPECT_EQ(platform::CheckCommandLine(2, argv2, enlist), -1);
}

// The data folder's problems are named before any login and before a first
// run hands over to Enlist, which would download into it.
TEST_F(ProgramStart, ADataFolderThatCannotBeMadeIsNamedWithItsCause) {
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    const QString blocker = world.appPath() + QStringLiteral("/not-a-folder");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
    EXPECT_EQ(Main({}), 1);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const testsupport::MsgBoxCall& box = world.notifier.calls[0];
    EXPECT_TRUE(box.prompt.contains(blocker)) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(QStringLiteral("Not a directory"))) << box.prompt.toStdString();
    EXPECT_EQ(box.flags, platform::vbCritical);
    EXPECT_TRUE(world.shell.calls.isEmpty()); // no hand-over to Enlist
    EXPECT_TRUE(frmButton::Loaded() == nullptr || !frmButton::Loaded()->isVisible());
}

TEST_F(ProgramStart, AReadOnlyDataFolderIsNamedWithItsCause) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes through permission bits (tests/x11/install.sh runs as "
                        "another user)";
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    ASSERT_TRUE(QFile::setPermissions(world.dataPath(), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_EQ(Main({}), 1);
    QFile::setPermissions(world.dataPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString prompt = world.notifier.calls[0].prompt;
    EXPECT_TRUE(prompt.contains(world.dataPath().chopped(1))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("Permission denied"))) << prompt.toStdString();
}

TEST_F(ProgramStart, TheDataFoldersAreMadePrivateUnderXdgDataHome) {
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    ASSERT_TRUE(QDir(world.dataHome()).removeRecursively());
    SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), QStringLiteral("1/4/2000"));
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(gDataPath, world.dataPath());
    EXPECT_EQ(gImagesPath, world.imagesPath());
    for (const QString& folder : {world.dataHome(), world.dataPath(), world.imagesPath()}) {
        const QFileInfo info(folder);
        EXPECT_TRUE(info.isDir()) << folder.toStdString();
        EXPECT_EQ(info.permissions() & 0x0077, 0) << folder.toStdString();
    }
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

} // namespace

// A data folder others can write is where they could plant links: one of
// ours is narrowed to the user, one that belongs to another user is refused.
TEST_F(ProgramStart, AWiderDataFolderIsNarrowedAndAnotherUsersIsRefused) {
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), QStringLiteral("1/4/2000"));
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    ASSERT_EQ(::chmod(QFile::encodeName(world.imagesPath()).constData(), 0777), 0);
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(QFileInfo(world.imagesPath()).permissions() & 0x0077, 0);
    frmButton::Unload();
    modStartup::ReleaseSingleInstance();

    if (::geteuid() != 0)
        return; // only root can give a folder to another user
    ASSERT_EQ(::chown(QFile::encodeName(world.dataPath()).constData(), 65534, 65534), 0);
    EXPECT_EQ(Main({}), 1);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString prompt = world.notifier.calls[0].prompt;
    EXPECT_TRUE(prompt.contains(world.dataPath().chopped(1))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("another user"))) << prompt.toStdString();
}

namespace {

// Writes a file as another user (nobody) would have left it there.
void PlantAsNobody(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Another user who can write to the folder XDG_CONFIG_HOME names made Tarvel/
// there first, with a remembered login of his own: nothing of it is read,
// nothing is written into it, and the box names it.
TEST_F(ProgramStart, ASettingsFolderOfAnotherUserIsRefusedBeforeAnythingIsRead) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    const QString shared = world.appPath() + QStringLiteral("/shared");
    const QString folder = shared + QStringLiteral("/Tarvel");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    const QByteArray planted = "[Main]\nLastUpdated=1/4/2000\nVersion=1.0.3\n[Login]\n"
                               "AutoLogin=1\nUser0=mallory\nPassword=mallorypw\n";
    PlantAsNobody(folder + QStringLiteral("/Tarvel.ini"), planted);
    PlantAsNobody(folder + QStringLiteral("/Registry.ini"),
                  "[HKEY_CURRENT_USER\\Software\\Tarvel\\Contacts]\nVCardFile=/planted.vcf\n");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(shared));

    EXPECT_EQ(Main({}), 1);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString prompt = world.notifier.calls[0].prompt;
    EXPECT_TRUE(prompt.contains(folder)) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("another user"))) << prompt.toStdString();
    EXPECT_TRUE(frmButton::Loaded() == nullptr || !frmButton::Loaded()->isVisible());
    // Neither program reads it or writes into it later either.
    EXPECT_NE(GetSetting(QStringLiteral("Login"), QStringLiteral("User0")), "mallory");
    EXPECT_FALSE(platform::SaveSetting(kAppTitle, QStringLiteral("Login"),
                                       QStringLiteral("Password"), QStringLiteral("mine")));
    platform::RegistryValue value;
    EXPECT_NE(platform::RegReadValue(platform::HKEY_CURRENT_USER,
                                     QStringLiteral("Software\\Tarvel\\Contacts"),
                                     QStringLiteral("VCardFile"), &value),
              0);
    EXPECT_EQ(Bytes(folder + QStringLiteral("/Tarvel.ini")), planted);
    const QFileInfo ini(folder + QStringLiteral("/Tarvel.ini"));
    EXPECT_EQ(ini.ownerId(), 65534u);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
              2);
}

TEST_F(ProgramStart, AWiderSettingsFolderIsNarrowed) {
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), QStringLiteral("1/4/2000"));
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    const QString folder = world.configHome() + QStringLiteral("/Tarvel");
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    ASSERT_EQ(Main({}), -1);
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0);
}

// A link planted at $XDG_DATA_HOME/Tarvel that points to a folder of the
// user: the folder it points to is left as it was.
TEST_F(ProgramStart, ALinkAtTheDataFolderIsRefusedNeverFollowed) {
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), QStringLiteral("1/4/2000"));
    const QString target = world.appPath() + QStringLiteral("/documents");
    ASSERT_TRUE(QDir().mkpath(target));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0755), 0);
    ASSERT_TRUE(QDir(world.dataHome()).removeRecursively());
    ASSERT_TRUE(QFile::link(target, world.dataHome()));
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(QFile::encodeName(world.dataHome()).constData(), 65534, 65534), 0);
    }

    EXPECT_EQ(Main({}), 1);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString prompt = world.notifier.calls[0].prompt;
    EXPECT_TRUE(prompt.contains(world.dataHome())) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("symbolic link"))) << prompt.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_TRUE(
        QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
