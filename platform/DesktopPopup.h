#pragma once
// The launcher's own frameless tool windows (the button, the login window,
// the menu windows, the form panel, the tooltip, the progress note) belong to
// the desktop, not to a task: a panel's task list, its pager and Alt-Tab
// leave them out, as they do a desktop launcher's pop-ups. On X11 a panel
// lists every managed top-level window unless the window asks to be skipped
// (_NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER), and Qt asks that
// for none of its window kinds. Dialogs (frames, title bars) keep their
// entries.
//
// KeepPopupsOffTaskbar installs one watch for the whole program: each time
// such a window is shown it carries both states, set on the window before it
// is mapped and asked of the window manager again once it is, since a window
// manager drops a window's states when it is withdrawn (a hide and a quick
// show again can overtake that). Off X11 it does nothing.
class QWidget;

namespace platform {

void KeepPopupsOffTaskbar();

// Whether the watch counts `window` as such a pop-up.
bool IsDesktopPopup(const QWidget* window);

} // namespace platform
