#include "menus/MenuHooks.h"

#include "core/WindowHooks.h"
#include "core/modGlobals.h"
#include "menus/MenuLevel.h"
#include "menus/frmForm.h"
#include "menus/frmMain.h"
#include "menus/frmMenu.h"
#include "menus/frmTooltip.h"
#include "platform/Twips.h"

void InstallMenuHooks() {
    using namespace modGlobals;
    Windows().showHomeMenu = [] { frmMain::Instance().ShowMenu(); };
    // A new submenu window for every opening; its opener holds it and its
    // unload deletes it later.
    menus::ChildFactory().newSubmenu = [] { return static_cast<QWidget*>(new frmMenu()); };
    // Unloading only hides the one window and resets it, so OpenItem may
    // call this from inside the window's own click and key handlers.
    Windows().unloadHomeMenu = [] { frmMain::Instance().Unload(); };
    Windows().showWaitBox = [](const QString& caption) {
        // Left on the highlight bar's left, bottom on its top.
        const QRect anchor(gHighlightRect.left / platform::TwipsPerPixelX(),
                           gHighlightRect.top / platform::TwipsPerPixelY(), 1, 1);
        menus::frmTooltip::ShowAt(caption, anchor);
        menus::frmTooltip::Loaded()->repaint(); // painted before the slow fetch starts
    };
    Windows().unloadWaitBox = [] { menus::frmTooltip::Unload(); };
    // The one form panel, new for every opening (the openers unload the old
    // one first).
    menus::ChildFactory().formPanel = [] { return static_cast<QWidget*>(frmForm::Instance()); };
}
