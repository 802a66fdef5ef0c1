#pragma once
// Reads a value that another program keeps in the registry.
#include <QString>

namespace modRegistry {

// Reads value SubKeyRef of key KeyName below KeyRoot into KeyVal; true on
// success. A string is returned without its terminating NUL, raw bytes one
// character per byte, a 32-bit number in signed decimal, any other type as "".
// KeyVal is untouched when the read fails or the key name is not acceptable.
bool RegQueryString(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                    QString& KeyVal);

} // namespace modRegistry
