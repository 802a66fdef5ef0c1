#pragma once
// The windows that the core drives live in the libraries above it (menus and
// shell). They register themselves here when the program starts; a hook left
// empty does nothing, which is what a core-only test wants.
#include <QString>

#include <functional>

class QObject;
class QWidget;

namespace modGlobals {

struct WindowHooks {
    // Fill and show the error dialog (not modal).
    std::function<void(const QString& msg, int number, const QString& location)> showError;
    // Show the update prompt modally; true = update now.
    std::function<bool()> showUpdatePrompt;
    // Show the home-menu window above the button (after a login).
    std::function<void()> showHomeMenu;
    // Unload the home-menu window and with it every open submenu window.
    std::function<void()> unloadHomeMenu;
    // Button placement: cmdGo shows the small (Quick Launch) or the big
    // picture and takes the given width in twips (frmButton installs it).
    std::function<void(bool smallPicture, int widthTwips)> setButtonFace;
    // Progress message window (frmMessage): show with a text, set the bar's
    // maximum and value, unload.
    std::function<void(const QString& text)> showMessageWindow;
    std::function<void(int maximum, int value)> setMessageProgress;
    std::function<void()> unloadMessageWindow;
    // The button window (frmButton): load it (its timers run from then on)
    // and return it; show it; bring it forward for a second start of the
    // program; unload it; reset its idle minutes; reset its news minutes.
    std::function<QWidget*()> loadButton;
    std::function<void()> showButton;
    std::function<void()> activateButton;
    std::function<void()> unloadButton;
    std::function<void()> resetButtonTimer;
    std::function<void()> resetNewsTimer;
    // The login window (frmLogin) as the login drives it: its progress bar
    // (value 0 to 100, repainted at once), the remembered names, unloading.
    std::function<void(int value)> setLoginProgress;
    std::function<void()> saveLoginLog;
    std::function<void()> unloadLogin;
    // Dialogs that the built-in menu commands open: options (not modal),
    // refer-a-friend and About (modal).
    std::function<void()> showOptions;
    std::function<void()> showRefer;
    std::function<void()> showAbout;
    // The button window's icon download queue (frmButton.DownloadNewIcon):
    // fetch URL ("/images/" & a plain file name, below gServerBase) into
    // FileName (images folder & that name); false when refused. When the
    // queue runs dry, each requesting window that still exists is refilled
    // once through its Q_INVOKABLE RefreshIcons() (repainted if it has none),
    // which must not append to the category log again.
    std::function<bool(const QString& URL, const QString& FileName, QObject* frm)> downloadNewIcon;
    // The tooltip window (frmTooltip) as the news menu's wait box: show it
    // with this caption, as wide as the text plus its margins, its left at
    // gHighlightRect.left and its bottom at gHighlightRect.top, topmost and
    // not activated, painted before the hook returns; then unload it.
    std::function<void(const QString& caption)> showWaitBox;
    std::function<void()> unloadWaitBox;
};

WindowHooks& Windows();

} // namespace modGlobals
