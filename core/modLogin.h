#pragma once
// Pieces of the login that the windows and the tests use besides
// modGlobals::LoginUser and LogoutUser.
#include <QString>
#include <QStringList>

#include <optional>

namespace modLogin {

// The support address quoted in the login's failure messages.
extern const QString kSupportAddress;

// How long (ms) the update exit waits for the category-log upload to leave.
void SetUploadWaitMs(int ms);
int UploadWaitMs();

// Waits (at most UploadWaitMs) for the category-log upload under way to
// leave: the process must not end, and the upload with it, before.
void WaitForUpload();

// The session's end (the desktop session ends, the X server is gone): what
// Close does to the login, the category log and the table, within limitMs,
// without an event loop. The windows are the caller's.
void EndSession(int limitMs);

// A user id: a positive 32-bit integer written in decimal digits only.
std::optional<int> ParseUserId(const QString& text);
bool IsNumeric(const QString& text);
// Line 4 of the reply: true only for exactly three parts that name a newer
// version than the program's own.
bool IsNewerVersion(const QString& line4);

// Everything the seven lines of a login reply must hold, read before any
// login state is stored so that a bad line leaves no half-done login.
struct LoginReply {
    int userId = 0;
    bool enrolled = true;
    bool allowRestricted = false;
    bool newerVersion = false;
    bool hasPopup = false;
    bool popupComplete = false; // four parts: the page opens
    int popupWidth = 0, popupHeight = 0;
    QString popupAddress, popupTitle;
    QString registeredName;
    QString sessionKey;
};
// False when fewer than seven lines came or one of them is not what it must
// be.
bool ReadLoginReply(const QStringList& lines, LoginReply* out);

} // namespace modLogin
