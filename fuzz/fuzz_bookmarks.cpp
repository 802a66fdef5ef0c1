// A browser's bookmark.htm: the personal folder's bookmark lines.
#include "core/ReplyParsers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    ReplyParsers::ParseBookmarkFile(text.split(QLatin1Char('\n')));
    return 0;
}
