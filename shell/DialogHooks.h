#pragma once
// The shell's dialogs as the core opens them (core/Dialogs.h): the error
// dialog, the update prompt, options, refer-a-friend, About and the progress
// window. InstallWindows (app/) installs one at start; a test installs its
// own, or derives from this one to script one member. It owns nothing: each
// dialog owns itself (or lives on the stack while it is modal).
#include "core/Dialogs.h"

class ShellDialogs : public windows::Dialogs {
public:
    void ShowError(const QString& msg, int number, const QString& location) override;
    bool ShowUpdatePrompt() override;
    void ShowOptions() override;
    void ShowRefer() override;
    void ShowAbout() override;
    void ShowMessageWindow(const QString& text) override;
    void SetMessageProgress(int maximum, int value) override;
    void UnloadMessageWindow() override;
};
