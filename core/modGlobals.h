#pragma once
// Tarvel's shared state and the small shared procedures. The windows read the
// state directly; few procedures write it (each variable says who). Everything
// runs on the one interface thread.
#include "core/clsItem.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;
class clsItemManager;

namespace modGlobals {

inline const QString kAppTitle = QStringLiteral("Tarvel");

// Window-open flags: true while the window is loaded.
inline bool gMainLoaded = false;
inline bool gLoginLoaded = false;
inline bool gTooltipLoaded = false;
inline bool gAboutLoaded = false;
inline bool gOptionsLoaded = false;
inline bool gReferLoaded = false;

// Program and environment (start-up writes them).
inline QString gVersion;
inline int gPlatformId = 2;
inline QString gDataPath;   // program folder & "data/"
inline QString gImagesPath; // program folder & "images/"
inline bool gTrueColor = true;
inline int gSlideFactor = 6;
inline int gScreenBottom = 0; // twips
struct TwipsRectL {
    int left = 0, top = 0, right = 0, bottom = 0;
};
inline TwipsRectL gHighlightRect; // twips, screen coordinates
inline QString gCategoryIcon;

// Taskbar and button; handles are opaque ids of the taskbar layer, 0 = none.
inline quintptr gTrayHwnd = 0;
inline quintptr gTrayNotifyHwnd = 0;
inline quintptr gReBarHwnd = 0;
inline quintptr gTaskToolbarHwnd = 0;
inline quintptr gButtonHwnd = 0;
inline int gButtonPosition = 1; // 0 floating, 1 beside Start, 2 in Quick Launch
inline int gFavoritesPosition = 0;
inline QString gFavoritesPath;
inline int gAniSpeed = 19;

// Login state; LoginUser and LogoutUser write it.
inline int gUserID = 0; // 0 logged out, -1 leaving for an update
inline QString gUserName;
inline QString gPassword;
inline QString gRegisteredName;
inline bool gAllowRestricted = false;
inline QString gSessionKey;
inline int gLogoutTime = 0;
inline QString gCategoryLogFile;

// Server address; GetWebHost writes it.
inline QString gServerHost;
inline QString gServerPath;
inline QString gServerBase;

// Shared objects.
extern std::unique_ptr<clsItemManager> gItemManager; // created on first use
inline ItemCollectionPtr gNewsCollection;            // cached news headlines
inline int gInetError = 0;                           // error of the last transfer-control request

// Drops the cached news: a new empty collection takes its place, so a news
// menu that is open keeps the rows it shows instead of losing them under it.
void DropNewsCache();

// Puts every variable above back to its initial value (tests).
void ResetState();

// The settings store of the application title "Tarvel".
QString GetSetting(const QString& section, const QString& key, const QString& defaultValue = {});
void SaveSetting(const QString& section, const QString& key, const QString& value);
// A numeric setting; a text that does not convert gives the default.
int GetSettingLong(const QString& section, const QString& key, int defaultValue);
// The default each key of the store is read with ("X" for Main/LastUpdated
// as start-up reads it, "19" for AniSpeed of any "Options" & id section...);
// "" for a key without one.
QString SettingDefault(const QString& section, const QString& key);
// GetSetting with SettingDefault as the default.
QString GetSettingOrDefault(const QString& section, const QString& key);
// The runtime's text-to-number conversion as the design used it: decimal,
// "&H" hex, or a decimal fraction (C locale) rounded half to even. False when
// the text does not convert or does not fit in 32 bits ("9e9").
bool TextToLong(const QString& text, int* out);
// "Options" & gUserID.
QString UserOptionsSection();

// Error report: fills the error dialog and shows it, not modal.
void ShowError(const QString& errorMsg, int errorNo, const QString& location);

// Focus colouring of edit controls; a line edit also gets its text selected.
void CtlGotFocus(QWidget* ctl);
void CtlLostFocus(QWidget* ctl);

// A server's Boolean text: "True"/"False" in any case, or a number (non-zero
// is true); nothing for anything else.
std::optional<bool> ParseBoolean(QStringView text);

// Busy wait without processing window events.
void Pause(double seconds);

// Trimmed text with each word lowered after its first character (A-Z only).
QString ProperCase(const QString& text);

// True for a name the server gave that may become a file in one of our
// folders: not empty, no folder parts ("/", "\\", ":"), no leading dot, no
// "..", no control characters, at most 255 characters.
bool IsPlainFileName(const QString& name);

// True for the name of one of the programs' own files in the data folder,
// case aside: the menu table, its update spool, a category log, the
// installer, the licence and referral texts. A name from the server that
// would be written or deleted (a form file) must be none of them.
bool IsProgramDataFile(const QString& name);

// Category log.
void AppendLine(const QString& fileName, const QString& text);
void SubmitCategoryLog();
// The upload at the session's end: sent at once on this thread and waited
// for at most limitMs, with no window event run and no message shown.
void SubmitCategoryLogWithin(int limitMs);

// Favorites folder: 0 browser favorites folder, 1 bookmarks profile.
void SetFavoritesFolder(int position);

// The one item store, created on first use.
clsItemManager& ItemManager();

// Start-up: returns the process exit code when the program must end at once
// (second instance, first run, error), or -1 when the event loop should run.
int Main(const QStringList& arguments);

// Login and logout; callers judge the outcome by gUserID afterwards.
void LoginUser(const QString& UserName, const QString& Password);
void LogoutUser();

// What choosing a row of any menu does: closes the menu chain, then runs the
// built-in command or opens the item's redirect page.
void OpenItem(ItemPtr Item, const QString& SearchText = QString());

} // namespace modGlobals
