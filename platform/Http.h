#pragma once
// A small blocking HTTP client in place of WinInet's synchronous calls. It
// runs on the calling thread without an event loop (QTcpSocket's waitFor*
// calls), so no window event, timer or click runs while it waits, and it sends
// the request path byte for byte as given: no URL normalisation.
#include "platform/HttpReply.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>

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
    int status = 0; // HTTP status code when a status line arrived
    QByteArray headers;
    QByteArray body;
    bool ok() const { return error == 0 && status >= 200 && status < 300; }
};

struct HttpRequest {
    QString host; // host name, no port
    quint16 port = 80;
    QByteArray method = "GET";
    QByteArray path = "/"; // sent exactly as given
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
    // When set, the body goes here piece by piece instead of into the
    // response (which then has an empty body).
    HttpReplyParser::Sink bodySink;
};

// "host" or "host:port" split into its parts; port 80 when none is given.
void SplitHostPort(const QString& hostAndPort, QString* host, quint16* port);

// Splits "http://host[:port]/path?query" into a request target. Returns false
// for anything that is not an http address. The path keeps its bytes.
bool ParseHttpAddress(const QString& address, HttpRequest* request);

// Performs the request and returns whatever arrived. `cancel`, when given and
// set from another thread, ends the wait early with kInetConnectionAborted.
// A connection reset or any other socket error fails the transfer, also
// for a reply that ends with the connection (a cut body is no body).
// `received`, when given, counts the bytes that arrived so far.
HttpResponse Fetch(const HttpRequest& request, const std::atomic<bool>* cancel = nullptr,
                   std::atomic<qint64>* received = nullptr);

} // namespace platform
