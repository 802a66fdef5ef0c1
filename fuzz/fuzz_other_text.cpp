// EUL.txt and Email.txt as other programs write them: UTF-8 with or without
// its mark, the Windows code page, or neither.
#include "platform/Latin1Text.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = platform::DecodeOtherText(bytes);
    // Text read in the code page goes back to the very same bytes.
    if (!platform::IsUtf8Text(bytes) && platform::EncodeAnsi(text) != bytes)
        __builtin_trap();
    if (!platform::IsUtf8Text(bytes) && !platform::FitsAnsi(text))
        __builtin_trap();
    return 0;
}
