// Start-up of Tarvel: single instance, the first-run hand-over to Enlist, the
// shared program state, the button's placement and the version pages.
#include "core/modStartup.h"

#include "core/ButtonWindow.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modQuickLaunch.h"
#include "core/modTaskbar.h"
#include "platform/AppPath.h"
#include "platform/Files.h"
#include "platform/Notifier.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modStartup {

namespace {

std::unique_ptr<QLocalServer> g_server;
int g_errorWaitLimitMs = 0;

constexpr int kConnectWaitMs = 1000;
constexpr QByteArrayView kActivate = "activate\n";

void OnActivateRequest(QLocalServer* server) {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The request itself carries nothing more than "come forward".
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
        windows::button().Activate();
    }
}

// A socket address holds 108 bytes with its end.
constexpr qsizetype kSocketPathRoom = 100;

// A folder of this user that nobody else may write to.
bool IsPrivateFolder(const QString& folder) {
    struct stat st {};
    return !folder.isEmpty() && ::lstat(QFile::encodeName(folder).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 022) == 0;
}

bool PeerIsThisUser(const QLocalSocket& socket) {
    struct ucred cred {};
    socklen_t size = sizeof cred;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                        &size) == 0 &&
           cred.uid == ::getuid();
}

// A window still on screen besides the (hidden) button: after an error in
// Main that is the error dialog.
bool AnyWindowShown() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* w : windows) {
        if (w->isVisible() && w->windowType() != Qt::ToolTip)
            return true;
    }
    return false;
}

// Re-checks whenever a top-level window hides or goes away.
class WindowGoneWatcher : public QObject {
public:
    explicit WindowGoneWatcher(QEventLoop* loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if ((type == QEvent::Hide || type == QEvent::Close || type == QEvent::Destroy) &&
            watched->isWidgetType()) {
            QPointer<QEventLoop> loop(loop_);
            QTimer::singleShot(0, loop_, [loop] {
                if (loop && !AnyWindowShown())
                    loop->quit();
            });
        }
        return false;
    }

private:
    QEventLoop* loop_;
};

// An error in Main leaves no button to end the program with: wait until the
// error dialog is closed, so that the user sees it, and then end.
void WaitForErrorDialog() {
    if (!qApp || !AnyWindowShown())
        return;
    QEventLoop loop;
    WindowGoneWatcher watcher(&loop);
    qApp->installEventFilter(&watcher);
    if (g_errorWaitLimitMs > 0)
        QTimer::singleShot(g_errorWaitLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    qApp->removeEventFilter(&watcher);
}

} // namespace

QString VersionText() {
    return QString::number(kVersionMajor) + QLatin1Char('.') + QString::number(kVersionMinor) +
           QLatin1Char('.') + QString::number(kVersionRevision);
}

QString SingleInstanceName() {
    // The settings folder is part of the name so that a test run with its own
    // XDG_CONFIG_HOME never meets the user's running Tarvel.
    const QString settings = platform::SettingsFilePath(modGlobals::kAppTitle);
    const QByteArray key =
        QByteArray::number(static_cast<qulonglong>(::getuid())) + ':' + QFile::encodeName(settings);
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    const QString name = QStringLiteral("tarvel-") + QString::fromLatin1(hash.left(20));
    // In a folder only this user can write to: in the shared temporary
    // folder another user could listen first, and Tarvel would hand over to
    // that listener and never start. The runtime folder, else the settings
    // folder; a path too long for a socket address keeps the shared folder,
    // where the peer's user is checked instead.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!IsPrivateFolder(folder)) {
        folder = QFileInfo(settings).absolutePath();
        if (!platform::MakePrivateFolder(folder) || !IsPrivateFolder(folder))
            return name;
    }
    const QString path = QDir(folder).filePath(name);
    return QFile::encodeName(path).size() < kSocketPathRoom ? path : name;
}

bool ClaimSingleInstance() {
    const QString name = SingleInstanceName();
    if (g_server && g_server->serverName() != name)
        ReleaseSingleInstance();

    // Two programs started at the same moment must not both find the name
    // free and both listen.
    const QString lockPath = QFileInfo(name).isAbsolute()
                                 ? name + QStringLiteral(".lock")
                                 : QDir::temp().filePath(name + QStringLiteral(".lock"));
    QLockFile lock(lockPath);
    lock.setStaleLockTime(5000);
    lock.tryLock(3000);

    {
        QLocalSocket socket;
        socket.connectToServer(name);
        // Only a Tarvel of this user is asked to come forward.
        if (socket.waitForConnected(kConnectWaitMs) && PeerIsThisUser(socket)) {
            socket.write(kActivate.data(), kActivate.size());
            socket.waitForBytesWritten(kConnectWaitMs);
            socket.disconnectFromServer();
            return false;
        }
    }

    // Nobody answers: a name left behind by a program that crashed is stale.
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name))
        return true; // no guard rather than no program
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw] { OnActivateRequest(raw); });
    g_server = std::move(server);
    return true;
}

