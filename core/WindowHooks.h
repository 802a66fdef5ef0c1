#pragma once
// The windows that the core drives live in the libraries above it (menus and
// shell). They register themselves here when the program starts; a hook left
// empty does nothing, which is what a core-only test wants.
#include <QString>

#include <functional>

namespace modGlobals {

struct WindowHooks {
    // Fill and show the error dialog (not modal).
    std::function<void(const QString& msg, int number, const QString& location)> showError;
    // Show the update prompt modally; true = update now.
    std::function<bool()> showUpdatePrompt;
    // Show the home-menu window above the button (after a login).
    std::function<void()> showHomeMenu;
    // Unload the home-menu window and with it every open submenu window.
    std::function<void()> unloadHomeMenu;
};

WindowHooks& Windows();

} // namespace modGlobals
