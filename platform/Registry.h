#pragma once
// Read-only stand-in for the registry values that other programs keep (the
// favorites folder, a mail program's path, the taskbar's settings). The Linux
// implementation reads $XDG_CONFIG_HOME/Tarvel/Registry.ini: one section per
// key path below a root ("HKEY_CURRENT_USER\Software\..."), one entry per
// value. Values are text; "dword:1a" stands for a 32-bit number, "hex:1a,00"
// for raw bytes and "hex(N):..." for bytes stored with value type N. With no
// entry the read fails.
#include <QByteArray>
#include <QString>

namespace platform {

inline constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
inline constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;

// Registry value types.
inline constexpr int REG_SZ = 1;
inline constexpr int REG_BINARY = 3;
inline constexpr int REG_DWORD = 4;

struct RegistryValue {
    int type = REG_SZ;
    QByteArray data; // as stored, a string value with its terminating NUL
};

// Opens the key and reads one value; 0 on success, a non-zero code otherwise
// (2 = not found).
int RegReadValue(quint32 root, const QString& keyName, const QString& valueName,
                 RegistryValue* value);

QString RegistryFilePath();

} // namespace platform
