#pragma once
// Registers the menu windows with the core: Windows().showHomeMenu shows the
// home menu and Windows().unloadHomeMenu unloads it (and with it the whole
// chain), ChildFactory().newSubmenu creates the submenu windows and
// ChildFactory().formPanel the form panel; Windows().showWaitBox and
// unloadWaitBox show the tooltip window as the news menu's wait box and
// unload it.
void InstallMenuHooks();
