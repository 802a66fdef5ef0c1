#pragma once
// A local stand-in for the web service, on cpp-httplib. Tests start one
// in-process on an ephemeral loopback port and script its pages; the run
// script starts the same server with sample data (SampleService).
//
// Paths are normalised as a web server does ("//" collapsed, "." and ".."
// resolved, never above the root) and page names match without regard to
// case, percent escapes and a trailing "/" ("/help" is "/help/").
//
// Every request is answered on a connection of its own ("Connection: close").
// Handlers and fallbacks run on the server's threads, several at once: they
// must guard whatever they share with the test.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace localservice {

struct Request {
    QByteArray method;  // "GET", "POST"
    QByteArray target;  // request target as received (path and query, raw)
    QByteArray path;    // normalised path, raw (not percent-decoded)
    QByteArray query;   // raw query text after "?", "" when none
    QByteArray version; // "HTTP/1.0", "HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QByteArray header(const QByteArray& name) const; // case-insensitive, "" if absent
    // Decoded form or query fields ("+" as space, %XX), in order, Latin-1.
    QList<QPair<QString, QString>> formFields() const; // from the body
    QList<QPair<QString, QString>> queryFields() const;
    QString formValue(const QString& name) const;  // first match in the body, "" if none
    QString queryValue(const QString& name) const; // first match in the query
};

// How a reply goes on the wire; all but Normal play a server that misbehaves.
enum class Framing {
    Normal,       // Content-Length matching the body
    Chunked,      // the body in chunks, ended by the last chunk
    ShortBody,    // Content-Length declares more than the body, then the connection closes
    ChunkedNoEnd, // chunks, then the connection closes without the last chunk
    UntilClose,   // no length at all: the body ends when the connection does
    Endless,      // the body sent over and over, until the client goes or Stop
    Reset,        // no length; the body, then the connection reset (RST), not closed
};

struct Reply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html";
    int delayMs = 0;     // wait this long before answering (Stop ends the wait)
    bool refuse = false; // close the connection without sending a single byte
    Framing framing = Framing::Normal;
    // ShortBody: the length declared; -1 declares the body's size plus 100.
    qint64 declaredLength = -1;
    // When set, sent as the status line instead of "HTTP/1.1 <status> ..."
    // (a status that is no number, a line that is no HTTP at all).
    QByteArray statusLine;
    // When above 0, the reply after its head goes out trickleBytes at a time
    // with this pause between the pieces (a slow link, or a server that
    // holds the client with a byte now and then). Endless keeps trickling.
    int trickleMs = 0;
    int trickleBytes = 1;
    // When set, sent as the Location header: with a 3xx status, a redirect.
    QByteArray location;
};

using Handler = std::function<Reply(const Request&)>;

class LocalService {
public:
    LocalService();
    ~LocalService();
    LocalService(const LocalService&) = delete;
    LocalService& operator=(const LocalService&) = delete;

    // Starts listening on 127.0.0.1; port 0 picks a free one. Returns the
    // port, 0 on failure. Pages and the request log survive a Stop and Start.
    int Start(int port = 0);
    // Closes the port and ends every connection at once (delays included);
    // the destructor stops too.
    void Stop();
    int Port() const;
    // "127.0.0.1:<port>": what the programs take as a host name.
    QString Host() const;

    // A fixed reply for a page (a normalised path such as
    // "/Vantrix/internal/loginUser.asp"), for any method.
    void SetReply(const QString& path, const Reply& reply);
    void SetReply(const QString& path, const QByteArray& body, int status = 200);
    // A computed reply for a page; replaces a fixed one.
    void SetHandler(const QString& path, Handler handler);
    // Reply for every page without one of its own (default 404).
    void SetFallback(Handler handler);
    void ClearPages();

    // Every request received, in order.
    QList<Request> Requests() const;
    // The requests for one page (matched like the pages are).
    QList<Request> RequestsFor(const QString& path) const;
    void ClearRequests();
    // Called with every request as it arrives, in order, on the server's
    // threads (one call at a time); for a log kept outside the process.
    void SetRequestListener(std::function<void(const Request&)> listener);
    // Holds back every reply of one page (matched like the pages are) by ms
    // more, whatever computes it: a slow server for the desktop tests.
    void SetExtraDelay(const QString& path, int ms);
    // Sends every reply of one page `bytes` at a time with `ms` between the
    // pieces, whatever computes it: a slow link for the desktop tests.
    void SetTrickle(const QString& path, int bytes, int ms);

    // Normalises a raw path the way the server matches pages.
    static QByteArray NormalisePath(const QByteArray& rawPath);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace localservice
