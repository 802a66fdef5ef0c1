#include "core/modInternet.h"

#include "core/modGlobals.h"
#include "platform/AppPath.h"
#include "platform/Files.h"
#include "platform/GrabPause.h"
#include "platform/Http.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

using namespace modGlobals;

namespace modInternet {

namespace {

int g_aspTimeoutMs = 60000;

QString EnvOr(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

void WaitWhileExecuting() {
    // The design lets timers and clicks run while the control is busy.
    while (Inet1().StillExecuting()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
}

const QString kCannotConnect = QStringLiteral("Cannot connect");

} // namespace

QString BootstrapHost() {
    return EnvOr("TARVEL_BOOTSTRAP_HOST", QStringLiteral("www.tarvel.com"));
}

QString DefaultServerHost() {
    return EnvOr("TARVEL_SERVER_HOST", QStringLiteral("www1.tarvel.com"));
}

QString MemberHost() {
    return EnvOr("TARVEL_MEMBER_HOST", QStringLiteral("members.tarvel.com"));
}

void GetWebHost() {
    gServerBase = BootstrapHost();
    const QString reply = GetURLText(QStringLiteral("/url.txt"), false);
    // Only a 2xx reply names the server: an error page's lines are no host.
    const bool answered = Inet1().Answered();
    const QStringList lines = answered ? reply.split(QStringLiteral("\r\n")) : QStringList();
    // An empty first or second line ("host" CRLF alone) names no server either:
    // it would make every page address a bare host.
    if (lines.size() < 2 || lines.at(0).isEmpty() || lines.at(1).isEmpty()) {
        gServerHost = DefaultServerHost();
        gServerPath = kDefaultServerPath;
    } else {
        gServerHost = lines.at(0);
        gServerPath = lines.at(1);
    }
    gServerBase = gServerHost + gServerPath;
}

void SetASPDataTimeoutMs(int ms) {
    g_aspTimeoutMs = ms;
}

QString GetASPData(const QString& URL, const QString& Data) {
    platform::HttpRequest request;
    platform::SplitHostPort(gServerHost, &request.host, &request.port);
    if (request.host.isEmpty())
        return QString();
    request.method = "POST";
    request.path = URL.toLatin1();
    request.version = "HTTP/1.0";
    // The agent name the WinInet session was opened with.
    request.headers << "User-Agent: http generic"
                    << "Content-Type: application/x-www-form-urlencoded";
    request.body = Data.toLatin1();
    // The design waited without limit; a server that never answers must not
    // freeze the program for good.
    request.timeoutMs = g_aspTimeoutMs;
    request.deadlineMs = g_aspTimeoutMs;
    const platform::GrabPause pause;
    const platform::HttpResponse response = platform::Fetch(request);
    if (response.error != 0)
        return QString();
    return QString::fromLatin1(response.body);
}

bool GetASPDataToFile(const QString& URL, const QString& Data, const QString& FilePath) {
    const QString reply = GetASPData(URL, Data);
    if (reply.isEmpty())
        return false;
    return platform::WriteFileWhole(FilePath, reply.toLatin1());
}

QString GetURLText(const QString& Page, bool Silent) {
    gInetError = 0;
    WaitWhileExecuting();
    Inet1().Cancel();
    const QString reply = Inet1().OpenURLText(QStringLiteral("http://") + gServerBase + Page);
    gInetError = Inet1().ResponseCode();
    if (gInetError == platform::kInetCannotConnect && !Silent)
        platform::MsgBox(QStringLiteral("Unable to connect to server. Our server may be down. "
                                        "Please try again later. Thank you for your patience."),
                         platform::vbInformation, kCannotConnect);
    return reply;
}

void SubmitPostData(const QString& Page, const QString& Data) {
    SubmitPostData(Page, Data, nullptr);
}

void SubmitPostData(const QString& Page, const QString& Data, std::function<void(bool)> done) {
    gInetError = 0;
    WaitWhileExecuting();
    // The failure is told when it arrives, not right after the start.
    Inet1().Execute(
        QStringLiteral("http://") + gServerBase + Page, QStringLiteral("POST"), Data.toLatin1(),
        QStringLiteral("Content-Type: application/x-www-form-urlencoded"),
        [done](const platform::TransferResult& result) {
            gInetError = result.error;
            if (result.error == platform::kInetCannotConnect)
                platform::MsgBox(
                    QStringLiteral("Unable to connect to server. Our server may be busy. Please "
                                   "try again later. Thank you for your patience."),
                    platform::vbInformation, kCannotConnect);
            if (done)
                done(result.ok());
        });
}

bool DownloadFile(const QString& Page, const QString& FileName) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    platform::TransferControl& inet = Inet1();
    const QByteArray body = inet.OpenURLBytes(QStringLiteral("http://") + gServerBase + Page);
    bool written = false;
    if (inet.Answered() && !body.isEmpty())
        written = platform::WriteFileWhole(FileName, body);
    QApplication::restoreOverrideCursor();
    return written;
}

bool DownloadFileWithin(const QString& Page, const QString& FileName, int timeoutMs,
                        int deadlineMs) {
    const platform::GrabPause pause;
    platform::TransferControl& inet = Inet1();
    const int oldTimeout = inet.TimeoutMs();
    const int oldText = inet.TextDeadlineMs();
    const int oldBytes = inet.BytesDeadlineMs();
    inet.SetTimeoutMs(timeoutMs);
    if (deadlineMs > 0)
        inet.SetDeadlinesMs(oldText, deadlineMs);
    const bool written = DownloadFile(Page, FileName);
    inet.SetTimeoutMs(oldTimeout);
    inet.SetDeadlinesMs(oldText, oldBytes);
    return written;
}

QString URLEncode(const QString& Text) {
    QString s = Text;
    s.replace(QLatin1Char(' '), QLatin1Char('+'));
    s.replace(QLatin1Char('"'), QStringLiteral("%22"));
    s.replace(QLatin1Char('\''), QStringLiteral("%27"));
    s.replace(QLatin1Char('&'), QStringLiteral("%26"));
    s.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    return s;
}

QString QueryEncode(const QString& Text) {
    // Latin-1 text keeps the service's 8-bit encoding; a character beyond it
    // goes as its UTF-8 bytes rather than as a "?".
    QByteArray bytes;
    QString wide; // a run beyond Latin-1, surrogate pairs kept together
    for (const QChar ch : Text) {
        if (ch.unicode() < 256) {
            bytes += wide.toUtf8();
            wide.clear();
            bytes += static_cast<char>(ch.unicode());
        } else {
            wide += ch;
        }
    }
    bytes += wide.toUtf8();
    QString out;
    static const char* hex = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '*') {
            out += QLatin1Char(static_cast<char>(c));
        } else if (c == ' ') {
            out += QLatin1Char('+');
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        }
    }
    return out;
}

