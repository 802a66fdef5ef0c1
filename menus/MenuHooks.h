#pragma once
// The menu windows as the core drives them (core/MenuChain.h): MenusChain
// shows and unloads the home menu (and with it the whole chain) and shows the
// tooltip window as the news menu's wait box. MenuChildWindows() is what
// menus::ChildFactory() holds in the program: a new submenu window for every
// opening and the form panel. InstallWindows (app/) installs both at start; a
// test installs its own, or derives from MenusChain to script one member.
// Neither owns a window: frmMain and frmForm are single, a submenu belongs to
// its opener, the tooltip window to frmTooltip.
#include "core/MenuChain.h"
#include "menus/MenuLevel.h"

class MenusChain : public windows::MenuChain {
public:
    void ShowHomeMenu() override;
    void UnloadHomeMenu() override;
    void ShowWaitBox(const QString& caption) override;
    void UnloadWaitBox() override;
};

menus::ChildWindows MenuChildWindows();
