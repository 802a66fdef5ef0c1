#include "platform/Http.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace platform {

namespace {

constexpr int kSlice = 50; // ms between checks of the cancel flag

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

QByteArray DecodeChunked(const QByteArray& raw) {
    QByteArray out;
    qsizetype pos = 0;
    while (pos < raw.size()) {
        const qsizetype eol = raw.indexOf("\r\n", pos);
        if (eol < 0)
            break;
        bool ok = false;
        const qlonglong len =
            raw.mid(pos, eol - pos).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || len <= 0)
            break;
        pos = eol + 2;
        // A size beyond what arrived (a reply cut short, or garbage) ends the
        // body with what is there; cut to int it could step backwards for ever.
        if (len >= raw.size() - pos) {
            out.append(raw.mid(pos));
            break;
        }
        out.append(raw.mid(pos, static_cast<qsizetype>(len)));
        pos += static_cast<qsizetype>(len) + 2;
    }
    return out;
}

// Splits the raw reply into status, headers and body.
void ParseReply(const QByteArray& raw, HttpResponse* response) {
    const int end = raw.indexOf("\r\n\r\n");
    if (!raw.startsWith("HTTP/") || end < 0) {
        response->error = kInetInvalidResponse;
        return;
    }
    const QByteArray head = raw.left(end);
    const int eol = head.indexOf("\r\n");
    const QList<QByteArray> statusLine = (eol < 0 ? head : head.left(eol)).split(' ');
    response->status = statusLine.size() > 1 ? statusLine.at(1).toInt() : 0;
    response->headers = eol < 0 ? QByteArray() : head.mid(eol + 2);
    QByteArray body = raw.mid(end + 4);
    bool chunked = false;
    qlonglong length = -1;
    for (const QByteArray& line : response->headers.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower().contains("chunked"))
            chunked = true;
        else if (name == "content-length")
            length = value.toLongLong();
    }
    if (chunked)
        body = DecodeChunked(body);
    else if (length >= 0 && body.size() > length)
        body.truncate(static_cast<int>(length));
    response->body = body;
}

// True once the whole reply is in: the headers and Content-Length bytes, or
// the last chunk. Otherwise the end of the connection ends the reply.
bool Complete(const QByteArray& raw) {
    const int end = raw.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray head = raw.left(end).toLower();
    const int cl = head.indexOf("\ncontent-length:");
    if (cl >= 0) {
        const int eol = head.indexOf('\n', cl + 1);
        const qlonglong len =
            head.mid(cl + 16, eol < 0 ? -1 : eol - cl - 16).trimmed().toLongLong();
        return raw.size() - end - 4 >= len;
    }
    if (head.contains("transfer-encoding:") && head.contains("chunked"))
        return raw.endsWith("0\r\n\r\n");
    return false;
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

    QByteArray raw;
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
            raw += socket.readAll();
            clock.restart();
            if (Complete(raw))
                break;
            continue;
        }
        if (socket.state() != QAbstractSocket::ConnectedState) {
            raw += socket.readAll();
            break;
        }
        if (clock.elapsed() >= request.timeoutMs) {
            response.error = kInetTimeout;
            return response;
        }
    }
    socket.abort();
    if (raw.isEmpty()) {
        response.error = kInetConnectionAborted;
        return response;
    }
    ParseReply(raw, &response);
    return response;
}

} // namespace platform
