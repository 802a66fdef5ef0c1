// Tarvel: the desktop button. Installs the windows (InstallWindows), runs the
// start-up and then the event loop; the process ends when its last window is
// gone.
#include "app/InstallWindows.h"
#include "core/ButtonWindow.h"
#include "core/LoginWindow.h"
#include "core/MenuChain.h"
#include "core/modGlobals.h"
#include "core/modLogin.h"
#include "core/modStartup.h"
#include "platform/DesignFont.h"
#include "platform/DesktopPopup.h"
#include "platform/Measurements.h"
#include "platform/ProgramStart.h"
#include "platform/SessionEnd.h"
#include "platform/Shell.h"
#include "shell/ShellHooks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

const char kHelp[] = R"( [/setup]
The Tarvel button: logs in to the Tarvel service, keeps its menu database up to
date and opens its menus of web destinations.

  /setup         show the Welcome page at start
  -h, --help     show this help and exit
  -v, --version  show the version and exit

Settings: $XDG_CONFIG_HOME/Tarvel/Tarvel.ini (~/.config/Tarvel/Tarvel.ini)
Data:     $XDG_DATA_HOME/Tarvel/data and images (~/.local/share/Tarvel)
)";

// The session's end gives a few seconds; the category log's upload gets most
// of them, the table's flush the rest.
constexpr int kSessionEndSeconds = 5;
constexpr int kLastUploadMs = 3000;

// SIGTERM or SIGHUP: what Close does (the windows unloaded, the logout with
// its category log, the table flushed and closed), then the process ends at
// once. It may run inside a nested wait (a request, a message box) whose
// caller must not go on with the store released, so it never returns.
void EndWithTheSession() {
    windows::menuChain().UnloadHomeMenu();
    windows::login().Unload();
    windows::button().Unload();
    const QWidgetList others = QApplication::topLevelWidgets();
    for (QWidget* window : others) {
        if (window->isVisible())
            window->hide();
    }
    modLogin::EndSession(kLastUploadMs);
    modStartup::ReleaseSingleInstance();
    std::fflush(nullptr);
    ::_exit(0);
}

// The X server gone: the same without the windows, which can no longer be
// reached; the process then ends with the status Qt chose.
void EndWithoutDisplay() {
    modLogin::EndSession(kLastUploadMs);
    std::fflush(nullptr);
    ::_exit(1);
}

// TARVEL_REPORT_SHOWN=1 (the start-up measurement): report the button's
// first exposure on screen, and end.
void ReportWhenShown(platform::StartReport& report) {
    if (!platform::StartReport::Wanted())
        return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == modGlobals::kAppTitle) {
            report.Watch(w->windowHandle());
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const int early = platform::CheckCommandLine(
        argc, argv,
        {modGlobals::kAppTitle, modStartup::VersionText(), QString::fromLatin1(kHelp), false});
    if (early >= 0)
        return early;
    const std::unique_ptr<QApplication> app =
        platform::OpenApplication(argc, argv, modGlobals::kAppTitle);
    platform::UseDesignFont();
    // The button, the login window and the menus stay off the task list.
    platform::KeepPopupsOffTaskbar();
    QApplication::setApplicationName(modGlobals::kAppTitle);
    QApplication::setApplicationVersion(modStartup::VersionText());
    // Qt would end the program when a message box closes: it does not count
    // the button, a tool window, as a window. EndWhenLastWindowGone decides.
    QApplication::setQuitOnLastWindowClosed(false);

    InstallWindows();

    const int exitCode = modGlobals::Main(QApplication::arguments().mid(1));
    if (exitCode >= 0) {
        modStartup::ReleaseSingleInstance();
        return exitCode;
    }
    platform::StartReport report(clock);
    ReportWhenShown(report);
    platform::PauseReport pauses;
    EndWhenLastWindowGone([] { QApplication::quit(); });
    platform::WatchEndSignals(EndWithTheSession, kSessionEndSeconds);
    platform::WhenDisplayLost(EndWithoutDisplay, kSessionEndSeconds);
    const int result = QApplication::exec();
    platform::ExitExpected();
    // Close started the category log's upload: the process must not end
    // before it has left.
    modLogin::WaitForUpload();
    platform::FinishPageOpens();
    EndWhenLastWindowGone(nullptr);
    modStartup::ReleaseSingleInstance();
    return result;
}
