#pragma once
// Pieces of the login that the windows and the tests use besides
// modGlobals::LoginUser and LogoutUser.
#include <QString>

#include <optional>

namespace modLogin {

// The support address quoted in the login's failure messages.
extern const QString kSupportAddress;

// How long (ms) the update exit waits for the category-log upload to leave.
void SetUploadWaitMs(int ms);
int UploadWaitMs();

// A user id: a positive 32-bit integer written in decimal digits only.
std::optional<int> ParseUserId(const QString& text);
bool IsNumeric(const QString& text);
// Line 4 of the reply: true only for exactly three parts that name a newer
// version than the program's own.
bool IsNewerVersion(const QString& line4);

} // namespace modLogin
