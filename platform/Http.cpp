#include "platform/Http.h"

#include "platform/Latin1Text.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace platform {

namespace {

constexpr int kSlice = 50; // ms between checks of cancel, deadline and stall
constexpr long kMaxRedirects = 10;
// Each piece curl hands over; a sink gets at most this much at a time, so a
// fast server's megabytes wait in the kernel while the sink writes.
constexpr long kPieceBytes = 256 * 1024;
// A head this large is no reply of the service (curl's own bound is 100 KB).
constexpr qsizetype kMaxHead = 64 * 1024;

// One easy handle in one multi handle per thread: the multi handle keeps
// the connections a server left open for the next request of this thread.
struct Handles {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    Handles() {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        multi = curl_multi_init();
        easy = curl_easy_init();
    }
    ~Handles() {
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
};

Handles& ThreadHandles() {
    thread_local Handles handles;
    return handles;
}

struct Exchange {
    const HttpRequest* request = nullptr;
    CURL* easy = nullptr;
    std::atomic<qint64>* received = nullptr;
    QByteArray headers;
    QByteArray body;
    qint64 bodySize = 0;
    qint64 stallGot = 0;
    quint64 activity = 0; // bumped by every piece of the reply, head or body
    int ownError = 0;     // why a callback stopped the transfer
};

long CurrentStatus(CURL* easy) {
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t n = size * count;
    ++x->activity;
    QByteArray line(data, static_cast<qsizetype>(n));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    // Every hop (an interim reply, a redirect) starts its own head; the last
    // one is the reply's.
    if (line.startsWith("HTTP/")) {
        x->headers.clear();
        return n;
    }
    if (line.isEmpty())
        return n;
    if (x->headers.size() + line.size() > kMaxHead) {
        x->ownError = kInetInvalidResponse;
        return 0;
    }
    if (!x->headers.isEmpty())
        x->headers += "\r\n";
    x->headers += line;
    return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const auto n = static_cast<qsizetype>(size * count);
    ++x->activity;
    x->stallGot += n;
    x->bodySize += n;
    if (x->received)
        *x->received += n;
    const HttpRequest& request = *x->request;
    if (request.maxBodyBytes > 0 && x->bodySize > request.maxBodyBytes) {
        x->ownError = kInetInvalidResponse;
        return 0;
    }
    const long status = CurrentStatus(x->easy);
    if (request.bodySink && status >= 200 && status < 300) {
        if (!request.bodySink(data, n)) {
            x->ownError = kInetConnectionAborted;
            return 0;
        }
        return static_cast<size_t>(n);
    }
    x->body.append(data, n);
    return static_cast<size_t>(n);
}

// The request target with the bytes no request line may carry escaped:
// curl refuses controls and blanks, would cut the target at a "#", and
// escapes 8-bit bytes itself in lower case. Escaped here, every server reads
// the same bytes back, and what goes out does not depend on curl's version.
QByteArray TargetBytes(const QByteArray& path) {
    static const char* hex = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '#') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    if (!out.startsWith('/'))
        out.prepend('/');
    return out;
}

QByteArray Address(const HttpRequest& request) {
    QByteArray host = request.host.toLatin1();
    if (host.contains(':') && !host.startsWith('['))
        host = '[' + host + ']';
    const quint16 standard = request.scheme == "https" ? 443 : 80;
    QByteArray address = request.scheme + "://" + host;
    if (request.port != standard)
        address += ':' + QByteArray::number(request.port);
    return address + TargetBytes(request.path);
}

// The desktop's proxy for this address, when it names one; otherwise curl
// reads the environment itself (http_proxy, https_proxy, all_proxy,
// no_proxy), which is also what it does for an address the desktop sends
// direct.
QByteArray DesktopProxy(const HttpRequest& request) {
    QUrl url;
    url.setScheme(QString::fromLatin1(request.scheme));
    url.setHost(request.host);
    url.setPort(request.port);
    const QList<QNetworkProxy> proxies =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    for (const QNetworkProxy& proxy : proxies) {
        QByteArray scheme;
        switch (proxy.type()) {
        case QNetworkProxy::HttpProxy:
        case QNetworkProxy::HttpCachingProxy:
            scheme = "http://";
            break;
        case QNetworkProxy::Socks5Proxy:
            scheme = "socks5h://";
            break;
        default:
            return QByteArray();
        }
        if (proxy.hostName().isEmpty())
            return QByteArray();
        QByteArray credentials;
        if (!proxy.user().isEmpty())
            credentials = QUrl::toPercentEncoding(proxy.user()) + ':' +
                          QUrl::toPercentEncoding(proxy.password()) + '@';
        QByteArray host = proxy.hostName().toUtf8();
        if (host.contains(':'))
            host = '[' + host + ']';
        return scheme + credentials + host + ':' + QByteArray::number(proxy.port());
    }
    return QByteArray();
}

int MapCurlError(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return kInetNameNotResolved;
    case CURLE_OPERATION_TIMEDOUT:
        return kInetTimeout;
    // A proxy that is not there, a redirect loop or one to another scheme:
    // the server cannot be reached.
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return kInetCannotConnect;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_FILESIZE_EXCEEDED:
        return kInetInvalidResponse;
    default: // a reset, a body cut short of its length or last chunk, ...
        return kInetConnectionAborted;
    }
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const QByteArray& line) { list = curl_slist_append(list, line.constData()); }
};

} // namespace

