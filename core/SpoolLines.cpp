#include "core/SpoolLines.h"

#include <algorithm>

SpoolLines::Result SpoolLines::Next(QByteArray* line) {
    bool tooLong = false;
    while (true) {
        const qsizetype at = buf_.indexOf("\r\n", scan_);
        if (at >= 0) {
            if (!tooLong)
                *line = buf_.sliced(start_, at - start_);
            start_ = scan_ = at + 2;
            ended_ = true;
            return tooLong ? TooLong : Line;
        }
        if (eof_) {
            if (start_ >= buf_.size())
                return tooLong ? TooLong : End;
            if (!tooLong)
                *line = buf_.sliced(start_);
            start_ = scan_ = buf_.size();
            ended_ = false;
            return tooLong ? TooLong : Line;
        }
        buf_.remove(0, start_);
        start_ = 0;
        if (buf_.size() > maxLine_) {
            // Keeps the last byte: it may be the CR of the line end.
            tooLong = true;
            buf_.remove(0, buf_.size() - 1);
        }
        scan_ = std::max<qsizetype>(0, buf_.size() - 1);
        const qsizetype had = buf_.size();
        buf_.resize(had + block_);
        const qint64 n = in_.read(buf_.data() + had, block_);
        buf_.resize(had + std::max<qint64>(0, n));
        eof_ = n <= 0;
    }
}
