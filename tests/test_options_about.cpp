// The options dialog (what OK stores and where, what Cancel leaves alone, the
// rules for the typed minutes and the stored speed, the button positions with
// and without a taskbar rebar, the Quick Launch set-up and its progress
// window) and the About box (caption, version, licence line and text, the
// system-information tool). Screenshots of both go into the build folder.
#include "core/modGlobals.h"
#include "core/modQuickLaunch.h"
#include "core/modTaskbar.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/TaskbarScripted.h"
#include "shell/DialogHooks.h"
#include "shell/frmAbout.h"
#include "shell/frmMessage.h"
#include "shell/frmOptions.h"
#include "support/Files.h"
#include "support/Screenshot.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gUserID = 1234;
        dialogs.showError = [this](const QString& msg, int, const QString&) { errors << msg; };
    }
    void TearDown() override {
        modQuickLaunch::SetWaitFunction(nullptr);
        modQuickLaunch::SetTempFolder(QString());
    }
    QString Setting(const QString& section, const QString& key) {
        return GetSetting(section, key, QStringLiteral("<none>"));
    }
    // Opens the dialog, lets `edit` change it, and presses OK.
    void OkWith(const std::function<void(frmOptions&)>& edit) {
        auto* form = new frmOptions();
        edit(*form);
        form->cmdOK->click();
        EXPECT_FALSE(gOptionsLoaded);
    }

    testsupport::TestWorld world;
    QStringList errors;
    // The progress window is real; the error dialog only records.
    testsupport::Installed<ShellDialogs> shellDialogs;
    testsupport::ScriptedDialogs dialogs;
};

} // namespace

