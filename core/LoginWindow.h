#pragma once
// The login window (frmLogin) as the login drives it. The window lives in the
// shell, above this library; the shell's implementation (ShellLogin in
// shell/ShellHooks.h) is installed at start by InstallWindows (app/). Until
// then, and in a core-only test, every member does nothing.
//
// The caller of SetLoginWindow keeps ownership of the implementation and must
// keep it alive while installed; nullptr returns to the do-nothing default.

namespace windows {

class LoginWindow {
public:
    virtual ~LoginWindow() = default;
    // The progress bar: value 0 to 100, repainted at once.
    virtual void SetProgress(int /*value*/) {}
    // Stores the remembered names.
    virtual void SaveLoginLog() {}
    virtual void Unload() {}
};

LoginWindow& login();
void SetLoginWindow(LoginWindow* replacement);

} // namespace windows
