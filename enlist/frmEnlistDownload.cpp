// The last step of a first installation: fetch the menu database's installer
// from the address the service names, save it in the data folder and start
// it; on any failure, send the user to the service's download page instead.
#include "enlist/frmEnlist.h"

#include "enlist/EnlistLink.h"
#include "platform/AppPath.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QUrl>

namespace {

const QString kLocatorPage = QStringLiteral("/Vantrix/internal/getDBURL.asp");
const QString kFallbackPage = QStringLiteral("/tarvel/downloaddb.asp");

bool Answered(const platform::TransferControl& inet) {
    return inet.ResponseCode() == 0 && inet.StatusCode() >= 200 && inet.StatusCode() < 300;
}

// The locator's answer must name a web address of its own; an error page or
// an empty answer names none.
bool IsWebAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

// Writes the installer whole: the bytes go to a temporary file that replaces
// the old one only once complete, so no tail of a larger old installer is
// ever left behind and a failed write leaves nothing half-done to start.
bool SaveInstaller(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
}

} // namespace

void frmEnlist::DownloadDB() {
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    cmdCancel->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The downloads block the thread; let "Please wait..." be seen first.
    if (isVisible())
        repaint();

    bool started = false;
    Inet1->SetTimeoutMs(EnlistLink::TimeoutMs());
    const QString locator = Inet1->OpenURLText(EnlistLink::ServerAddress(kLocatorPage));
    const QString address = locator.trimmed();
    if (Answered(*Inet1) && IsWebAddress(address)) {
        const QByteArray installer = Inet1->OpenURLBytes(address);
        const QDir data(platform::AppPath() + QStringLiteral("/data"));
        const QString path = data.filePath(QStringLiteral("db.exe"));
        if (Answered(*Inet1) && !installer.isEmpty() && data.exists() &&
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
