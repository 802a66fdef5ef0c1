#include "platform/HttpReply.h"

#include "platform/Http.h"

#include <algorithm>

namespace platform {

namespace {

constexpr qsizetype kMaxHead = 64 * 1024; // status line and headers together
constexpr qsizetype kMaxLine = 8 * 1024;  // one chunk-size or trailer line

bool AllDigits(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// A chunk size: hex digits, then an optional ";extension". -1 when it is no
// size (or one too large to be honest).
qint64 ChunkSize(const QByteArray& line) {
    const qsizetype semicolon = line.indexOf(';');
    const QByteArray digits = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
    if (digits.isEmpty() || digits.size() > 15)
        return -1;
    qint64 size = 0;
    for (const char c : digits) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0)
            return -1;
        size = size * 16 + v;
    }
    return size;
}

} // namespace

HttpReplyParser::HttpReplyParser(qint64 maxBody, Sink sink)
    : maxBody_(maxBody), sink_(std::move(sink)) {}

void HttpReplyParser::Fail(int error) {
    if (error_ == 0)
        error_ = error;
    body_.clear();
    pending_.clear();
    pos_ = 0;
}

bool HttpReplyParser::TakeLine(QByteArray* line, qsizetype maxLength) {
    const qsizetype eol = pending_.indexOf('\n', pos_);
    if (eol < 0) {
        if (pending_.size() - pos_ > maxLength)
            Fail(kInetInvalidResponse);
        return false;
    }
    if (eol - pos_ > maxLength) {
        Fail(kInetInvalidResponse);
        return false;
    }
    *line = pending_.mid(pos_, eol - pos_);
    if (line->endsWith('\r'))
        line->chop(1);
    pos_ = eol + 1;
    return true;
}

bool HttpReplyParser::Emit(const char* data, qsizetype size) {
    if (size <= 0)
        return true;
    bodySize_ += size;
    if (maxBody_ > 0 && bodySize_ > maxBody_) {
        Fail(kInetInvalidResponse);
        return false;
    }
    if (sink_) {
        if (!sink_(data, size)) {
            Fail(kInetConnectionAborted);
            return false;
        }
    } else {
        body_.append(data, size);
    }
    return true;
}

// Reads the head that ends at pending_[pos_ .. end) and picks the framing.
bool HttpReplyParser::ReadHead() {
    const qsizetype end = pending_.indexOf("\r\n\r\n", pos_);
    if (end < 0) {
        if (pending_.size() - pos_ > kMaxHead)
            Fail(kInetInvalidResponse);
        return false;
    }
    if (end - pos_ > kMaxHead) {
        Fail(kInetInvalidResponse);
        return false;
    }
    const QByteArray head = pending_.mid(pos_, end - pos_);
    pos_ = end + 4;
    const qsizetype eol = head.indexOf("\r\n");
    const QByteArray statusLine = eol < 0 ? head : head.left(eol);
    const QList<QByteArray> parts = statusLine.split(' ');
    // "HTTP/1.x NNN reason": a status that is not three digits is no reply
    // to act on, whatever follows it.
    if (!statusLine.startsWith("HTTP/") || parts.size() < 2 || parts.at(1).size() != 3 ||
        !AllDigits(parts.at(1))) {
        Fail(kInetInvalidResponse);
        return false;
    }
    status_ = parts.at(1).toInt();
    headers_ = eol < 0 ? QByteArray() : head.mid(eol + 2);
    if (status_ < 200) {
        // An interim reply ("100 Continue"); the real one follows.
        headers_.clear();
        return true;
    }

    bool chunked = false;
    qint64 length = -1;
    for (const QByteArray& raw : headers_.split('\n')) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
            chunked = true;
        } else if (name == "content-length") {
            // A length that is no number, or two that disagree, leave the
            // end of the body unknowable: no reply to trust.
            if (!AllDigits(value) || value.size() > 18 ||
                (length >= 0 && length != value.toLongLong())) {
                Fail(kInetInvalidResponse);
                return false;
            }
            length = value.toLongLong();
        }
    }
    if (status_ == 204 || status_ == 304) {
        state_ = State::Done;
    } else if (chunked) {
        state_ = State::ChunkSize;
    } else if (length >= 0) {
        if (maxBody_ > 0 && length > maxBody_) {
            Fail(kInetInvalidResponse);
            return false;
        }
        remaining_ = length;
        state_ = length == 0 ? State::Done : State::Length;
    } else {
        state_ = State::UntilClose;
    }
    return true;
}

void HttpReplyParser::Feed(const char* data, qsizetype size) {
    if (state_ == State::Done || Failed() || size <= 0)
        return;
    sawBytes_ = true;
    pending_.append(data, size);
    bool more = true;
    while (more && !Failed() && state_ != State::Done) {
        const qsizetype avail = pending_.size() - pos_;
        QByteArray line;
        switch (state_) {
        case State::Head:
            more = ReadHead();
            break;
        case State::Length:
        case State::ChunkData: {
            const qsizetype n = static_cast<qsizetype>(std::min<qint64>(avail, remaining_));
            if (n == 0) {
                more = false;
                break;
            }
            if (!Emit(pending_.constData() + pos_, n))
                break;
            pos_ += n;
            remaining_ -= n;
            if (remaining_ == 0)
                state_ = state_ == State::Length ? State::Done : State::ChunkEnd;
            break;
        }
        case State::UntilClose:
            if (Emit(pending_.constData() + pos_, avail))
                pos_ += avail;
            more = false;
            break;
        case State::ChunkSize: {
            more = TakeLine(&line, kMaxLine);
            if (!more)
                break;
            const qint64 chunk = ChunkSize(line);
            if (chunk < 0) {
                Fail(kInetInvalidResponse);
                break;
            }
            if (maxBody_ > 0 && bodySize_ + chunk > maxBody_) {
                Fail(kInetInvalidResponse);
                break;
            }
            remaining_ = chunk;
            state_ = chunk == 0 ? State::Trailer : State::ChunkData;
            break;
        }
        case State::ChunkEnd:
            more = TakeLine(&line, 2);
            if (!more)
                break;
            if (!line.isEmpty())
                Fail(kInetInvalidResponse); // chunk longer than its size
            else
                state_ = State::ChunkSize;
            break;
        case State::Trailer:
            more = TakeLine(&line, kMaxLine);
            if (more && line.isEmpty())
                state_ = State::Done;
            break;
        case State::Done:
            break;
        }
    }
    // Only the unread rest stays: a long body never piles up here.
    if (!Failed()) {
        pending_.remove(0, pos_);
        pos_ = 0;
    }
}

void HttpReplyParser::Close() {
    if (state_ == State::Done || Failed())
        return;
    if (state_ == State::UntilClose)
        state_ = State::Done;
    else if (!sawBytes_)
        Fail(kInetConnectionAborted);
    else if (state_ == State::Head)
        Fail(kInetInvalidResponse);
    else
        Fail(kInetConnectionAborted); // cut off before the end its framing declared
}

} // namespace platform
