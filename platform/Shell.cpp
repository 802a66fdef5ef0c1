#include "platform/Shell.h"

#include "platform/Latin1Text.h"
#include "platform/Notifier.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>

namespace platform {

QByteArray PageAddressBytes(const QString& address) {
    // Characters that may stand in an address as they are; the rest is
    // escaped. QUrl's tolerant mode re-encoded every "%" once one "%"
    // started no escape, and toLatin1() turned the code page's 0x80-0x9F
    // into "?".
    static const QByteArray kPlain =
        QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                          "0123456789-._~:/?#[]@!$&'()*+,;=");
    static const char kHex[] = "0123456789ABCDEF";
    // The service's code page; a character it has no byte for (an address
    // from a bookmark file) goes as its UTF-8 bytes, as browsers send it.
    QByteArray bytes;
    QString wide;
    for (const QChar c : address) {
        if (IsAnsi(c)) {
            bytes += wide.toUtf8() + EncodeAnsi(QString(c));
            wide.clear();
        } else {
            wide += c;
        }
    }
    bytes += wide.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<uchar>(bytes.at(i));
        if (c == '%' && i + 2 < bytes.size() && isxdigit(static_cast<uchar>(bytes.at(i + 1))) &&
            isxdigit(static_cast<uchar>(bytes.at(i + 2)))) {
            out += bytes.mid(i, 3); // an escape the address already holds
            i += 2;
        } else if (c < 0x80 && c != '%' && kPlain.contains(static_cast<char>(c))) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

QUrl PageUrl(const QString& address) {
    return QUrl::fromEncoded(PageAddressBytes(address), QUrl::StrictMode);
}

QString SchemeOf(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 1 || (colon + 1 < text.size() && text.at(colon + 1).isDigit()))
        return QString();
    for (qsizetype i = 0; i < colon; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && (i == 0 || !other))
            return QString();
    }
    return text.left(colon).toLower();
}

namespace {

// Pages whose xdg-open has not told its result yet, and the loop that waits
// for them at the end of the program.
int g_pendingOpens = 0;
QPointer<QEventLoop> g_finishLoop;

void OpenDone() {
    if (--g_pendingOpens == 0 && g_finishLoop)
        g_finishLoop->quit();
}

// Said in a box, not only on a terminal nobody reads: the user can still
// copy the address into a browser by hand.
void TellNoBrowser(const QString& address) {
    MsgBox(QStringLiteral("No web browser could be started to show this page:\n\n") + address,
           vbInformation, QCoreApplication::applicationName());
}

// xdg-open hands the address to the desktop's browser; when it finds none it
// says so only in its exit status, which may come long after (in a plain X
// session it runs the browser itself and waits for it). It runs in a session
// of its own under a go-between that writes that status to a pipe, so the
// browser outlives this program, and the box still comes if it is running.
bool OpenWithXdgOpen(const QString& xdgOpen, const QString& address, const QUrl& url) {
    // Everything the children need is made before the fork: after it, only
    // calls that are safe in a child of a threaded process.
    const QByteArray program = QFile::encodeName(xdgOpen);
    const QByteArray argument = url.toEncoded();
    char* const argv[] = {const_cast<char*>(program.constData()),
                          const_cast<char*>(argument.constData()), nullptr};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::setsid();
        const pid_t opener = ::fork();
        if (opener == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
            }
            ::execv(argv[0], argv);
            ::_exit(127);
        }
        int status = 0;
        unsigned char code = 255;
        if (opener > 0 && ::waitpid(opener, &status, 0) == opener && WIFEXITED(status))
            code = static_cast<unsigned char>(WEXITSTATUS(status));
        [[maybe_unused]] const ssize_t written = ::write(fds[1], &code, 1);
        ::_exit(0);
    }
    ::close(fds[1]);
    auto* notifier =
        new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, pid, address] {
        notifier->setEnabled(false);
        unsigned char code = 255;
        const ssize_t got = ::read(static_cast<int>(notifier->socket()), &code, 1);
        ::close(static_cast<int>(notifier->socket()));
        ::waitpid(pid, nullptr, 0);
        notifier->deleteLater();
        if (got != 1 || code != 0)
            TellNoBrowser(address);
        OpenDone();
    });
    ++g_pendingOpens;
    return true;
}

bool OpenWebAddress(const QString& address) {
    const QUrl url = PageUrl(address);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty() && QCoreApplication::instance() &&
        OpenWithXdgOpen(xdgOpen, address, url))
        return true;
    // No xdg-utils: Qt tries $BROWSER and the browsers it knows.
    if (QDesktopServices::openUrl(url))
        return true;
    TellNoBrowser(address);
    return false;
}

// Schemes the desktop may open for the programs; any other ("file:",
// "javascript:", a handler another program registered) opens nothing.
bool IsOpenableScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp");
}

class RealShell : public Shell {
public:
    bool Execute(const QString& file, const QString& parameters,
                 const QString& directory) override {
        // An address is never a path: "ftp://x/run.sh" once started the
        // program ./ftp:/x/run.sh.
        const QString scheme = SchemeOf(file);
        if (!scheme.isEmpty()) {
            if (!IsOpenableScheme(scheme))
                return false;
            return OpenWebAddress(file);
        }
        const QFileInfo info(file);
        if (info.isFile() && info.isExecutable()) {
            QStringList args;
            if (!parameters.isEmpty() && parameters != QLatin1String("0"))
                args << parameters;
            const QString dir = directory == QLatin1String("0") ? QString() : directory;
            return QProcess::startDetached(file, args, dir);
        }
        if (info.exists())
            return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
        // A bare host ("www.example.com/page") is a web address; a path that
        // names nothing starts nothing, so the caller can try another way.
        const QUrl guessed = QUrl::fromUserInput(file);
        if (!IsOpenableScheme(guessed.scheme().toLower()))
            return false;
        return QDesktopServices::openUrl(guessed);
    }
};

Shell* g_replacement = nullptr;

} // namespace

void FinishPageOpens(int limitMs) {
    if (g_pendingOpens == 0 || !QCoreApplication::instance())
        return;
    QEventLoop loop;
    g_finishLoop = &loop;
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

Shell& shell() {
    static RealShell real;
    return g_replacement ? *g_replacement : real;
}

void SetShell(Shell* replacement) {
    g_replacement = replacement;
}

} // namespace platform
