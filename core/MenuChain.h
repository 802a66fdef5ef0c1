#pragma once
// The menu chain (the home menu frmMain, its submenus and the form panel) and
// the tooltip window, as the login, OpenItem, the news menu and the shell
// drive them. The windows live in the menus library, above this one; its
// implementation (MenusChain in menus/MenuHooks.h) is installed at start by
// InstallWindows (app/). Until then, and in a core-only test, every member
// does nothing. (The openers inside the chain create their child windows
// through menus::ChildFactory(), installed in the same place.)
//
// The caller of SetMenuChain keeps ownership of the implementation and must
// keep it alive while installed; nullptr returns to the do-nothing default.
#include <QString>

namespace windows {

class MenuChain {
public:
    virtual ~MenuChain() = default;
    // Shows the home-menu window above the button (after a login).
    virtual void ShowHomeMenu() {}
    // Unloads the home-menu window and with it every open submenu window.
    virtual void UnloadHomeMenu() {}
    // The tooltip window (frmTooltip) as the news menu's wait box: shown with
    // this caption, as wide as the text plus its margins, its left at
    // gHighlightRect.left and its bottom at gHighlightRect.top, topmost and
    // not activated, painted before the call returns; then unloaded.
    virtual void ShowWaitBox(const QString& /*caption*/) {}
    virtual void UnloadWaitBox() {}
};

MenuChain& menuChain();
void SetMenuChain(MenuChain* replacement);

} // namespace windows
