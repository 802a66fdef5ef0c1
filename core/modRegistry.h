#pragma once
// Reads a value that another program keeps in the registry.
#include <QString>

namespace modRegistry {

// Reads value SubKeyRef of key KeyName below KeyRoot into KeyVal; true on
// success. A string is returned without its terminating NUL, a 32-bit number
// in decimal; KeyVal is untouched when the key name is not acceptable.
bool RegQueryString(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                    QString& KeyVal);

} // namespace modRegistry
