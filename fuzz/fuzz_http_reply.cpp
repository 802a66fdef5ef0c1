// The HTTP reply reader on whatever a server might send, split into pieces
// at the places the first bytes choose, as a socket hands them over.
#include "platform/HttpReply.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const qsizetype firstCut = data[0];
    const bool toSink = data[1] & 1;
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const qsizetype length = static_cast<qsizetype>(size - 2);

    qint64 sunk = 0;
    platform::HttpReplyParser::Sink sink;
    if (toSink)
        sink = [&sunk](const char*, qsizetype n) {
            sunk += n;
            return sunk < 3000; // a disk that fills up
        };
    platform::HttpReplyParser reply(4096, sink);
    qsizetype pos = 0;
    qsizetype cut = firstCut + 1;
    while (pos < length) {
        const qsizetype n = std::min(cut, length - pos);
        reply.Feed(bytes + pos, n);
        pos += n;
        cut = cut * 3 % 97 + 1;
    }
    reply.Close();
    // A finished reply never holds more than its limit; a failed one nothing.
    if (reply.Failed() && !reply.Body().isEmpty())
        __builtin_trap();
    if (reply.Body().size() > 4096 || reply.BodySize() > 4096)
        __builtin_trap();
    return 0;
}
