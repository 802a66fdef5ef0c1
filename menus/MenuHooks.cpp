#include "menus/MenuHooks.h"

#include "core/modGlobals.h"
#include "menus/frmForm.h"
#include "menus/frmMain.h"
#include "menus/frmMenu.h"
#include "menus/frmTooltip.h"
#include "platform/Twips.h"

void MenusChain::ShowHomeMenu() {
    frmMain::Instance().ShowMenu();
}

// Unloading only hides the one window and resets it, so OpenItem may call
// this from inside the window's own click and key handlers.
void MenusChain::UnloadHomeMenu() {
    frmMain::Instance().Unload();
}

void MenusChain::ShowWaitBox(const QString& caption) {
    using namespace modGlobals;
    // Left on the highlight bar's left, bottom on its top.
    const QRect anchor(gHighlightRect.left / platform::TwipsPerPixelX(),
                       gHighlightRect.top / platform::TwipsPerPixelY(), 1, 1);
    menus::frmTooltip::ShowAt(caption, anchor);
    menus::frmTooltip::Loaded()->repaint(); // painted before the slow fetch starts
}

void MenusChain::UnloadWaitBox() {
    menus::frmTooltip::Unload();
}

menus::ChildWindows MenuChildWindows() {
    menus::ChildWindows windows;
    // A new submenu window for every opening; its opener holds it and its
    // unload deletes it later.
    windows.newSubmenu = [] { return static_cast<QWidget*>(new frmMenu()); };
    // The one form panel, new for every opening (the openers unload the old
    // one first).
    windows.formPanel = [] { return static_cast<QWidget*>(frmForm::Instance()); };
    return windows;
}