TEST_F(OptionsTest, OkStoresPerUserAndSharedValuesCancelStoresNothing) {
    gLogoutTime = 7;
    OkWith([](frmOptions& f) {
        f.txtLogoutTime->setText(QStringLiteral("2.5"));
        f.Slider->setValue(7);
        f.optFavorites[1]->setChecked(true);
    });
    EXPECT_EQ(Setting(QStringLiteral("Options1234"), QStringLiteral("LogoutTime")),
              QStringLiteral("2.5"));
    EXPECT_EQ(gLogoutTime, 2); // half to even
    EXPECT_EQ(Setting(QStringLiteral("Options1234"), QStringLiteral("AniSpeed")), "7");
    EXPECT_EQ(gAniSpeed, 7);
    EXPECT_EQ(Setting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")), "0");
    EXPECT_EQ(Setting(QStringLiteral("Options"), QStringLiteral("FavoritesPosition")), "1");
    EXPECT_EQ(gFavoritesPosition, 1);
    // Another user's section is not touched.
    EXPECT_EQ(Setting(QStringLiteral("Options"), QStringLiteral("LogoutTime")), "<none>");

    const QString ini = world.configHome() + QStringLiteral("/Tarvel/Tarvel.ini");
    const QByteArray before = ReadFile(ini);
    ASSERT_FALSE(before.isEmpty());
    auto* form = new frmOptions();
    EXPECT_EQ(form->txtLogoutTime->text(), QStringLiteral("2.5"));
    EXPECT_EQ(form->Slider->value(), 7);
    EXPECT_TRUE(form->optFavorites[1]->isChecked());
    form->txtLogoutTime->setText(QStringLiteral("9"));
    form->Slider->setValue(25);
    form->optFavorites[0]->setChecked(true);
    form->cmdCancel->click();
    EXPECT_EQ(ReadFile(ini), before);
    EXPECT_EQ(gLogoutTime, 2);
    EXPECT_EQ(gAniSpeed, 7);
    EXPECT_FALSE(gOptionsLoaded);
}

TEST_F(OptionsTest, MinutesThatAreNoNumberAreIgnoredButTheRestIsApplied) {
    const QString section = QStringLiteral("Options1234");
    for (const char* text : {"9e9", "abc", "1,5", "", "-"}) {
        SCOPED_TRACE(text);
        SaveSetting(section, QStringLiteral("LogoutTime"), QStringLiteral("4"));
        gLogoutTime = 4;
        OkWith([text](frmOptions& f) {
            f.txtLogoutTime->setText(QString::fromLatin1(text));
            f.Slider->setValue(3);
        });
        EXPECT_EQ(Setting(section, QStringLiteral("LogoutTime")), "4");
        EXPECT_EQ(gLogoutTime, 4);
        EXPECT_EQ(Setting(section, QStringLiteral("AniSpeed")), "3");
        EXPECT_EQ(gAniSpeed, 3);
    }
    // Within 32 bits and written the C way: a number, whatever the locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    OkWith([](frmOptions& f) { f.txtLogoutTime->setText(QStringLiteral("3.5")); });
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(gLogoutTime, 4);
    EXPECT_EQ(Setting(section, QStringLiteral("LogoutTime")), "3.5");
}

TEST_F(OptionsTest, StoredSpeedOutOfRangeOrNoNumberAndLongStoredMinutes) {
    const QString section = QStringLiteral("Options1234");
    const std::pair<const char*, int> cases[] = {{"99", 25}, {"-4", 0}, {"fast", 19}, {"12", 12}};
    for (const auto& [stored, shown] : cases) {
        SaveSetting(section, QStringLiteral("AniSpeed"), QString::fromLatin1(stored));
        frmOptions form;
        EXPECT_EQ(form.Slider->value(), shown) << stored;
    }
    SaveSetting(section, QStringLiteral("LogoutTime"), QStringLiteral("12345"));
    frmOptions form;
    EXPECT_EQ(form.txtLogoutTime->text(), QStringLiteral("12345"));
}

TEST_F(OptionsTest, WithoutRebarOnlyTheFloatingPositionCanBeChosen) {
    gButtonPosition = 2;
    gReBarHwnd = 0;
    frmOptions form;
    EXPECT_FALSE(form.optPosition[0]->isEnabled());
    EXPECT_FALSE(form.optPosition[1]->isEnabled());
    EXPECT_TRUE(form.optPosition[2]->isChecked());
    form.StartupPage(1);
    EXPECT_EQ(form.TabStrip1->currentIndex(), 0);
    testsupport::Screenshot(&form, QStringLiteral("options.png"));
}

TEST_F(OptionsTest, QuickLaunchSetUpShowsProgressAndIsNotRepeated) {
    platform::ScriptedTaskbar bar;
    FindTaskbarWindows();
    ASSERT_NE(gReBarHwnd, 0u);
    QTemporaryDir shellDir;
    const QString appData = shellDir.path() + QStringLiteral("/AppData");
    const QString ql = appData + QStringLiteral("/Microsoft/Internet Explorer/Quick Launch/");
    bar.shellFolders[platform::CSIDL_APPDATA] = appData;
    bar.shellFolders[platform::CSIDL_PROGRAMS] = shellDir.path() + QStringLiteral("/Programs");
    WriteFile(shellDir.path() + QStringLiteral("/Programs/Tarvel.lnk"), "tarvel");
    WriteFile(ql + QStringLiteral("Mail.lnk"), "mail");
    modQuickLaunch::SetTempFolder(shellDir.path() + QStringLiteral("/temp"));
    QStringList seen;
    modQuickLaunch::SetWaitFunction([&seen](double) {
        const frmMessage* m = frmMessage::Loaded();
        seen << (m && m->isVisible() ? m->lblMessage->text() : QStringLiteral("<no window>"));
    });

    gButtonPosition = 0;
    OkWith([](frmOptions& f) {
        EXPECT_TRUE(f.optPosition[1]->isEnabled());
        f.optPosition[1]->setChecked(true);
    });
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.first(), QStringLiteral("Configuring taskbar. Please wait..."));
    QApplication::processEvents();
    EXPECT_EQ(frmMessage::Loaded(), nullptr);
    EXPECT_EQ(gButtonPosition, 2);
    EXPECT_EQ(Setting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")), "2");
    EXPECT_TRUE(QFileInfo::exists(ql + QStringLiteral("Tarvel1.lnk")));

    // Chosen again: the folder is left as it is.
    seen.clear();
    QFile::remove(ql + QStringLiteral("Tarvel1.lnk"));
    OkWith([](frmOptions& f) { EXPECT_TRUE(f.optPosition[1]->isChecked()); });
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(ql + QStringLiteral("Tarvel1.lnk")));
    EXPECT_EQ(gButtonPosition, 2);

    // A set-up that fails leaves the floating position stored, not "2".
    gButtonPosition = 1;
    QDir(ql).removeRecursively();
    OkWith([](frmOptions& f) { f.optPosition[1]->setChecked(true); });
    EXPECT_EQ(gButtonPosition, 0);
    EXPECT_EQ(Setting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")), "0");
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(frmMessage::Loaded(), nullptr);
}

TEST(AboutBox, CaptionVersionLicenceAndText) {
    testsupport::TestWorld world;
    {
        frmAbout about;
        EXPECT_TRUE(gAboutLoaded);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tarvel"));
        EXPECT_EQ(about.lblTitle->text(), QStringLiteral("Tarvel"));
        EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 1.0.3"));
        // Before any login: the line with nobody behind it.
        EXPECT_EQ(about.lblLicense->text(), QStringLiteral("This product licensed to: "));
        EXPECT_TRUE(about.txtEUL->toPlainText().isEmpty());
        EXPECT_FALSE(about.picIcon->pixmap().isNull());
    }
    EXPECT_FALSE(gAboutLoaded);

    gRegisteredName = QStringLiteral("Bob Smith");
    WriteFile(world.dataPath() + QStringLiteral("EUL.txt"),
              "END-USER LICENCE\r\nYou may use this program.\nNo warranty.");
    frmAbout about;
    EXPECT_EQ(about.lblLicense->text(), QStringLiteral("This product licensed to: Bob Smith"));
    const QStringList lines = about.txtEUL->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].trimmed(), QStringLiteral("END-USER LICENCE"));
    EXPECT_EQ(lines[2].trimmed(), QStringLiteral("No warranty."));
    testsupport::Screenshot(&about, QStringLiteral("about.png"));
    // Esc unloads it as OK does.
    about.reject();
    EXPECT_FALSE(gAboutLoaded);
}

