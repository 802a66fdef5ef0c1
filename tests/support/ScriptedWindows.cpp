#include "support/ScriptedWindows.h"

#include "menus/MenuLevel.h"

namespace testsupport {

windows::ButtonWindow* Swap(windows::ButtonWindow* next) {
    windows::ButtonWindow* before = &windows::button();
    windows::SetButtonWindow(next);
    return before;
}

windows::LoginWindow* Swap(windows::LoginWindow* next) {
    windows::LoginWindow* before = &windows::login();
    windows::SetLoginWindow(next);
    return before;
}

windows::MenuChain* Swap(windows::MenuChain* next) {
    windows::MenuChain* before = &windows::menuChain();
    windows::SetMenuChain(next);
    return before;
}

windows::Dialogs* Swap(windows::Dialogs* next) {
    windows::Dialogs* before = &windows::dialogs();
    windows::SetDialogs(next);
    return before;
}

// ---- ScriptedButton ---------------------------------------------------------

ScriptedButton::ScriptedButton() : before_(Swap(this)) {}
ScriptedButton::~ScriptedButton() {
    Swap(before_);
}
QWidget* ScriptedButton::Load() {
    return load ? load() : before_->Load();
}
void ScriptedButton::Show() {
    show ? show() : before_->Show();
}
void ScriptedButton::Activate() {
    activate ? activate() : before_->Activate();
}
void ScriptedButton::Unload() {
    unload ? unload() : before_->Unload();
}
void ScriptedButton::ResetTimer() {
    resetTimer ? resetTimer() : before_->ResetTimer();
}
void ScriptedButton::ResetNewsTimer() {
    resetNewsTimer ? resetNewsTimer() : before_->ResetNewsTimer();
}
void ScriptedButton::SetButtonFace(bool smallPicture, int widthTwips) {
    setButtonFace ? setButtonFace(smallPicture, widthTwips)
                  : before_->SetButtonFace(smallPicture, widthTwips);
}
bool ScriptedButton::DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm) {
    return downloadNewIcon ? downloadNewIcon(URL, FileName, frm)
                           : before_->DownloadNewIcon(URL, FileName, frm);
}

// ---- ScriptedLogin ----------------------------------------------------------

ScriptedLogin::ScriptedLogin() : before_(Swap(this)) {}
ScriptedLogin::~ScriptedLogin() {
    Swap(before_);
}
void ScriptedLogin::SetProgress(int value) {
    setProgress ? setProgress(value) : before_->SetProgress(value);
}
void ScriptedLogin::SaveLoginLog() {
    saveLoginLog ? saveLoginLog() : before_->SaveLoginLog();
}
void ScriptedLogin::Unload() {
    unload ? unload() : before_->Unload();
}

// ---- ScriptedMenuChain ------------------------------------------------------

ScriptedMenuChain::ScriptedMenuChain() : before_(Swap(this)) {}
ScriptedMenuChain::~ScriptedMenuChain() {
    Swap(before_);
}
void ScriptedMenuChain::ShowHomeMenu() {
    showHomeMenu ? showHomeMenu() : before_->ShowHomeMenu();
}
void ScriptedMenuChain::UnloadHomeMenu() {
    unloadHomeMenu ? unloadHomeMenu() : before_->UnloadHomeMenu();
}
void ScriptedMenuChain::ShowWaitBox(const QString& caption) {
    showWaitBox ? showWaitBox(caption) : before_->ShowWaitBox(caption);
}
void ScriptedMenuChain::UnloadWaitBox() {
    unloadWaitBox ? unloadWaitBox() : before_->UnloadWaitBox();
}

// ---- ScriptedDialogs --------------------------------------------------------

ScriptedDialogs::ScriptedDialogs() : before_(Swap(this)) {}
ScriptedDialogs::~ScriptedDialogs() {
    Swap(before_);
}
void ScriptedDialogs::ShowError(const QString& msg, int number, const QString& location) {
    showError ? showError(msg, number, location) : before_->ShowError(msg, number, location);
}
bool ScriptedDialogs::ShowUpdatePrompt() {
    return showUpdatePrompt ? showUpdatePrompt() : before_->ShowUpdatePrompt();
}
void ScriptedDialogs::ShowOptions() {
    showOptions ? showOptions() : before_->ShowOptions();
}
void ScriptedDialogs::ShowRefer() {
    showRefer ? showRefer() : before_->ShowRefer();
}
void ScriptedDialogs::ShowAbout() {
    showAbout ? showAbout() : before_->ShowAbout();
}
void ScriptedDialogs::ShowMessageWindow(const QString& text) {
    showMessageWindow ? showMessageWindow(text) : before_->ShowMessageWindow(text);
}
void ScriptedDialogs::SetMessageProgress(int maximum, int value) {
    setMessageProgress ? setMessageProgress(maximum, value)
                       : before_->SetMessageProgress(maximum, value);
}
void ScriptedDialogs::UnloadMessageWindow() {
    unloadMessageWindow ? unloadMessageWindow() : before_->UnloadMessageWindow();
}

// ---- WindowsSnapshot --------------------------------------------------------

struct WindowsSnapshot::Saved {
    windows::ButtonWindow* button = &windows::button();
    windows::LoginWindow* login = &windows::login();
    windows::MenuChain* menuChain = &windows::menuChain();
    windows::Dialogs* dialogs = &windows::dialogs();
    menus::ChildWindows childFactory = menus::ChildFactory();
};

WindowsSnapshot::WindowsSnapshot() : saved_(std::make_unique<Saved>()) {}

WindowsSnapshot::~WindowsSnapshot() {
    windows::SetButtonWindow(saved_->button);
    windows::SetLoginWindow(saved_->login);
    windows::SetMenuChain(saved_->menuChain);
    windows::SetDialogs(saved_->dialogs);
    menus::ChildFactory() = saved_->childFactory;
}

} // namespace testsupport
