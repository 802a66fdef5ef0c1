#include "localservice/lib/LocalService.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHash>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace localservice {

namespace {

constexpr int kPollSliceMs = 50;      // how often a waiting worker looks at the stop flag
constexpr int kReadTimeoutMs = 30000; // a client that sends nothing is dropped after this
constexpr size_t kWorkerThreads = 32; // connections served at once (slow pages included)
constexpr int kStartWaitMs = 5000;    // how long Start waits for the accept loop

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// %XX to its byte; a "%" not followed by two hex digits stays as it is (the
// programs' own encoding leaves a lone "%" alone). With `plusIsSpace`, "+" is a
// blank as in form fields.
QByteArray PercentDecode(const QByteArray& text, bool plusIsSpace) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '%' && i + 2 < text.size() && HexValue(text.at(i + 1)) >= 0 &&
            HexValue(text.at(i + 2)) >= 0) {
            out.append(static_cast<char>(HexValue(text.at(i + 1)) * 16 + HexValue(text.at(i + 2))));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.append(' ');
        } else {
            out.append(c);
        }
    }
    return out;
}

QList<QPair<QString, QString>> DecodeFields(const QByteArray& text) {
    QList<QPair<QString, QString>> fields;
    if (text.isEmpty())
        return fields;
    for (const QByteArray& part : text.split('&')) {
        if (part.isEmpty())
            continue;
        const qsizetype eq = part.indexOf('=');
        const QByteArray name = eq < 0 ? part : part.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : part.mid(eq + 1);
        fields.append({QString::fromLatin1(PercentDecode(name, true)),
                       QString::fromLatin1(PercentDecode(value, true))});
    }
    return fields;
}

QString FirstValue(const QList<QPair<QString, QString>>& fields, const QString& name) {
    for (const auto& field : fields) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QString();
}

// The key a page is found by: percent escapes decoded and "\" taken as "/"
// first (the service's web server does both before it looks for a file),
// then normalised, without a trailing "/" and in lower case.
QByteArray MatchKey(const QByteArray& rawPath) {
    QByteArray decoded = PercentDecode(rawPath, false);
    decoded.replace('\\', '/');
    QByteArray key = LocalService::NormalisePath(decoded).toLower();
    if (key.size() > 1 && key.endsWith('/'))
        key.chop(1);
    return key;
}

QByteArray MatchKey(const QString& path) {
    return MatchKey(path.toLatin1());
}

std::string AddressText(const sockaddr_storage& addr, int* port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        *port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        *port = ntohs(in6->sin6_port);
    }
    return text;
}

} // namespace

// ---------------------------------------------------------------- Request

