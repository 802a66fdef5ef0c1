#include "platform/SettingsStore.h"

#include "platform/AppPath.h"
#include "platform/IniLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <sys/stat.h>

namespace platform {

namespace {

// The path is worked out on every call rather than left to QSettings, which
// caches the configuration folder for the life of the process; tests and the
// run script point XDG_CONFIG_HOME elsewhere. Nothing is read from a settings
// folder of another user or through a link (see PrepareSettingsFolder).
bool Trusted() {
    return SettingsFolderTrusted();
}

QString Path(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

void Restrict(const QString& file) {
    // Owner read and write only: the file may hold a password.
    ::chmod(QFile::encodeName(file).constData(), S_IRUSR | S_IWUSR);
}

// The file's bytes when QSettings must not rewrite it (see IniLines.h);
// nothing when QSettings reads and writes it soundly, or there is no file.
std::optional<QByteArray> ForeignFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (IniFitsQSettings(bytes))
        return std::nullopt;
    return bytes;
}

bool WriteForeign(const QString& path, const QByteArray& bytes) {
    // A new file renamed into place: a failed write leaves the old one.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

QString SettingsFilePath(const QString& app) {
    // Both programs keep their settings in the one folder of the product.
    const QString home = QFileInfo(SettingsHome()).absolutePath();
    return home + QLatin1Char('/') + app + QLatin1Char('/') + app + QStringLiteral(".ini");
}

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue) {
    if (!Trusted())
        return defaultValue;
    if (const auto foreign = ForeignFile(SettingsFilePath(app)))
        return IniRead(*foreign, section, key).value_or(defaultValue);
    QSettings settings(SettingsFilePath(app), QSettings::IniFormat);
    const QVariant value = settings.value(Path(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value edited by hand with a bare "," reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool HasSetting(const QString& app, const QString& section, const QString& key) {
    if (!Trusted())
        return false;
    if (const auto foreign = ForeignFile(SettingsFilePath(app)))
        return IniRead(*foreign, section, key).has_value();
    QSettings settings(SettingsFilePath(app), QSettings::IniFormat);
    return settings.contains(Path(section, key));
}

bool SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value) {
    const QString file = SettingsFilePath(app);
    if (!PrepareSettingsFolder())
        return false;
    if (!QFile::exists(file)) {
        // Created empty with the narrow mode before anything is written, so
        // the password never sits in a file others can read.
        QFile f(file);
        if (f.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            f.close();
    }
    Restrict(file);
    bool saved = false;
    if (const auto foreign = ForeignFile(file)) {
        saved = WriteForeign(file, IniWithValue(*foreign, section, key, &value));
    } else {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue(Path(section, key), value);
        // QSettings writes lazily; the registry it replaces wrote at once.
        settings.sync();
        // Only a failed write: the file fits QSettings, so nothing it read
        // was in a form it could not parse.
        saved = settings.status() != QSettings::AccessError;
    }
    // The sync replaces the file by a new one; keep the narrow mode on it.
    Restrict(file);
    return saved;
}

void DeleteSetting(const QString& app, const QString& section, const QString& key) {
    const QString file = SettingsFilePath(app);
    if (!Trusted() || !QFile::exists(file))
        return;
    if (const auto foreign = ForeignFile(file)) {
        WriteForeign(file, IniWithValue(*foreign, section, key, nullptr));
        Restrict(file);
        return;
    }
    QSettings settings(file, QSettings::IniFormat);
    settings.remove(Path(section, key));
    settings.sync();
    Restrict(file);
}

} // namespace platform
