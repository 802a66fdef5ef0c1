// A favorite's .url file and the check that only web addresses are opened.
#include "core/ReplyParsers.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QString> address = ReplyParsers::UrlFileAddress(content);
    if (!address || !ReplyParsers::IsWebAddress(*address))
        return 0;
    const QString scheme = QUrl(*address).scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
        scheme != QLatin1String("ftp"))
        __builtin_trap();
    return 0;
}
