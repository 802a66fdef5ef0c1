#pragma once
// The Quick Launch set-up: for the button inside the Quick Launch toolbar
// (position 2), the user's Quick Launch folder is rebuilt so that two copies
// of Tarvel's shortcut come first and the button can sit over them. Owned by
// the taskbar developer; the options dialog calls it. The Quick Launch folder
// and short file names come through the taskbar layer (platform/Taskbar.h),
// the taskbar's stream value through the registry layer. On Linux there is no
// rebar, so the position is never offered.
#include <QString>

#include <functional>

namespace modQuickLaunch {

// Rebuilds the Quick Launch folder and saves Options/ButtonPosition = "1";
// shows the progress window (frmMessage) meanwhile. On any failure every
// shortcut moved aside is put back, Options/ButtonPosition = "0" is saved,
// the error is reported and the result is false (the caller should then not
// choose position 2).
bool CreateQuickLaunchSpace();

// Deletes "Tarvel.lnk" and "Tarvel1.lnk" from the Quick Launch folder,
// ignoring every error.
void RemoveQuickLaunchShortcuts();

// The user's Quick Launch folder with a trailing "/", "" when unknown.
QString QuickLaunchFolder();

// Waits that let the shell notice each change. The default processes window
// events for the given seconds; tests record the waits instead.
using WaitFunction = std::function<void(double seconds)>;
void SetWaitFunction(WaitFunction wait); // nullptr returns to the default

// Where shortcuts are moved aside; by default "Tarvel Folder Temp.!!!" in the
// system's temporary folder. "" returns to the default.
void SetTempFolder(const QString& folder);
QString TempFolder();

} // namespace modQuickLaunch
