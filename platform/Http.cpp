#include "platform/Http.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace platform {

namespace {

constexpr int kSlice = 50; // ms between checks of the cancel flag
constexpr qint64 kSinkBuffer = 256 * 1024;

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
    QByteArray path = slash < 0 ? QByteArray("/") : rest.mid(slash).toLatin1();
    if (path.startsWith('?'))
        path.prepend('/');
    request->path = path;
    return true;
}

HttpResponse Fetch(const HttpRequest& request, const std::atomic<bool>* cancel) {
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
    // A body that goes to a sink is read a bounded piece at a time: unbounded,
    // the socket takes in whatever the network delivers while the sink writes
    // (megabytes from a fast server), copied once more into the parser.
    if (request.bodySink)
        socket.setReadBufferSize(kSinkBuffer);
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
    socket.write(out);

    HttpReplyParser reply(request.maxBodyBytes, request.bodySink);
    clock.restart();
    for (;;) {
        if (Cancelled(cancel)) {
            response.error = kInetConnectionAborted;
            return response;
        }
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(kSlice);
        if (pastDeadline()) {
            response.error = kInetTimeout;
            return response;
        }
        if (socket.waitForReadyRead(kSlice)) {
            reply.Feed(socket.readAll());
            clock.restart();
            if (reply.Finished() || reply.Failed())
                break;
            continue;
        }
        if (socket.state() != QAbstractSocket::ConnectedState) {
            reply.Feed(socket.readAll());
            reply.Close();
            break;
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
