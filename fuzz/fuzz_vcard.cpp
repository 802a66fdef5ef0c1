// A vCard file named by the registry layer: folded lines, quoted-printable
// values, CHARSET parameters, cards without an END.
#include "platform/Contacts.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<platform::Contact> contacts = platform::ParseVCards(text);
    // A card needs at least its BEGIN line.
    if (contacts.size() > text.size() / 12 + 1)
        __builtin_trap();
    return 0;
}
