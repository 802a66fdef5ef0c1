#include "support/RawServer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <future>

namespace testsupport {

RawServer::RawServer(QByteArray reply) {
    std::promise<quint16> ready;
    std::future<quint16> port = ready.get_future();
    thread_ = std::thread([this, reply = std::move(reply), ready = std::move(ready)]() mutable {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        ready.set_value(server.serverPort());
        if (!server.waitForNewConnection(10000))
            return;
        QTcpSocket* socket = server.nextPendingConnection();
        QByteArray request;
        while (!request.contains("\r\n\r\n") && socket->waitForReadyRead(5000))
            request += socket->readAll();
        request_ = request;
        socket->write(reply);
        socket->waitForBytesWritten(5000);
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->waitForDisconnected(5000);
    });
    port_ = port.get();
}

RawServer::~RawServer() {
    thread_.join();
}

QByteArray RawServer::Request() const {
    return request_;
}

} // namespace testsupport
