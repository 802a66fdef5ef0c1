// Tarvel: the desktop button. Installs the windows' hooks, runs the start-up
// and then the event loop; the process ends when its last window is gone.
#include "core/modGlobals.h"
#include "core/modStartup.h"
#include "menus/MenuHooks.h"
#include "platform/DesignFont.h"
#include "platform/DesktopPopup.h"
#include "shell/DialogHooks.h"
#include "shell/MenuCommands.h"
#include "shell/ShellHooks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Absolute placement and stay-on-top need X11 (or XWayland); native Wayland
// ignores both. A platform the user chose stays as it is.
void PreferXcb() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// TARVEL_REPORT_SHOWN=1 (the start-up measurement): print the milliseconds
// from the process start to the button on screen, and end.
void ReportWhenShown(const QElapsedTimer& clock) {
    if (qEnvironmentVariable("TARVEL_REPORT_SHOWN") != QLatin1String("1"))
        return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == modGlobals::kAppTitle) {
            std::printf("shown %lld\n", static_cast<long long>(clock.nsecsElapsed() / 1000));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    PreferXcb();
    QApplication app(argc, argv);
    platform::UseDesignFont();
    // The button, the login window and the menus stay off the task list.
    platform::KeepPopupsOffTaskbar();
    QApplication::setApplicationName(modGlobals::kAppTitle);
    QApplication::setApplicationVersion(modStartup::VersionText());
    // Qt would end the program when a message box closes: it does not count
    // the button, a tool window, as a window. EndWhenLastWindowGone decides.
    QApplication::setQuitOnLastWindowClosed(false);

    InstallShellHooks();
    InstallDialogHooks();
    InstallMenuHooks();
    MenuCommands::InstallMenuCommands();

    const int exitCode = modGlobals::Main(QApplication::arguments().mid(1));
    if (exitCode >= 0) {
        modStartup::ReleaseSingleInstance();
        return exitCode;
    }
    ReportWhenShown(clock);
    EndWhenLastWindowGone([] { QApplication::quit(); });
    const int result = QApplication::exec();
    EndWhenLastWindowGone(nullptr);
    modStartup::ReleaseSingleInstance();
    return result;
}
