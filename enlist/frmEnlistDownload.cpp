// The last step of a first installation: fetch the menu database's installer
// from the address the service names, save it in the data folder and start
// it; on any failure, send the user to the service's download page instead.
#include "enlist/frmEnlist.h"

#include "enlist/EnlistLink.h"
#include "platform/AppPath.h"
#include "platform/Files.h"
#include "platform/Notifier.h"
#include "platform/RequestWait.h"
#include "platform/Shell.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

const QString kLocatorPage = QStringLiteral("/Vantrix/internal/getDBURL.asp");
const QString kFallbackPage = QStringLiteral("/tarvel/downloaddb.asp");
constexpr qint64 kInstallerLimit = 256LL * 1024 * 1024;

// Writes the installer whole (no tail of a larger old installer, nothing
// half-done to start), executable, as a new file that replaces whatever was
// at the name: a link planted there is removed, never written through, as
// deleting the old db.exe first would have done.
bool SaveInstaller(const QString& path, const QByteArray& bytes) {
    return platform::WriteFileWhole(path, bytes, true);
}

} // namespace

// The locator's answer must name a web address of its own; an error page or
// an empty answer names none.
QString frmEnlist::ParseInstallerAddress(const QString& reply) {
    const QString address = reply.trimmed();
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = url.isValid() &&
                     (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
                     !url.host().isEmpty();
    return web ? address : QString();
}

void frmEnlist::DownloadDB() {
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    // The installer may take minutes: Cancel, Escape and the close box stop
    // it (and end Enlist), the only ways out while it comes.
    cmdCancel->setEnabled(true);
    const platform::WaitWindow shown(this, cmdCancel);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The downloads block the thread; let "Please wait..." be seen first.
    if (isVisible())
        repaint();

    bool started = false;
    Inet1->SetTimeoutMs(EnlistLink::TimeoutMs());
    // The installer carries the whole menu database: far beyond a page, yet
    // a reply that never ends must still stop somewhere.
    Inet1->SetByteOpenLimit(kInstallerLimit);
    const QString address =
        ParseInstallerAddress(Inet1->OpenURLText(EnlistLink::ServerAddress(kLocatorPage)));
    if (Inet1->Answered() && !address.isEmpty()) {
        // The installer is large: the count of what has come shows the
        // download moving (the window repaints meanwhile).
        QLabel* wait = Label1.value(32);
        const QString waitText = wait ? wait->text() : QString();
        const auto progress = connect(
            Inet1, &platform::TransferControl::Progress, this, [wait, waitText](qint64 received) {
                if (wait)
                    wait->setText(waitText + QStringLiteral(" %1 KB").arg(received / 1024));
            });
        const QByteArray installer = Inet1->OpenURLBytes(address);
        const bool stopped = platform::LastWaitStopped();
        cmdCancel->setEnabled(false);
        disconnect(progress);
        if (wait)
            wait->setText(waitText);
        // Enlist may be the first program a new account runs: the data
        // folder is made here when Tarvel has not made it yet.
        const QDir data(platform::DataFolder());
        const QString path = data.filePath(QStringLiteral("db.exe"));
        if (stopped) {
            // Stopped by the user: no installer, old or part, is left to be
            // started by hand, and no fallback page is pressed on him.
            QFile::remove(path);
            QApplication::restoreOverrideCursor();
            Unload();
            return;
        }
        if (Inet1->Answered() && !installer.isEmpty() && platform::PrepareDataFolders() &&
            SaveInstaller(path, installer) && QFileInfo::exists(path))
            started = platform::shell().Execute(path, QStringLiteral("0"), QStringLiteral("0"));
    }

    QApplication::restoreOverrideCursor();
    if (!started)
        ShowDownloadFallback();
    Unload();
}

void frmEnlist::ShowDownloadFallback() {
    platform::MsgBox(QStringLiteral("Tarvel was unable to download its database automatically. "
                                    "Tarvel will now open a web page where you can download and "
                                    "install the database file. This is the last step in the "
                                    "installation process."),
                     platform::vbInformation, QStringLiteral("Download database"));
    platform::shell().Execute(EnlistLink::ServerAddress(kFallbackPage), QStringLiteral("0"),
                              QStringLiteral("0"));
}
