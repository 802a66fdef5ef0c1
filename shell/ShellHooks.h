#pragma once
// Installs the hooks through which the core drives the button window and the
// login window (core/WindowHooks.h). The program calls this once at start.
#include <functional>

void InstallShellHooks();

// The process ends when its last window is gone (the menu command Close, the
// update exit): `quit` runs once the button window is unloaded and no other
// window is on screen. The button is a tool window, and Qt does not count
// those when it decides that the last window was closed. nullptr stops the
// watch.
void EndWhenLastWindowGone(std::function<void()> quit);
