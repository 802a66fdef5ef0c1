#pragma once
// The HTTP exchange under WinInet's synchronous calls and the transfer
// control, carried by libcurl. One call performs one request on the calling
// thread and returns what arrived; the callers judge the status.
//
// What it does beyond sending the request:
// - proxies: the desktop's choice for the request's address (Qt's system
//   proxy query, libproxy on Debian), else the environment's http_proxy,
//   https_proxy, all_proxy and no_proxy as curl reads them; a proxy that
//   refuses or is down is an unreachable server (kInetCannotConnect);
// - redirects: followed as WinInet follows them, up to 10 hops, to http and
//   https only; a POST answered with 301, 302 or 303 goes on as a GET, 307 and
//   308 repeat it; a loop or another scheme is kInetCannotConnect. The last
//   hop's status, headers and body are the reply;
// - connections: each thread keeps its handle, so a thread that makes many
//   requests reuses a connection the server keeps open.
// The request target keeps its bytes (no dot-segment or escape rewriting);
// only bytes no request line may carry (controls, blanks, "#", 8-bit bytes)
// go escaped as %XX, which a server reads back as the same bytes.
#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace platform {

// WinInet error numbers the callers test.
inline constexpr int kInetTimeout = 12002;
inline constexpr int kInetNameNotResolved = 12007;
inline constexpr int kInetCannotConnect = 12029;
inline constexpr int kInetConnectionAborted = 12030;
inline constexpr int kInetInvalidResponse = 12152;

// Most body bytes a reply held in memory may carry: pages, replies, icons
// and form files are far smaller, and an endless reply must not eat the
// machine. Larger downloads raise it or go to a file.
inline constexpr qint64 kMaxReplyBytes = 16LL * 1024 * 1024;

struct HttpResponse {
    // 0, or one of the kInet* numbers: a reply cut off before the end its
    // framing declared, malformed, or past its size limit is a failure.
    int error = 0;
    int status = 0;     // HTTP status code of the last hop, when one arrived
    QByteArray headers; // the last hop's header lines (no status line), CRLF-joined
    QByteArray body;
    bool ok() const { return error == 0 && status >= 200 && status < 300; }
};

// Receives body bytes of a 2xx reply in order, a bounded piece at a time;
// returning false fails the transfer (a write that did not go through).
using BodySink = std::function<bool(const char* data, qsizetype size)>;

struct HttpRequest {
    QByteArray scheme = "http"; // http or https
    QString host;               // host name, no port
    quint16 port = 80;
    QByteArray method = "GET";
    QByteArray path = "/"; // sent as given
    QByteArray version = "HTTP/1.0";
    QList<QByteArray> headers; // full header lines without CRLF
    QByteArray body;
    int timeoutMs = 60000; // for connecting and for each wait for data
    // Limit on the whole request, however the bytes trickle in; 0 = none.
    int deadlineMs = 0;
    // For transfers too long for a deadline (a full reload, an installer):
    // the request fails when fewer than stallBytes arrive in any stallMs,
    // so a server that trickles a byte at a time is not waited on for ever
    // while a slow but steady link still gets through. 0 = no such check.
    int stallMs = 0;
    qint64 stallBytes = 0;
    // Limit on the body; past it the request fails. 0 = none.
    qint64 maxBodyBytes = kMaxReplyBytes;
    // When set, a 2xx body goes here instead of into the response (which
    // then has an empty body); an error page's body never reaches it.
    BodySink bodySink;
};

// "host" or "host:port" split into its parts; port 80 when none is given.
void SplitHostPort(const QString& hostAndPort, QString* host, quint16* port);

// Splits "http://host[:port]/path?query" (or https) into a request target.
// Returns false for anything else. The path keeps its bytes.
bool ParseHttpAddress(const QString& address, HttpRequest* request);

// Performs the request and returns whatever arrived. `cancel`, when given and
// set from another thread, ends the wait early with kInetConnectionAborted.
// A connection reset or any other socket error fails the transfer, also
// for a reply that ends with the connection (a cut body is no body).
// `received`, when given, counts the body bytes that arrived so far.
HttpResponse Fetch(const HttpRequest& request, const std::atomic<bool>* cancel = nullptr,
                   std::atomic<qint64>* received = nullptr);

} // namespace platform
