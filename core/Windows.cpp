// The window interfaces in use: each is the do-nothing default until the
// program (or a test) installs another.
#include "core/ButtonWindow.h"
#include "core/Dialogs.h"
#include "core/LoginWindow.h"
#include "core/MenuChain.h"

namespace windows {

void Dialogs::ShowError(const QString& msg, int number, const QString& location) {
    qWarning("%s: %s (%d)", qPrintable(location), qPrintable(msg), number);
}

namespace {

template <class Interface> Interface*& Installed() {
    static Interface* installed = nullptr;
    return installed;
}

template <class Interface> Interface& InUse() {
    static Interface doNothing;
    Interface* installed = Installed<Interface>();
    return installed ? *installed : doNothing;
}

} // namespace

LoginWindow& login() {
    return InUse<LoginWindow>();
}
void SetLoginWindow(LoginWindow* replacement) {
    Installed<LoginWindow>() = replacement;
}

ButtonWindow& button() {
    return InUse<ButtonWindow>();
}
void SetButtonWindow(ButtonWindow* replacement) {
    Installed<ButtonWindow>() = replacement;
}

MenuChain& menuChain() {
    return InUse<MenuChain>();
}
void SetMenuChain(MenuChain* replacement) {
    Installed<MenuChain>() = replacement;
}

Dialogs& dialogs() {
    return InUse<Dialogs>();
}
void SetDialogs(Dialogs* replacement) {
    Installed<Dialogs>() = replacement;
}

} // namespace windows
