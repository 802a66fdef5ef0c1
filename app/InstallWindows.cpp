#include "app/InstallWindows.h"

#include "core/ButtonWindow.h"
#include "core/Dialogs.h"
#include "core/LoginWindow.h"
#include "core/MenuChain.h"
#include "menus/MenuHooks.h"
#include "menus/MenuLevel.h"
#include "shell/DialogHooks.h"
#include "shell/MenuCommands.h"
#include "shell/ShellHooks.h"

void InstallWindows() {
    static ShellButton button;
    static ShellLogin login;
    static ShellDialogs dialogs;
    static MenusChain menuChain;
    windows::SetButtonWindow(&button);
    windows::SetLoginWindow(&login);
    windows::SetDialogs(&dialogs);
    windows::SetMenuChain(&menuChain);
    menus::ChildFactory() = MenuChildWindows();
    MenuCommands::InstallMenuCommands();
}
