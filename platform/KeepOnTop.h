#pragma once
// The button stays on top of the desktop: each time it is re-placed (the
// panel moved, its options changed) it goes back above whatever has come to
// cover it. It must not take the keyboard on the way: the user may be typing
// in the login window that has just opened, or in another program.
//
// A plain raise will not do under every window manager: xfwm4 takes a
// client's raise of a window that was not the last one raised as a request
// to activate it, and moves the keyboard there. Under a window manager the
// window is restacked instead above the window that covers it (a request
// that names a sibling, which no manager reads as an activation), and only
// when one does; without a window manager (and off X11) it is a raise.
class QWidget;

namespace platform {

void KeepOnTop(QWidget* window);

} // namespace platform
