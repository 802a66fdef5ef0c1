// The search reply: item ids, one a line, and a closing line.
#include "core/ReplyParsers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<int> ids = ReplyParsers::ParseSearchResults(reply);
    // Each id once.
    for (qsizetype i = 1; i < ids.size(); ++i) {
        if (ids.mid(0, i).contains(ids.at(i)))
            __builtin_trap();
    }
    return 0;
}
