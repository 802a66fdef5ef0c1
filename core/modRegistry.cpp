#include "core/modRegistry.h"

#include "platform/Registry.h"

namespace modRegistry {

namespace {

bool KeyNameAcceptable(const QString& name) {
    if (name.startsWith(QLatin1Char('\\')) || name.endsWith(QLatin1Char('\\')))
        return false;
    return !name.contains(QStringLiteral("\\\\"));
}

} // namespace

bool RegQueryString(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                    QString& KeyVal) {
    if (!KeyNameAcceptable(KeyName))
        return false;
    platform::RegistryValue value;
    if (platform::RegReadValue(KeyRoot, KeyName, SubKeyRef, &value) != 0)
        return false;
    QByteArray data = value.data.left(16384);
    if (data.endsWith('\0'))
        data.chop(1);
    switch (value.type) {
    case platform::REG_SZ:
    case platform::REG_BINARY: KeyVal = QString::fromLocal8Bit(data); break;
    case platform::REG_DWORD: {
        quint32 n = 0;
        for (int i = data.size() - 1; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(data.at(i));
        KeyVal = QString::number(n);
        break;
    }
    default: KeyVal.clear(); break;
    }
    return true;
}

} // namespace modRegistry
