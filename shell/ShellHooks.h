#pragma once
// The button window and the login window as the core drives them
// (core/ButtonWindow.h, core/LoginWindow.h). InstallWindows (app/) installs
// one of each at start; a test installs its own, or derives from these to
// script one member. They own nothing: frmButton and frmLogin own themselves.
#include "core/ButtonWindow.h"
#include "core/LoginWindow.h"

#include <functional>

class ShellButton : public windows::ButtonWindow {
public:
    QWidget* Load() override;
    void Show() override;
    void Activate() override;
    void Unload() override;
    void ResetTimer() override;
    void ResetNewsTimer() override;
    void SetButtonFace(bool smallPicture, int widthTwips) override;
    bool DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm) override;
};

class ShellLogin : public windows::LoginWindow {
public:
    void SetProgress(int value) override;
    void SaveLoginLog() override;
    void Unload() override;
};

// The process ends when its last window is gone (the menu command Close, the
// update exit): `quit` runs once the button window is unloaded and no other
// window is on screen. The button is a tool window, and Qt does not count
// those when it decides that the last window was closed. nullptr stops the
// watch.
void EndWhenLastWindowGone(std::function<void()> quit);
