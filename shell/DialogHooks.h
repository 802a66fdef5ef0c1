#pragma once
// The shell's dialogs as the core opens them (core/Dialogs.h): the error
// dialog, the update prompt, options, refer-a-friend, About and the progress
// window. InstallWindows (app/) installs one at start; a test installs its
// own, or derives from this one to script one member. Each dialog owns itself
// (or lives on the stack while it is modal).
#include "core/Dialogs.h"
#include "platform/RequestWait.h"

#include <memory>

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

private:
    // The message window shows the waits of the work it stands for: its
    // Escape and close box stop a long transfer among them.
    std::unique_ptr<platform::WaitWindow> messageWait_;
};
