#pragma once
// A real forward proxy (Debian's tinyproxy) on a free loopback port, started
// by a test and stopped with it, with its own configuration and log in a
// temporary folder. Via() is the header it adds to every request it passes
// on, so the server's request log tells which requests came through it.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class ForwardProxy {
public:
    ForwardProxy();
    ~ForwardProxy();
    ForwardProxy(const ForwardProxy&) = delete;
    ForwardProxy& operator=(const ForwardProxy&) = delete;

    // Empty when it runs; otherwise why not (not installed, did not listen).
    QString Start();
    quint16 Port() const { return port_; }
    // "http://127.0.0.1:<port>", as http_proxy takes it.
    QByteArray Address() const;
    // The requests it logged, one "GET http://..." line each.
    QStringList LoggedRequests() const;
    static QByteArray Via() { return "tarvel-test-proxy"; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

// A name of this machine that resolves to a loopback address and is neither
// "localhost" nor a number (a desktop's proxy look-up may skip those by
// itself); empty when there is none.
QString LoopbackHostName();

} // namespace testsupport
