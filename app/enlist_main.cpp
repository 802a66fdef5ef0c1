// Enlist, the enrolment wizard. Tarvel starts it with no parameter, with
// "/addnew", or with "/register user,password" as one parameter; a parameter
// text split over several arguments by a shell is joined again with blanks.
#include "enlist/frmEnlist.h"
#include "platform/DesignFont.h"

#include <QApplication>
#include <QStringList>

namespace {

// The window is placed in the middle of the screen, which native Wayland
// ignores; X11 (or XWayland) honours it. A platform the user chose stays.
void PreferXcb() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace

int main(int argc, char** argv) {
    PreferXcb();
    QApplication app(argc, argv);
    platform::UseDesignFont();
    QApplication::setApplicationName(QStringLiteral("Enlist"));
    // The window decides when the program ends (it may end before it was
    // ever shown, and message boxes come and go before it appears).
    QApplication::setQuitOnLastWindowClosed(false);

    const QString commandLine = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    frmEnlist window(commandLine);
    QObject::connect(&window, &frmEnlist::Unloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    if (window.IsUnloaded())
        return 0;
    window.show();
    return app.exec();
}
