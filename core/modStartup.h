#pragma once
// Start-up details beyond modGlobals::Main: the program's own version numbers
// and the single-instance guard.
#include <QByteArrayView>
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

// What a second start sends the running one: these bytes and nothing else.
inline constexpr QByteArrayView kActivateRequest = "activate\n";
// Reads what a connection to the running instance sends, in whatever pieces
// it arrives: Activate once the whole request has come, Refuse at the first
// byte that departs from it (or anything after it), Wait before. It keeps no
// more than a count, whatever a peer sends.
class ActivateReader {
public:
    enum Result { Wait, Activate, Refuse };
    Result Feed(QByteArrayView bytes);

private:
    qsizetype held_ = 0;
    bool done_ = false;
};

// Main waits for the error dialog to close before it ends the process; how
// long at most (ms, 0 = until it closes). Tests shorten it.
void SetErrorWaitLimitMs(int ms);

} // namespace modStartup
