#pragma once
// Registers the menu windows with the core: Windows().showHomeMenu shows the
// home menu and Windows().unloadHomeMenu unloads it (and with it the whole
// chain); Windows().showWaitBox and unloadWaitBox show the tooltip window as
// the news menu's wait box and unload it. The openers of the chain get the
// form panel from ChildFactory().formPanel.
void InstallMenuHooks();
