// The spooled update reply read back line by line, in blocks and with a line
// limit far smaller than the real ones so that short inputs reach every
// boundary: the lines come back exactly as they were split at CR LF, a line
// short of the limit whole, one far beyond it reported as too long, and nothing
// is lost or made up between them.
#include "core/SpoolLines.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the block (1 to 16) and the limit (1 to 32).
    const qsizetype block = 1 + data[0] % 16;
    const qsizetype maxLine = 1 + data[1] % 32;
    QByteArray text(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    QBuffer in(&text);
    in.open(QIODevice::ReadOnly);

    // The lines as the reply holds them: at every CR LF; a last piece
    // without one is a line too, an empty one is none.
    QList<QByteArray> want;
    bool lastEnded = true;
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype at = text.indexOf("\r\n", from);
        if (at < 0) {
            want << text.mid(from);
            lastEnded = false;
            break;
        }
        want << text.mid(from, at - from);
        from = at + 2;
    }

    SpoolLines lines(in, block, maxLine);
    QByteArray line;
    for (qsizetype k = 0; k < want.size(); ++k) {
        const SpoolLines::Result got = lines.Next(&line);
        const QByteArray& expected = want[k];
        if (got == SpoolLines::End)
            __builtin_trap(); // a line lost
        if (got == SpoolLines::Line && line != expected)
            __builtin_trap(); // a line changed
        // Short of the limit a line always comes whole; one a block past
        // it never does.
        if (got == SpoolLines::TooLong && expected.size() < maxLine)
            __builtin_trap();
        if (got == SpoolLines::Line && expected.size() >= maxLine + block + 1)
            __builtin_trap();
        const bool ended = k + 1 < want.size() || lastEnded;
        if (lines.Ended() != ended)
            __builtin_trap();
    }
    if (lines.Next(&line) != SpoolLines::End || lines.Next(&line) != SpoolLines::End)
        __builtin_trap(); // a line made up
    return 0;
}
