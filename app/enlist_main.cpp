// Enlist, the enrolment wizard. Tarvel starts it with no parameter, with
// "/addnew", or with "/register user,password" as one parameter; a parameter
// text split over several arguments by a shell is joined again with blanks.
#include "core/modStartup.h"
#include "enlist/frmEnlist.h"
#include "platform/AppPath.h"
#include "platform/DesignFont.h"
#include "platform/Notifier.h"
#include "platform/ProgramStart.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

namespace {

const char kHelp[] = R"( [/addnew | /register USER,PASSWORD]
The Tarvel enrolment wizard: logs in to an account or signs up a new one, and
on a first installation downloads and starts the menu database installer.

  (nothing)                 log in or sign up, then install the menu database
  /addnew                   sign up a new account only
  /register USER,PASSWORD   finish the sign-up of an existing account
  -h, --help                show this help and exit
  -v, --version             show the version and exit
)";

// The version of the Tarvel it belongs to (the numbers are shared; the text
// is joined here so that Enlist needs none of Tarvel's code).
QString VersionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(modStartup::kVersionMajor)
        .arg(modStartup::kVersionMinor)
        .arg(modStartup::kVersionRevision);
}

} // namespace

int main(int argc, char** argv) {
    const int early = platform::CheckCommandLine(
        argc, argv, {QStringLiteral("Enlist"), VersionText(), QString::fromLatin1(kHelp), true});
    if (early >= 0)
        return early;
    const std::unique_ptr<QApplication> app =
        platform::OpenApplication(argc, argv, QStringLiteral("Enlist"));
    platform::UseDesignFont();
    QApplication::setApplicationName(QStringLiteral("Enlist"));
    // The window decides when the program ends (it may end before it was
    // ever shown, and message boxes come and go before it appears).
    QApplication::setQuitOnLastWindowClosed(false);

    // Enlist reads and writes Tarvel's settings: the same folder, the same
    // rule (see PrepareSettingsFolder).
    QString folder, reason;
    if (!platform::PrepareSettingsFolder(&folder, &reason)) {
        platform::MsgBox(QStringLiteral("Enlist cannot use the folder \"%1\" for its settings: %2.")
                             .arg(QDir::toNativeSeparators(folder), reason),
                         platform::vbCritical, QStringLiteral("Enlist"));
        return 1;
    }

    const QString commandLine = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    frmEnlist window(commandLine);
    QObject::connect(&window, &frmEnlist::Unloaded, app.get(), &QApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    if (window.IsUnloaded()) {
        platform::FinishPageOpens();
        return 0;
    }
    window.show();
    const int result = QApplication::exec();
    platform::FinishPageOpens();
    return result;
}
