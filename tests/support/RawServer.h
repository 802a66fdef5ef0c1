#pragma once
// A server that answers one connection with the given bytes, exactly as
// written, from a thread of its own: a blocking fetch on the test's thread
// can reach it. For replies no real web server would send.
#include <QByteArray>

#include <thread>

namespace testsupport {

class RawServer {
public:
    explicit RawServer(QByteArray reply);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;
    quint16 Port() const { return port_; }
    // The request as it arrived (head and whatever body came with it); read
    // it after the fetch returned.
    QByteArray Request() const;

private:
    std::thread thread_;
    quint16 port_ = 0;
    QByteArray request_;
};

} // namespace testsupport
