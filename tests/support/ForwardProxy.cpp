#include "support/ForwardProxy.h"

#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

ForwardProxy::ForwardProxy() = default;

ForwardProxy::~ForwardProxy() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }
}

QString ForwardProxy::Start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    if (program.isEmpty())
        return QStringLiteral("tinyproxy is not installed (scripts/setup.sh installs it)");
    if (!dir_.isValid())
        return QStringLiteral("no temporary folder");
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        QFile config(dir_.filePath(QStringLiteral("tinyproxy.conf")));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("cannot write the proxy's configuration");
        config.write("Port " + QByteArray::number(port) +
                     "\nListen 127.0.0.1\nTimeout 30\nMaxClients 50\nAllow 127.0.0.1\n"
                     "LogLevel Info\nViaProxyName \"" +
                     Via() + "\"\nLogFile \"" +
                     QFile::encodeName(dir_.filePath(QStringLiteral("tinyproxy.log"))) + "\"\n");
        config.close();
        process_.setProgram(program);
        // -d: in the foreground, so that the test owns the process.
        process_.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(5000))
            return QStringLiteral("tinyproxy did not start");
        for (int waited = 0; waited < 5000; waited += 50) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(200)) {
                port_ = port;
                break;
            }
            if (process_.state() == QProcess::NotRunning)
                break;
            QThread::msleep(50);
        }
        if (port_ == 0 && process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    return port_ != 0 ? QString() : QStringLiteral("tinyproxy did not listen");
}

QByteArray ForwardProxy::Address() const {
    return "http://127.0.0.1:" + QByteArray::number(port_);
}

QStringList ForwardProxy::LoggedRequests() const {
    QFile log(dir_.filePath(QStringLiteral("tinyproxy.log")));
    QStringList out;
    if (!log.open(QIODevice::ReadOnly))
        return out;
    // "CONNECT ... Request (file descriptor 6): GET http://host:port/path HTTP/1.0"
    for (const QByteArray& line : log.readAll().split('\n')) {
        const qsizetype at = line.indexOf("Request (file descriptor");
        if (at < 0)
            continue;
        const qsizetype colon = line.indexOf("): ", at);
        if (colon > 0)
            out << QString::fromLatin1(line.mid(colon + 3).trimmed());
    }
    return out;
}

QString LoopbackHostName() {
    const QString name = QHostInfo::localHostName();
    if (name.isEmpty() || name == QLatin1String("localhost"))
        return QString();
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& address : info.addresses())
        // The local service listens on 127.0.0.1 alone.
        if (address == QHostAddress(QHostAddress::LocalHost))
            return name;
    return QString();
}

} // namespace testsupport
