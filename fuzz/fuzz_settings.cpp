// The settings file Tarvel.ini as another program may have left it: any
// bytes. A value set in it reads back as set, and the file stays readable.
#include "platform/IniLines.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)platform::IniFitsQSettings(file);
    (void)platform::IniRead(file, QStringLiteral("Login"), QStringLiteral("Password"));
    // The value: the input's first printable ASCII bytes, quotes and
    // backslashes included.
    QString value;
    for (qsizetype i = 0; i < file.size() && value.size() < 24; ++i) {
        const char c = file.at(i);
        if (c >= 0x20 && c < 0x7F)
            value += QLatin1Char(c);
    }
    const QByteArray saved =
        platform::IniWithValue(file, QStringLiteral("Login"), QStringLiteral("Password"), &value);
    if (platform::IniRead(saved, QStringLiteral("Login"), QStringLiteral("Password")) != value)
        __builtin_trap();
    const QByteArray removed =
        platform::IniWithValue(saved, QStringLiteral("Login"), QStringLiteral("Password"), nullptr);
    if (platform::IniRead(removed, QStringLiteral("Login"), QStringLiteral("Password")))
        __builtin_trap();
    return 0;
}
