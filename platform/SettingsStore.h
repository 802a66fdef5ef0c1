#pragma once
// Stand-in for the per-user application settings store (the registry branch
// that GetSetting/SaveSetting use on Windows): an INI file per application at
// $XDG_CONFIG_HOME/<app>/<app>.ini, created with mode 0600 because it holds the
// remembered password. Every save is on disk when it returns, so a crash loses
// nothing and another program (Enlist) sees the value at once.
#include <QString>

namespace platform {

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// False when the value did not reach the file (a read-only file or folder,
// a full disk).
bool SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value);
void DeleteSetting(const QString& app, const QString& section, const QString& key);
// True when the key exists (a missing key and an empty value differ).
bool HasSetting(const QString& app, const QString& section, const QString& key);
QString SettingsFilePath(const QString& app);

} // namespace platform