void OpenDocument(const QString& URL) {
    platform::shell().Execute(URL, QStringLiteral("0"), QStringLiteral("0"));
}

void OpenServerPage(const QString& Page) {
    platform::shell().Execute(QStringLiteral("http://") + gServerBase + Page, QStringLiteral("0"),
                              QStringLiteral("0"));
}

QString BrowserParameters(int Width, int Height, const QString& URL, const QString& Title) {
    QString title = Title;
    title.replace(QLatin1Char(','), QStringLiteral("%24"));
    return QString::number(Width) + QLatin1Char(',') + QString::number(Height) + QLatin1Char(',') +
           URL + QLatin1Char(',') + title;
}

void OpenBrowserWindow(int Width, int Height, const QString& URL, const QString& Title) {
    const QString program = platform::AppPath() + QStringLiteral("/Browser");
    const QFileInfo info(program);
    if (info.isFile() && info.isExecutable()) {
        platform::shell().Execute(program, BrowserParameters(Width, Height, URL, Title),
                                  QStringLiteral("0"));
        return;
    }
    // No companion browser installed: the default browser shows the page.
    platform::shell().Execute(QStringLiteral("http://") + URL, QStringLiteral("0"),
                              QStringLiteral("0"));
}

platform::TransferControl& Inet1() {
    static platform::TransferControl* control = new platform::TransferControl(qApp);
    return *control;
}

} // namespace modInternet
