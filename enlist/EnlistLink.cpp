#include "enlist/EnlistLink.h"

#include "platform/Http.h"
#include "platform/Latin1Text.h"
#include "platform/RequestWait.h"

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
    // one deadline too.
    ++g_busy;
    const platform::HttpResponse response =
        platform::FetchWaiting(request, {}, platform::WaitTimers::Run);
    --g_busy;
    result.error = response.error;
    result.status = response.status;
    result.body = response.body;
    return result;
}

} // namespace EnlistLink
