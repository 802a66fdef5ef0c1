#include "platform/Registry.h"

#include "platform/AppPath.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace platform {

namespace {

QString RootName(quint32 root) {
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    default:
        return QString();
    }
}

// The file is read by hand rather than through QSettings, whose INI reader
// treats backslashes in section names and values as escapes.
bool Lookup(const QString& section, const QString& name, QString* raw, bool* keyFound) {
    QFile file(RegistryFilePath());
    *keyFound = false;
    if (!SettingsFolderTrusted() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
            *keyFound = *keyFound || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        QString key = line.left(eq).trimmed();
        if (key.size() >= 2 && key.startsWith(QLatin1Char('"')) && key.endsWith(QLatin1Char('"')))
            key = key.mid(1, key.size() - 2);
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            *raw = line.mid(eq + 1).trimmed();
            return true;
        }
    }
    return false;
}

} // namespace

QString RegistryFilePath() {
    return SettingsHome() + QStringLiteral("/Registry.ini");
}

int RegReadValue(quint32 root, const QString& keyName, const QString& valueName,
                 RegistryValue* value) {
    const QString rootName = RootName(root);
    if (rootName.isEmpty())
        return 6; // invalid handle
    QString raw;
    bool keyFound = false;
    const bool found = Lookup(rootName + QLatin1Char('\\') + keyName, valueName, &raw, &keyFound);
    if (!found)
        return 2; // not found
    if (raw.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const quint32 n = raw.mid(6).toUInt(&ok, 16);
        if (!ok)
            return 13; // invalid data
        value->type = REG_DWORD;
        value->data = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            value->data[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        return 0;
    }
    // "hex:" holds raw bytes; "hex(N):" bytes stored with the value type N,
    // as a registry export writes them (a string without its NUL, say).
    if (raw.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        int type = REG_BINARY;
        const int colon = raw.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return 13;
        const QString tag = raw.left(colon);
        if (tag.compare(QLatin1String("hex"), Qt::CaseInsensitive) != 0) {
            bool ok = false;
            if (!tag.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
                !tag.endsWith(QLatin1Char(')')))
                return 13;
            type = tag.mid(4, tag.size() - 5).toInt(&ok, 16);
            if (!ok)
                return 13;
        }
        value->type = type;
        value->data.clear();
        for (const QString& b : raw.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint byte = b.trimmed().toUInt(&ok, 16);
            if (!ok || byte > 255)
                return 13;
            value->data.append(static_cast<char>(byte));
        }
        return 0;
    }
    if (raw.size() >= 2 && raw.startsWith(QLatin1Char('"')) && raw.endsWith(QLatin1Char('"')))
        raw = raw.mid(1, raw.size() - 2);
    value->type = REG_SZ;
    value->data = raw.toLocal8Bit() + '\0'; // stored with its terminating NUL
    return 0;
}

} // namespace platform
