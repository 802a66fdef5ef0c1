// The database locator's answer: the installer is only ever fetched from a
// web address of its own, which is the answer without the blanks around it.
#include "enlist/frmEnlist.h"
#include "platform/Latin1Text.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = platform::DecodeAnsi(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QString address = frmEnlist::ParseInstallerAddress(reply);
    if (address.isEmpty())
        return 0;
    if (address != reply.trimmed())
        __builtin_trap();
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        __builtin_trap();
    return 0;
}