void ReleaseSingleInstance() {
    if (g_server) {
        g_server->close();
        g_server.reset();
    }
}

void SetErrorWaitLimitMs(int ms) {
    g_errorWaitLimitMs = ms;
}

} // namespace modStartup

namespace modGlobals {

namespace {

// A runtime error of a start-up step, with the error number it reports.
class StartupError : public std::runtime_error {
public:
    StartupError(const QString& text, int number)
        : std::runtime_error(text.toStdString()), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

int AniSpeedSetting() {
    // A 16-bit setting; out of range counts as not converting.
    const int value = GetSettingLong(UserOptionsSection(), QStringLiteral("AniSpeed"), 19);
    return (value < -32768 || value > 32767) ? 19 : value;
}

void ShowVersionPages(const QString& commandLine) {
    const QString stored = GetSetting(QStringLiteral("Main"), QStringLiteral("Version"));
    if (stored == QLatin1String("0.3.2") || stored == QLatin1String("1.0.0")) {
        modQuickLaunch::RemoveQuickLaunchShortcuts();
        modInternet::GetWebHost();
        modInternet::OpenBrowserWindow(7900, 6800,
                                       gServerBase + QStringLiteral("../WhatsNew.asp?UserID=") +
                                           QString::number(gUserID) + QStringLiteral("&Version=") +
                                           gVersion,
                                       QStringLiteral("What's New"));
    } else if (stored.isEmpty() || commandLine == QLatin1String("/setup")) {
        modInternet::GetWebHost();
        modInternet::OpenBrowserWindow(7900, 6800,
                                       gServerBase + QStringLiteral("../Welcome.asp?UserID=") +
                                           QString::number(gUserID) + QStringLiteral("&Version=") +
                                           gVersion,
                                       QStringLiteral("Welcome to Tarvel"));
    }
}

void RunStartup(const QString& commandLine) {
    gPlatformId = 2; // the NT family: nothing here behaves like Windows 95/98
    gVersion = modStartup::VersionText();
    gSlideFactor = 6;
    const QString appPath = platform::AppPath();
    gDataPath = platform::DataFolder();
    gImagesPath = platform::ImagesFolder();

    gButtonPosition =
        GetSettingLong(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), 1);
    gFavoritesPosition =
        GetSettingLong(QStringLiteral("Options"), QStringLiteral("FavoritesPosition"), 0);
    gAniSpeed = AniSpeedSetting();

    // Loading the button window starts its two timers.
    QWidget* button = windows::button().Load();
    gTrueColor = button ? button->depth() >= 24 : true;

    // Taskbar windows, the button's handle, no rebar forcing position 0, the
    // watcher in position 1 and the first placement.
    PlaceButtonAtStartup(button);

    gNewsCollection = std::make_shared<ItemCollection>();
    ShowVersionPages(commandLine);
    SetFavoritesFolder(gFavoritesPosition);

    // Each save rewrites the settings file; a value already stored is not
    // written again before the button shows.
    for (const auto& [key, value] : {std::pair{QStringLiteral("Version"), gVersion},
                                     std::pair{QStringLiteral("Path"), appPath}})
        if (GetSetting(QStringLiteral("Main"), key, QString()) != value)
            SaveSetting(QStringLiteral("Main"), key, value);
    windows::button().Show();
}

} // namespace

int Main(const QStringList& arguments) {
    if (!modStartup::ClaimSingleInstance())
        return 0;

    const QString commandLine = arguments.join(QLatin1Char(' '));
    // Without a folder for the table, icons and logs every login would fail
    // with a database message that names the wrong cause; say the real one
    // now, before a first run hands over to Enlist to download into it.
    QString folder, reason;
    if (!platform::PrepareDataFolders(&folder, &reason)) {
        platform::MsgBox(QStringLiteral("Tarvel cannot use the folder \"%1\" for its data: %2.")
                             .arg(QDir::toNativeSeparators(folder), reason),
                         platform::vbCritical, kAppTitle);
        return 1;
    }
    try {
        // First run: nothing has ever brought the menu database up to date.
        if (GetSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"),
                       QStringLiteral("X")) == QLatin1String("X")) {
            platform::shell().Execute(platform::AppPath() + QStringLiteral("/Enlist"), QString(),
                                      QStringLiteral("0"));
            return 0;
        }
        RunStartup(commandLine);
        return -1;
    } catch (const StartupError& e) {
        ShowError(QString::fromStdString(e.what()), e.number(), QStringLiteral("modGlobals.Main"));
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 5, QStringLiteral("modGlobals.Main"));
    }
    // The button is not shown; its timers must not keep an invisible program
    // alive.
    windows::button().Unload();
    modStartup::WaitForErrorDialog();
    return 1;
}

} // namespace modGlobals
