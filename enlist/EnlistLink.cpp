#include "enlist/EnlistLink.h"

#include "platform/Http.h"
#include "platform/Latin1Text.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <future>

namespace EnlistLink {

namespace {

int g_timeoutMs = 60000;
int g_busy = 0;

// Same fixed host as Tarvel's fallback when its discovery finds nothing.
const QString kDefaultServerHost = QStringLiteral("www1.tarvel.com");

} // namespace

QString DefaultServerHost() {
    const QString env = qEnvironmentVariable("TARVEL_SERVER_HOST");
    return env.isEmpty() ? kDefaultServerHost : env;
}

QString ServerAddress(const QString& page) {
    return QStringLiteral("http://") + DefaultServerHost() + page;
}

int TimeoutMs() {
    return g_timeoutMs;
}

void SetTimeoutMs(int ms) {
    g_timeoutMs = ms > 0 ? ms : 60000;
}

bool Busy() {
    return g_busy > 0;
}

PostResult Post(const QString& path, const QString& data) {
    PostResult result;
    platform::HttpRequest request;
    platform::SplitHostPort(DefaultServerHost(), &request.host, &request.port);
    if (request.host.isEmpty()) {
        result.error = platform::kInetNameNotResolved;
        return result;
    }
    request.method = "POST";
    request.path = path.toLatin1();
    request.version = "HTTP/1.0";
    request.headers << "User-Agent: http generic";
    request.headers << "Content-Type: application/x-www-form-urlencoded";
    request.body = platform::EncodeAnsi(data);
    request.timeoutMs = g_timeoutMs;
    request.deadlineMs = g_timeoutMs;

    // The client's own time-out restarts with every piece of data; a server
    // that trickles bytes would hold it for ever, so the whole exchange gets
    // one deadline here.
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    std::future<platform::HttpResponse> pending = std::async(
        std::launch::async, [request, cancel] { return platform::Fetch(request, cancel.get()); });

    ++g_busy;
    QElapsedTimer clock;
    clock.start();
    while (pending.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (clock.elapsed() >= g_timeoutMs)
            cancel->store(true);
        // Repaint and run timers, but leave keys and clicks queued until the
        // handler that asked has finished, as the blocking call of the
        // design did.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    --g_busy;

    const platform::HttpResponse response = pending.get();
    result.error = cancel->load() && response.error != 0 ? platform::kInetTimeout : response.error;
    result.status = response.status;
    result.body = response.body;
    return result;
}

QString URLEncode(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char(' '), QLatin1Char('+'));
    out.replace(QLatin1Char('"'), QStringLiteral("%22"));
    out.replace(QLatin1Char('\''), QStringLiteral("%27"));
    out.replace(QLatin1Char('&'), QStringLiteral("%26"));
    out.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    return out;
}

} // namespace EnlistLink
