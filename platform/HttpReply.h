#pragma once
// Reads an HTTP reply as its bytes arrive: status line, headers, then a body
// framed by Content-Length, by chunks or by the end of the connection. A reply
// is complete only when its framing says so; the connection closing before
// that is a failed transfer, never a shorter body. The body is kept in memory
// up to a limit, or handed piece by piece to a sink for replies too large to
// hold.
#include <QByteArray>

#include <functional>

namespace platform {

class HttpReplyParser {
public:
    // Receives body bytes in order; returning false fails the transfer (a
    // write that did not go through).
    using Sink = std::function<bool(const char* data, qsizetype size)>;

    // maxBody: most body bytes one reply may carry (past it the transfer
    // fails); 0 = no limit. With a sink the body is not kept.
    explicit HttpReplyParser(qint64 maxBody, Sink sink = nullptr);

    // More bytes from the connection. Ignored once finished or failed.
    void Feed(const char* data, qsizetype size);
    void Feed(const QByteArray& data) { Feed(data.constData(), data.size()); }
    // The connection ended: a body read "until close" is complete, anything
    // still waiting for bytes failed.
    void Close();

    bool Finished() const { return state_ == State::Done; }
    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; } // 0 or a kInet* number (platform/Http.h)
    int Status() const { return status_; }
    const QByteArray& Headers() const { return headers_; }
    const QByteArray& Body() const { return body_; }
    QByteArray TakeBody() { return std::move(body_); }
    qint64 BodySize() const { return bodySize_; }

private:
    enum class State { Head, Length, UntilClose, ChunkSize, ChunkData, ChunkEnd, Trailer, Done };

    void Fail(int error);
    bool ReadHead();
    bool Emit(const char* data, qsizetype size);
    bool TakeLine(QByteArray* line, qsizetype maxLength);

    qint64 maxBody_;
    Sink sink_;
    State state_ = State::Head;
    int error_ = 0;
    int status_ = 0;
    QByteArray pending_; // bytes not yet taken (the head, chunk size lines)
    qsizetype pos_ = 0;  // how far pending_ is read
    QByteArray headers_;
    QByteArray body_;
    qint64 bodySize_ = 0;
    qint64 remaining_ = 0; // of the declared length or of the current chunk
    bool sawBytes_ = false;
};

} // namespace platform
