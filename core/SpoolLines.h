#pragma once
// The lines of a reply kept in a spool file (the menu database update), read
// at CR LF with one block and one line in memory at a time: a full reload is
// the whole table as text.
#include <QByteArray>
#include <QIODevice>

class SpoolLines {
public:
    enum Result { Line, TooLong, End };
    static constexpr qsizetype kBlock = 256 * 1024;
    static constexpr qsizetype kMaxLine = 64 * 1024;

    // Reads `in` in blocks of `block` bytes; a line of `maxLine` bytes or
    // more (far beyond any real record) is too long.
    explicit SpoolLines(QIODevice& in, qsizetype block = kBlock, qsizetype maxLine = kMaxLine)
        : in_(in), block_(block), maxLine_(maxLine) {}

    // The next line without its CR LF. A last line without CR LF is
    // returned too (Ended() tells); a line that is too long may be skipped
    // to its end and reported as TooLong (one of up to maxLine + block
    // bytes may still come whole, and a shorter one always does).
    Result Next(QByteArray* line);
    // Whether the line just read ended with CR LF.
    bool Ended() const { return ended_; }

private:
    QIODevice& in_;
    const qsizetype block_, maxLine_;
    QByteArray buf_;
    qsizetype start_ = 0, scan_ = 0;
    bool eof_ = false, ended_ = false;
};