void SplitHostPort(const QString& hostAndPort, QString* host, quint16* port) {
    *host = hostAndPort;
    *port = 80;
    const int colon = hostAndPort.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && !hostAndPort.contains(QLatin1Char(']'), Qt::CaseInsensitive)) {
        bool ok = false;
        const uint p = hostAndPort.mid(colon + 1).toUInt(&ok);
        if (ok && p > 0 && p < 65536) {
            *host = hostAndPort.left(colon);
            *port = static_cast<quint16>(p);
        }
    }
}

bool ParseHttpAddress(const QString& address, HttpRequest* request) {
    QByteArray scheme;
    if (address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        scheme = "http";
    else if (address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        scheme = "https";
    else
        return false;
    const QString rest = address.mid(scheme.size() + 3);
    int slash = rest.indexOf(QLatin1Char('/'));
    const int query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0 && (slash < 0 || query < slash))
        slash = query;
    const QString authority = slash < 0 ? rest : rest.left(slash);
    if (authority.isEmpty())
        return false;
    request->scheme = scheme;
    SplitHostPort(authority, &request->host, &request->port);
    if (scheme == "https" && !authority.contains(QLatin1Char(':')))
        request->port = 443;
    // A name the service gave (an icon's) goes back as its own bytes.
    QByteArray path = slash < 0 ? QByteArray("/") : EncodeAnsi(rest.mid(slash));
    if (path.startsWith('?'))
        path.prepend('/');
    request->path = path;
    return true;
}

HttpResponse Fetch(const HttpRequest& request, const std::atomic<bool>* cancel,
                   std::atomic<qint64>* received) {
    HttpResponse response;
    if (request.host.isEmpty()) {
        response.error = kInetNameNotResolved;
        return response;
    }
    Handles& handles = ThreadHandles();
    CURL* easy = handles.easy;
    if (!easy || !handles.multi) {
        response.error = kInetCannotConnect;
        return response;
    }
    // A reset keeps the connection and name caches.
    curl_easy_reset(easy);
    Exchange x;
    x.request = &request;
    x.easy = easy;
    x.received = received;

    const QByteArray address = Address(request);
    curl_easy_setopt(easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     request.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kPieceBytes);
    const int connectMs = request.deadlineMs > 0 ? std::min(request.timeoutMs, request.deadlineMs)
                                                 : request.timeoutMs;
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(1, connectMs)));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &x);
    const QByteArray proxy = DesktopProxy(request);
    if (!proxy.isEmpty())
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.constData());

    // Only the header lines given go out beside the ones HTTP needs.
    HeaderList headers;
    bool contentType = false;
    for (const QByteArray& line : request.headers) {
        headers.Add(line);
        contentType = contentType || line.toLower().startsWith("content-type:");
    }
    headers.Add("Accept:");
    headers.Add("Expect:");
    const QByteArray method = request.method.isEmpty() ? QByteArray("GET") : request.method;
    if (method == "POST" || !request.body.isEmpty()) {
        if (!contentType)
            headers.Add("Content-Type:");
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.constData());
    } else if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    // Another verb is named as such; redirects still turn a POST into a
    // GET where WinInet would.
    if (method != "GET" && method != "POST" && method != "HEAD")
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.list);

    CURLM* multi = handles.multi;
    curl_multi_add_handle(multi, easy);
    QElapsedTimer whole, idle, stall;
    whole.start();
    idle.start();
    stall.start();
    quint64 seen = 0;
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        const CURLMcode state = curl_multi_perform(multi, &running);
        bool done = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (state != CURLM_OK) {
            x.ownError = kInetConnectionAborted;
            break;
        }
        if (cancel && cancel->load()) {
            x.ownError = kInetConnectionAborted;
            break;
        }
        if (x.activity != seen) {
            seen = x.activity;
            idle.restart();
        }
        if ((request.deadlineMs > 0 && whole.elapsed() >= request.deadlineMs) ||
            idle.elapsed() >= request.timeoutMs) {
            x.ownError = kInetTimeout;
            break;
        }
        if (request.stallMs > 0 && stall.elapsed() >= request.stallMs) {
            if (x.stallGot < request.stallBytes) {
                x.ownError = kInetTimeout;
                break;
            }
            x.stallGot = 0;
            stall.restart();
        }
        curl_multi_poll(multi, nullptr, 0, kSlice, nullptr);
    }
    response.status = static_cast<int>(CurrentStatus(easy));
    // Taking the handle out mid-transfer drops its connection.
    curl_multi_remove_handle(multi, easy);
    response.error = x.ownError != 0 ? x.ownError : result == CURLE_OK ? 0 : MapCurlError(result);
    response.headers = x.headers;
    if (response.error == 0)
        response.body = std::move(x.body);
    return response;
}

} // namespace platform
