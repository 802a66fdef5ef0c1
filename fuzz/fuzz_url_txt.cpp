// url.txt from the bootstrap host: the server's host and path lines.
#include "core/modInternet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString host, path;
    if (!modInternet::ParseWebHost(reply, &host, &path))
        return 0;
    // Nothing that could end a request line or start a header gets through.
    for (const QString& line : {host, path}) {
        if (line.isEmpty() || line.contains(QLatin1Char(' ')) || line.contains(QLatin1Char('\r')) ||
            line.contains(QLatin1Char('\n')))
            __builtin_trap();
    }
    return 0;
}
