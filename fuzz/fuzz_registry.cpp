// The registry file other programs' values are read from, written as a real
// file and read the way the program reads it.
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir home;
    static const bool ready = [] {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        return QDir().mkpath(home.filePath(QStringLiteral("Tarvel")));
    }();
    if (!ready)
        return 0;
    QFile file(platform::RegistryFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    platform::RegistryValue value;
    platform::RegReadValue(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Tarvel"),
                           QStringLiteral("Favorites"), &value);
    platform::RegReadValue(platform::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Tarvel"),
                           QStringLiteral("Path"), &value);
    return 0;
}
