#include "core/modInternet.h"

#include "core/modGlobals.h"
#include "platform/AppPath.h"
#include "platform/Files.h"
#include "platform/Http.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"
#include "platform/PointerGrab.h"
#include "platform/RequestWait.h"
#include "platform/Shell.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace modGlobals;

namespace modInternet {

namespace {

int g_aspTimeoutMs = 60000;
// A full reload of a 1,000,000-record table is about 720 MB; an endless
// reply stops well before it fills a disk.
qint64 g_toFileLimit = 1LL << 30;
// What must stay free on the disk of the spool while it is written.
qint64 g_toFileReserve = 256LL * 1024 * 1024;
// A spooled reply may take as long as it keeps coming: a slow link carries
// far more than this in any half minute, a server that trickles bytes not.
constexpr int kToFileStallMs = 30000;
constexpr qint64 kToFileStallBytes = 16 * 1024;
int g_toFileStallMs = kToFileStallMs;
qint64 g_toFileStallBytes = kToFileStallBytes;

QString EnvOr(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

void WaitWhileExecuting() {
    // The design lets timers and clicks run while the control is busy: the
    // event loop runs until the control reports that it is idle.
    platform::TransferControl& inet = Inet1();
    if (!inet.StillExecuting())
        return;
    QEventLoop loop;
    QObject::connect(&inet, &platform::TransferControl::Idle, &loop, &QEventLoop::quit);
    loop.exec();
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

bool ParseWebHost(const QString& reply, QString* host, QString* path) {
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    // An empty first or second line ("host" CRLF alone) names no server: it
    // would make every page address a bare host. A line with a blank or a
    // control character would put a second request line, a header or a
    // different host into every request built from it.
    const auto usable = [](const QString& line) {
        if (line.isEmpty())
            return false;
        for (const QChar c : line) {
            if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control)
                return false;
        }
        return true;
    };
    if (lines.size() < 2 || !usable(lines.at(0)) || !usable(lines.at(1)))
        return false;
    *host = lines.at(0);
    *path = lines.at(1);
    return true;
}

void GetWebHost() {
    gServerBase = BootstrapHost();
    const QString reply = GetURLText(QStringLiteral("/url.txt"), false);
    // Only a 2xx reply names the server: an error page's lines are no host.
    QString host, path;
    if (Inet1().Answered() && ParseWebHost(reply, &host, &path)) {
        gServerHost = host;
        gServerPath = path;
    } else {
        gServerHost = DefaultServerHost();
        gServerPath = kDefaultServerPath;
    }
    gServerBase = gServerHost + gServerPath;
}

void SetASPDataTimeoutMs(int ms) {
    g_aspTimeoutMs = ms;
}

namespace {

// The request GetASPData sends; false when no server host is known.
bool ASPRequest(const QString& URL, const QString& Data, platform::HttpRequest* request) {
    platform::SplitHostPort(gServerHost, &request->host, &request->port);
    if (request->host.isEmpty())
        return false;
    request->method = "POST";
    request->path = URL.toLatin1();
    request->version = "HTTP/1.0";
    // The agent name the WinInet session was opened with.
    request->headers << "User-Agent: http generic"
                     << "Content-Type: application/x-www-form-urlencoded";
    request->body = platform::EncodeAnsi(Data);
    // The design waited without limit; a server that never answers must not
    // freeze the program for good.
    request->timeoutMs = g_aspTimeoutMs;
    request->deadlineMs = g_aspTimeoutMs;
    return true;
}

} // namespace

QString GetASPData(const QString& URL, const QString& Data) {
    platform::HttpRequest request;
    if (!ASPRequest(URL, Data, &request))
        return QString();
    const platform::GrabPause pause;
    const platform::HttpResponse response = platform::FetchWaiting(request);
    // An error page (404, 500, a redirect) is no answer: every caller would
    // take its lines for data, a login or an update.
    if (!response.ok())
        return QString();
    return platform::DecodeAnsi(response.body);
}

void SetASPDataToFileLimits(qint64 maxBytes, qint64 keepFree) {
    g_toFileLimit = maxBytes > 0 ? maxBytes : 1LL << 30;
    g_toFileReserve = keepFree >= 0 ? keepFree : 256LL * 1024 * 1024;
}

void SetASPDataToFileStall(int ms, qint64 bytes) {
    g_toFileStallMs = ms > 0 ? ms : kToFileStallMs;
    g_toFileStallBytes = ms > 0 ? bytes : kToFileStallBytes;
}

namespace {

// The spool of one reply, owned by the exchange on the worker: the worker
// creates the file, writes it, and closes, renames or removes it, also when
// the caller has stopped waiting long before.
struct Spool {
    QString partPath;
    QString filePath;
    qint64 reserve = 0;
    // Read by the caller only once `finished` is set.
    QString localError;
    std::atomic<bool> finished{false};
};

platform::HttpResponse SpoolReply(const std::shared_ptr<Spool>& spool,
                                  const platform::HttpRequest& base,
                                  const std::atomic<bool>* cancel, std::atomic<qint64>* received) {
    platform::HttpResponse response;
    QString localError;
    const QString& partPath = spool->partPath;
    // A file of its own renamed into place, not a QSaveFile: the reply is
    // read once and removed, so forcing it to the disk first (QSaveFile syncs
    // on commit) only made every full reload wait for tens of megabytes to be
    // written out. One left by a run that ended midway is removed, and so is
    // a link planted at the name: the reply never goes through it.
    QFile file;
    if (!platform::CreateNewFile(file, partPath)) {
        spool->localError =
            partPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        response.error = platform::kInetInvalidResponse;
        spool->finished = true;
        return response;
    }
    qint64 written = 0;
    // Everyday updates are a few lines: the free space is looked at only
    // once a reply grows large.
    constexpr qint64 kSpaceCheckStep = 16 * 1024 * 1024;
    qint64 nextSpaceCheck = kSpaceCheckStep;
    platform::HttpRequest request = base;
    request.bodySink = [&](const char* data, qsizetype size) {
        if (written >= nextSpaceCheck) {
            nextSpaceCheck = written + kSpaceCheckStep;
            const QStorageInfo disk(QFileInfo(partPath).absolutePath());
            if (disk.isValid() && disk.bytesAvailable() >= 0 &&
                disk.bytesAvailable() < spool->reserve) {
                localError = QStringLiteral("Not enough free disk space for ") + partPath;
                return false;
            }
        }
        if (file.write(data, size) != size) {
            localError = partPath + QStringLiteral(": ") + file.errorString();
            return false;
        }
        written += size;
        return true;
    };
    response = platform::Fetch(request, cancel, received);
    bool complete = response.ok() && !(cancel && *cancel);
    if (complete && !file.flush())
        localError = partPath + QStringLiteral(": ") + file.errorString();
    complete = complete && localError.isEmpty();
    file.close();
    // rename(2) replaces an old file in one step (QFile::rename would not).
    if (!(complete && file.error() == QFileDevice::NoError &&
          std::rename(QFile::encodeName(partPath).constData(),
                      QFile::encodeName(spool->filePath).constData()) == 0)) {
        QFile::remove(partPath);
        if (response.ok())
            response.error = platform::kInetInvalidResponse;
    }
    spool->localError = localError;
    spool->finished = true;
    return response;
}

} // namespace

bool GetASPDataToFile(const QString& URL, const QString& Data, const QString& FilePath,
                      QString* writeError) {
    platform::HttpRequest request;
    if (!ASPRequest(URL, Data, &request))
        return false;
    // No deadline: a full reload of a large table over a slow link takes as
    // long as it takes, the stall check ends a server that stops or trickles.
    request.deadlineMs = 0;
    request.stallMs = g_toFileStallMs;
    request.stallBytes = g_toFileStallBytes;
    request.maxBodyBytes = g_toFileLimit;
    auto spool = std::make_shared<Spool>();
    spool->partPath = FilePath + QStringLiteral(".part");
    spool->filePath = FilePath;
    spool->reserve = g_toFileReserve;
    const platform::GrabPause pause;
    const platform::HttpResponse response = platform::FetchWaiting(
        request, {}, platform::WaitTimers::Hold,
        [spool](const platform::HttpRequest& r, const std::atomic<bool>* cancel,
                std::atomic<qint64>* received) { return SpoolReply(spool, r, cancel, received); });
    if (response.ok())
        return true;
    // A stopped wait returns before the worker is done with the spool.
    if (writeError && spool->finished)
        *writeError = spool->localError;
    return false;
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
        QStringLiteral("http://") + gServerBase + Page, QStringLiteral("POST"),
        platform::EncodeAnsi(Data),
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

QString QueryEncode(const QString& Text) {
    // The service's 8-bit code page, as every other field and the form files
    // use; the fields refuse what it cannot carry before anything is sent.
    const QByteArray bytes = platform::EncodeAnsi(Text);
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
    // The companion took bare "host/page" addresses; one that names its
    // scheme already must not become "http://https://...".
    platform::shell().Execute(!platform::SchemeOf(URL).isEmpty() ? URL
                                                                 : QStringLiteral("http://") + URL,
                              QStringLiteral("0"), QStringLiteral("0"));
}

platform::TransferControl& Inet1() {
    static platform::TransferControl* control = new platform::TransferControl(qApp);
    return *control;
}

} // namespace modInternet
