#include "core/modRegistry.h"

#include "platform/Registry.h"

namespace modRegistry {

namespace {

// The size of the design's value buffer, in characters.
constexpr int kBufferSize = 16384;

// A key name is refused before the registry is asked when it begins or ends
// with a backslash or holds two in a row.
bool KeyNameAcceptable(const QString& name) {
    if (name.startsWith(QLatin1Char('\\')) || name.endsWith(QLatin1Char('\\')))
        return false;
    return !name.contains(QStringLiteral("\\\\"));
}

// A 32-bit number as the design turned it into text: its bytes from the last
// to the first as hex digits, read back as a signed 32-bit hex number.
QString DwordText(const QByteArray& data) {
    quint32 n = 0;
    for (qsizetype i = data.size() - 1; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(data.at(i));
    return QString::number(static_cast<qint32>(n));
}

} // namespace

bool RegQueryString(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                    QString& KeyVal) {
    if (!KeyNameAcceptable(KeyName))
        return false;
    platform::RegistryValue value;
    if (platform::RegReadValue(KeyRoot, KeyName, SubKeyRef, &value) != 0)
        return false;
    // A value larger than the buffer is a failed read, as it was on Windows.
    if (value.data.size() > kBufferSize)
        return false;
    QByteArray data = value.data;
    if (data.endsWith('\0'))
        data.chop(1);
    switch (value.type) {
    case platform::REG_SZ:
        KeyVal = QString::fromLocal8Bit(data);
        break;
    // Raw bytes stay one character per byte.
    case platform::REG_BINARY:
        KeyVal = QString::fromLatin1(data);
        break;
    case platform::REG_DWORD:
        // More than four bytes overflowed the design's conversion, which
        // its error handler turned into a failed read.
        if (data.size() > 4)
            return false;
        KeyVal = DwordText(data);
        break;
    default:
        KeyVal.clear();
        break;
    }
    return true;
}

} // namespace modRegistry
