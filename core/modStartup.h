#pragma once
// Start-up details beyond modGlobals::Main: the program's own version numbers
// and the single-instance guard.
#include <QString>

namespace modStartup {

// The program's major, minor and revision numbers (gVersion joins them).
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 3;
QString VersionText(); // "1.0.3"

// The name of the local socket that makes a second start of the program
// activate the running one: one per user and per settings folder.
QString SingleInstanceName();
// Claims the single-instance name. False when another instance holds it; that
// instance has then been asked to bring its button forward.
bool ClaimSingleInstance();
// Gives the name up (tests, and the end of the process).
void ReleaseSingleInstance();

// Main waits for the error dialog to close before it ends the process; how
// long at most (ms, 0 = until it closes). Tests shorten it.
void SetErrorWaitLimitMs(int ms);

} // namespace modStartup
