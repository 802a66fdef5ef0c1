#pragma once
// Scripted window interfaces (core/ButtonWindow.h, LoginWindow.h, MenuChain.h,
// Dialogs.h) for tests. Each installs itself for its lifetime and puts the
// one installed before back at the end. A member whose function a test set
// runs that function; every other member goes on to the one installed before
// (the do-nothing default, or the real window a test installed with
// Installed<>), so a test scripts just the members it watches.
//
// Whatever a test leaves installed, TestMain puts every interface and
// menus::ChildFactory() back as they were before the test.
#include "core/ButtonWindow.h"
#include "core/Dialogs.h"
#include "core/LoginWindow.h"
#include "core/MenuChain.h"

#include <QString>

#include <functional>
#include <memory>

namespace testsupport {

// Installs `next` and returns the interface that was installed before.
windows::ButtonWindow* Swap(windows::ButtonWindow* next);
windows::LoginWindow* Swap(windows::LoginWindow* next);
windows::MenuChain* Swap(windows::MenuChain* next);
windows::Dialogs* Swap(windows::Dialogs* next);

// A real implementation (ShellButton, ShellLogin, ShellDialogs, MenusChain),
// installed for the lifetime of this object.
template <class Impl> class Installed : public Impl {
public:
    Installed() : before_(Swap(static_cast<Impl*>(this))) {}
    ~Installed() override { Swap(before_); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    decltype(Swap(static_cast<Impl*>(nullptr))) before_;
};

class ScriptedButton : public windows::ButtonWindow {
public:
    ScriptedButton();
    ~ScriptedButton() override;
    ScriptedButton(const ScriptedButton&) = delete;
    ScriptedButton& operator=(const ScriptedButton&) = delete;
    windows::ButtonWindow& Before() const { return *before_; }

    std::function<QWidget*()> load;
    std::function<void()> show, activate, unload, resetTimer, resetNewsTimer;
    std::function<void(bool smallPicture, int widthTwips)> setButtonFace;
    std::function<bool(const QString& URL, const QString& FileName, QObject* frm)> downloadNewIcon;

    QWidget* Load() override;
    void Show() override;
    void Activate() override;
    void Unload() override;
    void ResetTimer() override;
    void ResetNewsTimer() override;
    void SetButtonFace(bool smallPicture, int widthTwips) override;
    bool DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm) override;

private:
    windows::ButtonWindow* before_;
};

class ScriptedLogin : public windows::LoginWindow {
public:
    ScriptedLogin();
    ~ScriptedLogin() override;
    ScriptedLogin(const ScriptedLogin&) = delete;
    ScriptedLogin& operator=(const ScriptedLogin&) = delete;
    windows::LoginWindow& Before() const { return *before_; }

    std::function<void(int value)> setProgress;
    std::function<void()> saveLoginLog, unload;

    void SetProgress(int value) override;
    void SaveLoginLog() override;
    void Unload() override;

private:
    windows::LoginWindow* before_;
};

class ScriptedMenuChain : public windows::MenuChain {
public:
    ScriptedMenuChain();
    ~ScriptedMenuChain() override;
    ScriptedMenuChain(const ScriptedMenuChain&) = delete;
    ScriptedMenuChain& operator=(const ScriptedMenuChain&) = delete;
    windows::MenuChain& Before() const { return *before_; }

    std::function<void()> showHomeMenu, unloadHomeMenu, unloadWaitBox;
    std::function<void(const QString& caption)> showWaitBox;

    void ShowHomeMenu() override;
    void UnloadHomeMenu() override;
    void ShowWaitBox(const QString& caption) override;
    void UnloadWaitBox() override;

private:
    windows::MenuChain* before_;
};

class ScriptedDialogs : public windows::Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;
    windows::Dialogs& Before() const { return *before_; }

    std::function<void(const QString& msg, int number, const QString& location)> showError;
    std::function<bool()> showUpdatePrompt;
    std::function<void()> showOptions, showRefer, showAbout, unloadMessageWindow;
    std::function<void(const QString& text)> showMessageWindow;
    std::function<void(int maximum, int value)> setMessageProgress;

    void ShowError(const QString& msg, int number, const QString& location) override;
    bool ShowUpdatePrompt() override;
    void ShowOptions() override;
    void ShowRefer() override;
    void ShowAbout() override;
    void ShowMessageWindow(const QString& text) override;
    void SetMessageProgress(int maximum, int value) override;
    void UnloadMessageWindow() override;

private:
    windows::Dialogs* before_;
};

// Saves every window interface and menus::ChildFactory() now and puts them
// back when it ends (TestMain keeps one around each test).
class WindowsSnapshot {
public:
    WindowsSnapshot();
    ~WindowsSnapshot();
    WindowsSnapshot(const WindowsSnapshot&) = delete;
    WindowsSnapshot& operator=(const WindowsSnapshot&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

} // namespace testsupport