TEST(AboutBox, SystemInformationToolFromRegistryElsePathElseMessage) {
    testsupport::TestWorld world;
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    frmAbout about;

    about.cmdSysInfo->click();
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(world.notifier.calls[0].flags, platform::vbOKOnly);
    EXPECT_TRUE(world.shell.calls.isEmpty());

    // A known Linux tool on the PATH; a file that cannot run does not count.
    WriteFile(bin.path() + QStringLiteral("/hardinfo2"), "not executable");
    WriteFile(bin.path() + QStringLiteral("/hardinfo"), "#!/bin/sh\n");
    QFile::setPermissions(bin.path() + QStringLiteral("/hardinfo"),
                          QFile::ReadOwner | QFile::ExeOwner);
    about.StartSysInfo();
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, bin.path() + QStringLiteral("/hardinfo"));

    // The registry's path comes first, then the Linux tool; when neither
    // starts the user is told.
    WriteFile(platform::RegistryFilePath(),
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
              "PATH=\"/opt/tools/msinfo\"\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\nSize=dword:1a\n");
    world.shell.result = false;
    about.StartSysInfo();
    ASSERT_EQ(world.shell.calls.size(), 3);
    EXPECT_EQ(world.shell.calls[1].file, QStringLiteral("/opt/tools/msinfo"));
    EXPECT_EQ(world.shell.calls[2].file, bin.path() + QStringLiteral("/hardinfo"));
    EXPECT_EQ(world.notifier.calls.size(), 2);
    qputenv("PATH", oldPath);

    QString value = QStringLiteral("old");
    EXPECT_TRUE(about.GetKeyValue(platform::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"),
                                  QStringLiteral("Size"), value));
    // The trailing NUL byte is dropped as a string terminator would be.
    EXPECT_EQ(value, QStringLiteral("&h001A"));
    EXPECT_FALSE(about.GetKeyValue(platform::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"),
                                   QStringLiteral("Missing"), value));
    EXPECT_EQ(value, QString());
}

TEST(AboutBox, AWrongRegistryPathFallsBackToTheLinuxTool) {
    testsupport::TestWorld world;
    // The real shell: the wrong path once started nothing and told nothing.
    platform::SetShell(nullptr);
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("ran"));
    WriteFile(bin.path() + QStringLiteral("/hardinfo"),
              "#!/bin/sh\necho ran > '" + marker.toLocal8Bit() + "'\n");
    QFile::setPermissions(bin.path() + QStringLiteral("/hardinfo"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    WriteFile(platform::RegistryFilePath(),
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
              "PATH=\"/nowhere/msinfo32.exe\"\n");
    frmAbout about;
    about.cmdSysInfo->click();
    EXPECT_TRUE(QTest::qWaitFor([&marker] { return QFile::exists(marker); }, 5000));
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    // Without the Linux tool the user is told.
    qputenv("PATH", QByteArray("/nowhere"));
    about.cmdSysInfo->click();
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              QStringLiteral("System Information Is Unavailable At This Time"));
    qputenv("PATH", oldPath);
    platform::SetShell(&world.shell);
}
