#pragma once
// The dialogs that the core opens: the error dialog (ShowError), the update
// prompt (the login's update offer), the windows of the built-in menu
// commands and the progress window of the Quick Launch set-up. They live in
// the shell, above this library; its implementation (ShellDialogs in
// shell/DialogHooks.h) is installed at start by InstallWindows (app/). Until
// then, and in a core-only test, every member does nothing (but an error goes
// to the log, and the update prompt answers "not now").
//
// The caller of SetDialogs keeps ownership of the implementation and must
// keep it alive while installed; nullptr returns to the do-nothing default.
// The dialog windows belong to the shell.
#include <QString>

namespace windows {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Fills and shows the error dialog (frmError, not modal). The default
    // writes the error to the log instead.
    virtual void ShowError(const QString& msg, int number, const QString& location);
    // Shows the update prompt (frmUpdate) modally; true = update now.
    virtual bool ShowUpdatePrompt() { return false; }
    // Options (not modal), refer-a-friend and About (modal).
    virtual void ShowOptions() {}
    virtual void ShowRefer() {}
    virtual void ShowAbout() {}
    // The progress window (frmMessage): shown with a text, its bar's maximum
    // and value set, unloaded.
    virtual void ShowMessageWindow(const QString& /*text*/) {}
    virtual void SetMessageProgress(int /*maximum*/, int /*value*/) {}
    virtual void UnloadMessageWindow() {}
};

Dialogs& dialogs();
void SetDialogs(Dialogs* replacement);

} // namespace windows
