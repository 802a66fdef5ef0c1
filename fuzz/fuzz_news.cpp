// The news reply: feed headings, headline counts, ids and texts.
#include "core/ReplyParsers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ItemCollectionPtr rows = ReplyParsers::NewsRows(reply);
    // Never an empty menu: at least the "No News..." row.
    if (!rows || rows->Count() == 0)
        __builtin_trap();
    return 0;
}
