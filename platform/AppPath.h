#pragma once
// The two folders the design calls the program folder. On Linux they part:
// the programs (Tarvel, Enlist, and the outside Browser and TarvelUpdate) sit
// in the folder of the running executable, which may be read-only (/usr);
// what the programs write (data/ and images/) lives per user under
// $XDG_DATA_HOME/Tarvel/.
#include <QString>

namespace platform {

// The folder of the programs: the running executable's (symbolic links
// resolved, so /usr/bin/tarvel finds its companions in /usr/libexec/tarvel),
// unless TARVEL_APP_PATH or a test names another.
QString AppPath();
void SetAppPath(const QString& folder); // "" returns to the executable's folder

// The folder that holds data/ and images/: $XDG_DATA_HOME/Tarvel, or
// ~/.local/share/Tarvel when XDG_DATA_HOME is unset or not absolute. No
// trailing "/". Read afresh on each call, so a test's environment counts.
QString DataHome();
QString DataFolder();   // DataHome() + "/data/"
QString ImagesFolder(); // DataHome() + "/images/"

// Creates DataHome(), data/ and images/ where missing, private to the user
// (0700), and checks that data/ and images/ can be written. On failure the
// folder at fault and the system's reason ("Permission denied") are set and
// the result is false.
// A link at any of the three is refused, never followed.
bool PrepareDataFolders(QString* failedFolder = nullptr, QString* reason = nullptr);

// The settings folder: $XDG_CONFIG_HOME/Tarvel, or ~/.config/Tarvel. It holds
// the remembered password and the values the programs act on (AutoLogin,
// Registry.ini's folders and programs), so it follows the data folders' rule:
// made 0700, narrowed when wider, refused (the folder and the reason set)
// when it belongs to another user or is a link. Both programs call it before
// anything is read from it.
QString SettingsHome();
bool PrepareSettingsFolder(QString* failedFolder = nullptr, QString* reason = nullptr);
// For every read of the folder: true when it is missing (nothing to read) or
// a folder of this user, not a link.
bool SettingsFolderTrusted();

} // namespace platform
