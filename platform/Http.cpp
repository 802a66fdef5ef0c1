#include "platform/Http.h"

#include "platform/Latin1Text.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <cerrno>
#include <vector>

#include <poll.h>
#include <sys/socket.h>

namespace platform {

namespace {

constexpr int kSlice = 50; // ms between checks of the cancel flag
// A body that goes to a sink is read a bounded piece at a time, so a fast
// server's megabytes wait in the kernel while the sink writes.
constexpr size_t kSinkBuffer = 256 * 1024;

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load();
}

int MapSocketError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return kInetNameNotResolved;
    case QAbstractSocket::SocketTimeoutError:
        return kInetTimeout;
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::SocketResourceError:
    case QAbstractSocket::UnsupportedSocketOperationError:
        return kInetCannotConnect;
    default:
        return kInetConnectionAborted;
    }
}

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
    if (!address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        return false;
    const QString rest = address.mid(7);
    int slash = rest.indexOf(QLatin1Char('/'));
    const int query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0 && (slash < 0 || query < slash))
        slash = query;
    const QString authority = slash < 0 ? rest : rest.left(slash);
    if (authority.isEmpty())
        return false;
    SplitHostPort(authority, &request->host, &request->port);
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
    QElapsedTimer whole;
    whole.start();
    const auto pastDeadline = [&] {
        return request.deadlineMs > 0 && whole.elapsed() >= request.deadlineMs;
    };
    QTcpSocket socket;
    socket.connectToHost(request.host, request.port);
    QElapsedTimer clock;
    clock.start();
    while (socket.state() != QAbstractSocket::ConnectedState) {
        if (Cancelled(cancel)) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (socket.waitForConnected(kSlice))
            break;
        if (socket.error() != QAbstractSocket::SocketTimeoutError &&
            socket.state() == QAbstractSocket::UnconnectedState) {
            response.error = MapSocketError(socket.error());
            return response;
        }
        if (clock.elapsed() >= request.timeoutMs || pastDeadline()) {
            response.error = kInetTimeout;
            return response;
        }
    }

    QByteArray out = request.method + ' ' + request.path + ' ' + request.version + "\r\n";
    QString hostHeader = request.host;
    if (request.port != 80)
        hostHeader += QLatin1Char(':') + QString::number(request.port);
    out += "Host: " + hostHeader.toLatin1() + "\r\n";
    for (const QByteArray& line : request.headers)
        out += line + "\r\n";
    if (!request.body.isEmpty() || request.method == "POST")
        out += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += request.body;

    // The exchange itself goes through the descriptor: QTcpSocket reports a
    // connection reset as an orderly close, which made a reply cut by a
    // reset inside its last line pass for a complete one.
    const int fd = static_cast<int>(socket.socketDescriptor());
    qsizetype sent = 0;
    clock.restart();
    while (sent < out.size()) {
        if (Cancelled(cancel)) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (clock.elapsed() >= request.timeoutMs || pastDeadline()) {
            response.error = kInetTimeout;
            return response;
        }
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kSlice) <= 0)
            continue;
        const ssize_t n = ::send(fd, out.constData() + sent, static_cast<size_t>(out.size() - sent),
                                 MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (n > 0) {
            sent += n;
            clock.restart();
        }
    }

    HttpReplyParser reply(request.maxBodyBytes, request.bodySink);
    std::vector<char> buffer(request.bodySink ? kSinkBuffer : 64 * 1024);
    clock.restart();
    QElapsedTimer stallClock;
    stallClock.start();
    qint64 stallGot = 0;
    for (;;) {
        if (Cancelled(cancel)) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (pastDeadline()) {
            response.error = kInetTimeout;
            return response;
        }
        if (request.stallMs > 0 && stallClock.elapsed() >= request.stallMs) {
            if (stallGot < request.stallBytes) {
                response.error = kInetTimeout;
                return response;
            }
            stallGot = 0;
            stallClock.restart();
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kSlice);
        if (ready < 0 && errno != EINTR) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (ready > 0) {
            const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n > 0) {
                reply.Feed(buffer.data(), n);
                stallGot += n;
                if (received)
                    *received += n;
                clock.restart();
                if (reply.Finished() || reply.Failed())
                    break;
                continue;
            }
            if (n == 0) {
                reply.Close();
                break;
            }
            if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
                response.error = kInetConnectionAborted;
                return response;
            }
            continue;
        }
        if (clock.elapsed() >= request.timeoutMs) {
            response.error = kInetTimeout;
            return response;
        }
    }
    socket.abort();
    response.error = reply.Error();
    response.status = reply.Status();
    response.headers = reply.Headers();
    if (response.error == 0)
        response.body = reply.TakeBody();
    return response;
}

} // namespace platform
