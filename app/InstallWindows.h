#pragma once
// The one place where Tarvel hands its windows to the core: the button and
// login windows (shell/ShellHooks.h), the dialogs (shell/DialogHooks.h), the
// menu chain and the child windows its openers create (menus/MenuHooks.h),
// and the home menu's context menu (shell/MenuCommands.h). The
// implementations are static here and stay installed until the process ends.
// Enlist drives no window through the core and installs none.
void InstallWindows();
