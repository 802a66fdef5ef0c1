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
#include "platform/RequestWait.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modStartup {

namespace {

std::unique_ptr<QLocalServer> g_server;
// The open lock file while this process is the running instance; -1 otherwise.
int g_lockFd = -1;
QString g_lockPath;
int g_errorWaitLimitMs = 0;

constexpr int kConnectWaitMs = 1000;
// How long a second start looks for the first one's socket, which the first
// opens just after it took the lock.
constexpr int kFindFirstMs = 3000;

// Another user may have connected (the shared temporary folder): only a
// process of this user is listened to.
bool PeerIsThisUser(qintptr descriptor) {
    struct ucred cred {};
    socklen_t size = sizeof cred;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           cred.uid == ::getuid();
}

void OnActivateRequest(QLocalServer* server) {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto reader = std::make_shared<ActivateReader>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, reader] {
            switch (reader->Feed(socket->readAll())) {
            case ActivateReader::Wait:
                return;
            case ActivateReader::Activate:
                windows::button().Activate();
                break;
            case ActivateReader::Refuse:
                break;
            }
            socket->disconnectFromServer();
        });
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

// Which process is the running instance is decided by a lock on a file in
// the settings folder, which is private to the user (checked before this
// runs): no other user can hold it, wherever the socket has to live. The
// lock goes with the process, however it ends.
enum class Lock { Taken, HeldByAnother, Unavailable };
Lock TakeLock(const QString& path) {
    if (g_lockFd >= 0 && g_lockPath == path)
        return Lock::HeldByAnother; // this process is the running instance
    modStartup::ReleaseSingleInstance();
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Lock::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Lock::HeldByAnother : Lock::Unavailable;
    }
    g_lockFd = fd;
    g_lockPath = path;
    return Lock::Taken;
}

// Asks the running instance to bring its button forward. False when no
// process of this user answers at the name.
bool AskToActivate(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectWaitMs) || !PeerIsThisUser(socket.socketDescriptor()))
        return false;
    socket.write(kActivateRequest.data(), kActivateRequest.size());
    socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
    return true;
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
            platform::Defer(loop_, [loop] {
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
    // In a folder only this user can write to where one is at hand: the
    // runtime folder, else the settings folder. A path too long for a socket
    // address keeps the shared temporary folder, where another user may take
    // the name first; that decides nothing (the lock does), it only keeps a
    // second start from bringing the first forward.
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
    const QString lockPath = platform::SettingsHome() + QStringLiteral("/.instance-lock");
    const Lock lock = TakeLock(lockPath);
    if (lock == Lock::HeldByAnother) {
        // The first instance may be a moment from listening yet. When it
        // cannot be reached (another user took its socket's name), this start
        // still ends: two instances would write one table.
        QElapsedTimer clock;
        clock.start();
        bool asked = false;
        while (!(asked = AskToActivate(name)) && clock.elapsed() < kFindFirstMs)
            QThread::msleep(50);
        if (!asked)
            qWarning("Tarvel is running already; it could not be asked to come forward.");
        return false;
    }
    // Unavailable: a settings folder the user made read-only; the program
    // runs, as it did before it had a lock, without the guard.
    if (lock == Lock::Taken || !g_server) {
        // This process is the running instance: a socket left at the name by
        // one that crashed is stale. Another user's there cannot be removed;
        // the socket is then missing and a second start ends without bringing
        // this one forward.
        QLocalServer::removeServer(name);
        auto server = std::make_unique<QLocalServer>();
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (server->listen(name)) {
            QLocalServer* raw = server.get();
            QObject::connect(raw, &QLocalServer::newConnection, raw,
                             [raw] { OnActivateRequest(raw); });
            g_server = std::move(server);
        }
    }
    return true;
}

void ReleaseSingleInstance() {
    if (g_server) {
        g_server->close();
        g_server.reset();
    }
    if (g_lockFd >= 0) {
        ::close(g_lockFd);
        g_lockFd = -1;
        g_lockPath.clear();
    }
}

ActivateReader::Result ActivateReader::Feed(QByteArrayView bytes) {
    if (done_)
        return Refuse;
    for (const char c : bytes) {
        if (held_ >= kActivateRequest.size() || c != kActivateRequest[held_]) {
            done_ = true;
            return Refuse;
        }
        ++held_;
        if (held_ == kActivateRequest.size()) {
            done_ = true;
            return Activate;
        }
    }
    return Wait;
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
    // Nothing is read from a settings folder that another user could have
    // filled (a remembered login of his, programs and folders to use), and
    // the single-instance lock lives there.
    QString folder, reason;
    if (!platform::PrepareSettingsFolder(&folder, &reason)) {
        platform::MsgBox(QStringLiteral("Tarvel cannot use the folder \"%1\" for its settings: %2.")
                             .arg(QDir::toNativeSeparators(folder), reason),
                         platform::vbCritical, kAppTitle);
        return 1;
    }
    if (!modStartup::ClaimSingleInstance())
        return 0;

    const QString commandLine = arguments.join(QLatin1Char(' '));
    // Without a folder for the table, icons and logs every login would fail
    // with a database message that names the wrong cause; say the real one
    // now, before a first run hands over to Enlist to download into it.
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
