// The mail program's address book "NNdbase.txt": alias fields among others.
#include "platform/Contacts.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const platform::AddressBookEntry& e : platform::ParseAddressBook(text)) {
        // Every entry names someone at an address, and an address ends at
        // the first comma.
        if (e.name.trimmed().isEmpty() || e.email.isEmpty() || e.email.contains(QLatin1Char(',')))
            __builtin_trap();
    }
    return 0;
}
