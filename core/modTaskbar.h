#pragma once
// Placement of the button window: floating at the bottom left of the screen
// (position 0), in the taskbar beside the Start button (1) or inside the Quick
// Launch toolbar (2). Owned by the taskbar developer; start-up, the button
// window, the options dialog and the home menu's move command call it.
//
// The button window (frmButton, a top-level frameless QWidget owned by the
// shell) is known here only by gButtonHwnd = platform::HandleOf(button); see
// platform/Taskbar.h for how handles map to widgets and how a "re-parented"
// button is moved. The placement changes the button's picture and width
// through windows::button().SetButtonFace (core/ButtonWindow.h).
#include <QRect>

class QWidget;

namespace modGlobals {

// Start-up, finding the taskbar: gTrayHwnd ("Shell_TrayWnd"), gTrayNotifyHwnd
// ("TrayNotifyWnd" in it), gReBarHwnd ("ReBarWindow32" in it) and
// gTaskToolbarHwnd ("ToolbarWindow32" in the rebar); 0 for any not found.
void FindTaskbarWindows();

// Start-up from the taskbar search to the first placement, in order:
// FindTaskbarWindows; gButtonHwnd = the button's handle; no rebar forces
// gButtonPosition = 0 (the setting is not rewritten); position 1 attaches the
// watcher to the rebar; PositionButton(gButtonPosition). Main calls this after
// the button window is loaded and before it is shown.
void PlaceButtonAtStartup(QWidget* button);

// Places the button for Position 0, 1 or 2; any other value does nothing.
// Does not store the position (callers keep gButtonPosition).
void PositionButton(int Position);

// Top and left edge of the button window on the screen, in twips.
int GetButtonTop();
int GetButtonLeft();

// The taskbar rectangle (pixels, screen) and edge as the button window reads
// them: with a rebar the reported edge, without one the edge worked out from
// the rectangle (TaskbarEdgeFromRect). An absent taskbar reads as an empty
// rectangle at the screen origin. Always returns a usable pair.
void ReadTaskbar(QRect* rect, int* edge);
// Vertical when taller than half the screen: 2 when its left lies beyond half
// the screen width, else 0; horizontal: 3 when its top lies beyond half the
// screen height, else 1.
int TaskbarEdgeFromRect(const QRect& rect);

// The button's paint handler, steps 2 and 3: reads the taskbar and sets
// gScreenBottom (twips).
void UpdateScreenBottom();

// The button's watch timer (every second, only in position 0): what it last
// saw of the taskbar. TaskbarWatchTick re-places the floating button when
// the edge, height or width changed and returns true then; it does nothing
// (beyond reading the taskbar) when nothing changed or the position is not 0.
struct TaskbarSnapshot {
    int edge = -1;
    int height = -1;
    int width = -1;
};
bool TaskbarWatchTick(TaskbarSnapshot& stored);

// The button's unload handler: detaches the watcher and gives the rebar back
// the room the docked button took. Nothing to give back without a rebar.
void ReleaseTaskbar();

// The watcher's window ("SubClass1" window handle); 0 detaches it.
void SetWatcherWindow(quintptr hwnd);

} // namespace modGlobals
