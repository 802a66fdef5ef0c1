// The home-menu reply: ids, separators and the closing "EOF".
#include "core/ReplyParsers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ReplyParsers::ParseHomeMenu(reply);
    return 0;
}