QByteArray Request::header(const QByteArray& name) const {
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

QList<QPair<QString, QString>> Request::formFields() const {
    return DecodeFields(body);
}
QList<QPair<QString, QString>> Request::queryFields() const {
    return DecodeFields(query);
}
QString Request::formValue(const QString& name) const {
    return FirstValue(formFields(), name);
}
QString Request::queryValue(const QString& name) const {
    return FirstValue(queryFields(), name);
}

// ---------------------------------------------------------------- server

namespace {

struct Page {
    Reply reply;
    Handler handler; // when set, computes the reply
};

// One accepted connection. httplib's own socket stream offers no way to
// close a connection without a reply, nor to see the request head as it
// arrived (it keeps headers sorted and adds its own), so the connection is
// served through this stream instead.
class Connection : public httplib::Stream {
public:
    Connection(int sock, const std::atomic<bool>& stopping) : sock_(sock), stopping_(stopping) {}

    bool is_readable() const override { return pos_ < buffer_.size() || WaitFor(POLLIN, 0); }
    bool is_writable() const override { return !refused && WaitFor(POLLOUT, 0); }

    ssize_t read(char* ptr, size_t size) override {
        if (refused)
            return -1;
        if (pos_ >= buffer_.size()) {
            if (!WaitFor(POLLIN, kReadTimeoutMs))
                return -1;
            char chunk[4096];
            const ssize_t n = ::recv(sock_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return n;
            buffer_.assign(chunk, chunk + n);
            pos_ = 0;
            if (!headDone_) {
                head.append(chunk, static_cast<qsizetype>(n));
                headDone_ = head.contains("\r\n\r\n") || head.size() > 65536;
            }
        }
        const size_t n = std::min(size, buffer_.size() - pos_);
        std::memcpy(ptr, buffer_.data() + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (refused)
            return -1;
        size_t sent = 0;
        while (sent < size) {
            if (!WaitFor(POLLOUT, kReadTimeoutMs))
                return -1;
            const ssize_t n = ::send(sock_, ptr + sent, size - sent, MSG_NOSIGNAL);
            if (n < 0)
                return -1;
            sent += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            ip = AddressText(addr, &port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            ip = AddressText(addr, &port);
    }
    socket_t socket() const override { return sock_; }

    QByteArray head;      // the bytes of the request head as received
    bool refused = false; // set by the handler: no reply bytes at all
    bool reset = false;   // end with a reset rather than an orderly close

private:
    // Waits in short slices so that Stop is never held up by a quiet client.
    bool WaitFor(short events, int timeoutMs) const {
        int waited = 0;
        for (;;) {
            if (stopping_.load())
                return false;
            pollfd p{sock_, events, 0};
            const int slice = std::min(kPollSliceMs, timeoutMs - waited);
            const int r = ::poll(&p, 1, std::max(slice, 0));
            if (r > 0)
                return true;
            if (r < 0 && errno != EINTR)
                return false;
            waited += slice;
            if (waited >= timeoutMs)
                return false;
        }
    }

    int sock_;
    const std::atomic<bool>& stopping_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    bool headDone_ = false;
};

thread_local Connection* tConnection = nullptr;

class Server : public httplib::Server {
public:
    explicit Server(const std::atomic<bool>& stopping) : stopping_(stopping) {
        new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    }

private:
    // One request per connection ("Connection: close"): the programs open a
    // connection per request anyway, and no idle keep-alive connection can
    // then hold up Stop.
    bool process_and_close_socket(socket_t sock) override {
        Connection connection(sock, stopping_);
        tConnection = &connection;
        bool closed = false;
        const bool ok = process_request(connection, true, closed, [](httplib::Request&) {});
        tConnection = nullptr;
        if (connection.reset) {
            // A zero linger makes close send a reset instead of the end.
            const linger abortive{1, 0};
            ::setsockopt(sock, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        } else {
            ::shutdown(sock, SHUT_RDWR);
        }
        ::close(sock);
        return ok;
    }

    const std::atomic<bool>& stopping_;
};

// Takes the request target and the headers from the head as received: the
// target undecoded, the headers in their order and spelling.
void ParseHead(const QByteArray& head, Request* r) {
    const qsizetype end = head.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = (end < 0 ? head : head.left(end)).split('\n');
    if (lines.isEmpty())
        return;
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() >= 2)
        r->target = first.at(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).endsWith('\r') ? lines.at(i).chopped(1) : lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        r->headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
}

// The path and query of a request target; an absolute target
// ("http://host/path") loses its scheme and host.
void SplitTarget(const QByteArray& target, QByteArray* path, QByteArray* query) {
    QByteArray t = target;
    if (t.toLower().startsWith("http://") || t.toLower().startsWith("https://")) {
        const qsizetype start = t.indexOf("//") + 2;
        const qsizetype slash = t.indexOf('/', start);
        t = slash < 0 ? QByteArray("/") : t.mid(slash);
    }
    const qsizetype q = t.indexOf('?');
    *path = q < 0 ? t : t.left(q);
    *query = q < 0 ? QByteArray() : t.mid(q + 1);
}

// Writes a reply byte by byte as its framing says, bypassing httplib, which
// would always frame it correctly.
void SendRaw(Connection& connection, const Reply& reply, const std::atomic<bool>& stopping) {
    QByteArray head = reply.statusLine.isEmpty()
                          ? "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted"
                          : reply.statusLine;
    head += "\r\n";
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.location.isEmpty())
        head += "Location: " + reply.location + "\r\n";
    head += "Connection: close\r\n";
    const QByteArray& body = reply.body;
    QByteArray rest;
    switch (reply.framing) {
    case Framing::Normal:
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        rest = body;
        break;
    case Framing::ShortBody:
        head += "Content-Length: " +
                QByteArray::number(reply.declaredLength >= 0 ? reply.declaredLength
                                                             : body.size() + 100) +
                "\r\n";
        rest = body;
        break;
    case Framing::Chunked:
    case Framing::ChunkedNoEnd: {
        head += "Transfer-Encoding: chunked\r\n";
        // Two chunks when there is a body, so a reader must join them.
        const qsizetype half = body.size() / 2;
        for (const QByteArray& part : {body.left(half), body.mid(half)}) {
            if (!part.isEmpty())
                rest += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        }
        if (reply.framing == Framing::Chunked)
            rest += "0\r\n\r\n";
        break;
    }
    case Framing::UntilClose:
    case Framing::Endless:
    case Framing::Reset:
        rest = body;
        break;
    }
    head += "\r\n";
    connection.reset = reply.framing == Framing::Reset;
    const auto send = [&](const QByteArray& bytes) {
        if (reply.trickleMs <= 0)
            return connection.write(bytes.constData(), static_cast<size_t>(bytes.size())) >= 0;
        const qsizetype step = std::max(1, reply.trickleBytes);
        for (qsizetype at = 0; at < bytes.size(); at += step) {
            if (at > 0) {
                // In slices, so that Stop is never held up.
                for (int waited = 0; waited < reply.trickleMs && !stopping.load(); waited += 10)
                    std::this_thread::sleep_for(
                        std::chrono::milliseconds(std::min(10, reply.trickleMs - waited)));
            }
            const QByteArray piece = bytes.mid(at, step);
            if (stopping.load() ||
                connection.write(piece.constData(), static_cast<size_t>(piece.size())) < 0)
                return false;
        }
        return true;
    };
    if (connection.write(head.constData(), static_cast<size_t>(head.size())) < 0 || !send(rest))
        return;
    if (reply.framing != Framing::Endless)
        return;
    const QByteArray filler = body.isEmpty() ? QByteArray(64 * 1024, 'x') : body;
    // Until the client hangs up or the service stops: a write then fails.
    while (!stopping.load() && send(filler)) {
    }
}

} // namespace

struct LocalService::Impl {
    std::atomic<bool> stopping{false};
    std::unique_ptr<Server> server;
    std::thread thread;
    std::atomic<bool> threadDone{false};
    int port = 0;

    mutable std::mutex lock;      // guards everything below and `port`
    std::condition_variable wake; // ends delays early on Stop
    QHash<QByteArray, Page> pages;
    QHash<QByteArray, int> extraDelays;
    QHash<QByteArray, QPair<int, int>> trickles; // bytes, ms
    Handler fallback;
    QList<Request> log;
    std::function<void(const Request&)> listener;

    void Serve(const httplib::Request& req, httplib::Response& res);
};

void LocalService::Impl::Serve(const httplib::Request& req, httplib::Response& res) {
    Connection* connection = tConnection;
    Request r;
    r.method = QByteArray::fromStdString(req.method);
    r.version = QByteArray::fromStdString(req.version);
    if (connection)
        ParseHead(connection->head, &r);
    if (r.target.isEmpty())
        r.target = QByteArray::fromStdString(req.target);
    QByteArray rawPath;
    SplitTarget(r.target, &rawPath, &r.query);
    r.path = NormalisePath(rawPath);
    r.body = QByteArray::fromStdString(req.body);

    Page page;
    bool found = false;
    Handler fallbackHandler;
    int extraDelay = 0;
    QPair<int, int> trickle(0, 0);
    {
        std::lock_guard<std::mutex> guard(lock);
        extraDelay = extraDelays.value(MatchKey(rawPath));
        trickle = trickles.value(MatchKey(rawPath), trickle);
        log.append(r);
        if (listener)
            listener(r);
        const auto it = pages.constFind(MatchKey(rawPath));
        if (it != pages.constEnd()) {
            page = it.value();
            found = true;
        } else {
            fallbackHandler = fallback;
        }
    }

    Reply reply;
    if (found) {
        reply = page.handler ? page.handler(r) : page.reply;
    } else if (fallbackHandler) {
        reply = fallbackHandler(r);
    } else {
        reply.status = 404;
        reply.body = "<html><body><h1>404 Not Found</h1><p>" +
                     QString::fromLatin1(r.path).toHtmlEscaped().toLatin1() + "</p></body></html>";
    }

    reply.delayMs += extraDelay;
    if (trickle.second > 0) {
        reply.trickleBytes = trickle.first;
        reply.trickleMs = trickle.second;
    }
    if (reply.delayMs > 0) {
        std::unique_lock<std::mutex> guard(lock);
        wake.wait_for(guard, std::chrono::milliseconds(reply.delayMs),
                      [this] { return stopping.load(); });
    }
    if (reply.refuse || stopping.load()) {
        if (connection)
            connection->refused = true;
        return;
    }
    if (connection &&
        (reply.framing != Framing::Normal || !reply.statusLine.isEmpty() || reply.trickleMs > 0)) {
        SendRaw(*connection, reply, stopping);
        // The bytes are out: httplib must add none of its own.
        connection->refused = true;
        return;
    }
    res.status = (reply.status >= 100 && reply.status <= 999) ? reply.status : 500;
    res.body = reply.body.toStdString();
    if (!reply.contentType.isEmpty())
        res.set_header("Content-Type", reply.contentType.toStdString());
    if (!reply.location.isEmpty())
        res.set_header("Location", reply.location.toStdString());
}

LocalService::LocalService() : d(std::make_unique<Impl>()) {}

LocalService::~LocalService() {
    Stop();
}

int LocalService::Start(int port) {
    if (d->server)
        return Port();
    d->stopping = false;
    auto server = std::make_unique<Server>(d->stopping);
    // httplib's default also sets SO_REUSEPORT, which would let a second
    // service share a fixed port already in use instead of failing.
    server->set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    const httplib::Server::Handler handler = [this](const httplib::Request& req,
                                                    httplib::Response& res) { d->Serve(req, res); };
    // Every path, "\n" included; HEAD is answered by the GET handler.
    const std::string any = R"([\s\S]*)";
    server->Get(any, handler);
    server->Post(any, handler);
    server->Put(any, handler);
    server->Patch(any, handler);
    server->Delete(any, handler);
    server->Options(any, handler);

    int bound = 0;
    if (port == 0)
        bound = server->bind_to_any_port("127.0.0.1");
    else
        bound = server->bind_to_port("127.0.0.1", port) ? port : 0;
    if (bound <= 0)
        return 0;

    d->threadDone = false;
    Server* raw = server.get();
    d->thread = std::thread([this, raw] {
        raw->listen_after_bind();
        d->threadDone = true;
    });
    // httplib's stop() does nothing until the accept loop runs: wait for it so
    // that an immediate Stop cannot leave the loop running for good.
    for (int waited = 0; !raw->is_running() && !d->threadDone && waited < kStartWaitMs; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    d->server = std::move(server);
    if (!raw->is_running()) {
        Stop();
        return 0;
    }
    std::lock_guard<std::mutex> guard(d->lock);
    d->port = bound;
    return bound;
}

void LocalService::Stop() {
    if (!d->server)
        return;
    {
        std::lock_guard<std::mutex> guard(d->lock);
        d->stopping = true;
        d->port = 0;
    }
    d->wake.notify_all();
    d->server->stop();
    if (d->thread.joinable())
        d->thread.join();
    d->server.reset();
    d->stopping = false;
}

int LocalService::Port() const {
    std::lock_guard<std::mutex> guard(d->lock);
    return d->port;
}

QString LocalService::Host() const {
    return QStringLiteral("127.0.0.1:%1").arg(Port());
}

void LocalService::SetReply(const QString& path, const Reply& reply) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->pages.insert(MatchKey(path), Page{reply, Handler()});
}

void LocalService::SetReply(const QString& path, const QByteArray& body, int status) {
    Reply reply;
    reply.body = body;
    reply.status = status;
    SetReply(path, reply);
}

void LocalService::SetHandler(const QString& path, Handler handler) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->pages.insert(MatchKey(path), Page{Reply(), std::move(handler)});
}

void LocalService::SetFallback(Handler handler) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->fallback = std::move(handler);
}

void LocalService::ClearPages() {
    std::lock_guard<std::mutex> guard(d->lock);
    d->pages.clear();
    d->fallback = Handler();
}

QList<Request> LocalService::Requests() const {
    std::lock_guard<std::mutex> guard(d->lock);
    return d->log;
}

QList<Request> LocalService::RequestsFor(const QString& path) const {
    const QByteArray key = MatchKey(path);
    QList<Request> out;
    std::lock_guard<std::mutex> guard(d->lock);
    for (const Request& r : d->log) {
        QByteArray rawPath, query;
        SplitTarget(r.target, &rawPath, &query);
        if (MatchKey(rawPath) == key)
            out.append(r);
    }
    return out;
}

void LocalService::ClearRequests() {
    std::lock_guard<std::mutex> guard(d->lock);
    d->log.clear();
}

void LocalService::SetRequestListener(std::function<void(const Request&)> listener) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->listener = std::move(listener);
}

void LocalService::SetExtraDelay(const QString& path, int ms) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->extraDelays.insert(MatchKey(path), ms);
}

void LocalService::SetTrickle(const QString& path, int bytes, int ms) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->trickles.insert(MatchKey(path), qMakePair(bytes, ms));
}

QByteArray LocalService::NormalisePath(const QByteArray& rawPath) {
    QList<QByteArray> segments;
    const QList<QByteArray> parts = rawPath.split('/');
    bool folder = false;
    for (const QByteArray& part : parts) {
        folder = false;
        if (part.isEmpty() || part == ".") {
            folder = true;
            continue;
        }
        if (part == "..") {
            // Never above the root: a ".." there is dropped.
            if (!segments.isEmpty())
                segments.removeLast();
            folder = true;
            continue;
        }
        segments.append(part);
    }
    QByteArray out = "/" + segments.join('/');
    if (folder && !segments.isEmpty())
        out += '/';
    return out;
}

} // namespace localservice
