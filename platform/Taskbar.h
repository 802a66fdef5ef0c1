#pragma once
// The desktop's taskbar as the button placement sees it: the taskbar window,
// its notification area, its rebar and the Quick Launch toolbar inside the
// rebar, their rectangles and edge, re-parenting and moving windows, and a
// watch on one window's messages (the stand-in for a subclassing control).
//
// Window handles are opaque numbers, 0 = none. Two kinds exist:
// - foreign windows (the taskbar's), numbered by the Taskbar implementation;
// - windows of this process: a top-level QWidget gets a handle from
//   HandleOf(widget). The button window is such a widget (frmButton owns it).
//   SetParent(button, foreign) does not make it a Qt child: it only records the
//   foreign parent, and MoveWindow(button, ...) then takes x, y relative to
//   that parent's screen rectangle and moves the top-level widget there in
//   screen coordinates; when the parent moves, the widget follows. The
//   widget must stay top-level (no Qt parent). SetParent(button, 0) returns
//   it to the desktop, where x, y are screen coordinates.
//   GetWindowRect(button) is its frame geometry.
// All rectangles and coordinates are pixels.
//
// The Linux implementation (the default) reports the taskbar's rectangle and
// edge from the primary screen's geometry against its available geometry and
// has no notification area, rebar or toolbar, so the button floats. Tests
// install a scripted Windows-style taskbar (platform/TaskbarScripted.h).
#include <QByteArray>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

namespace platform {

using WindowHandle = quintptr;

// Screen edges as the taskbar reports them.
inline constexpr int ABE_LEFT = 0;
inline constexpr int ABE_TOP = 1;
inline constexpr int ABE_RIGHT = 2;
inline constexpr int ABE_BOTTOM = 3;

// The rebar messages the watcher delivers.
inline constexpr int WM_MOVE = 3;
inline constexpr int WM_SIZE = 5;
inline constexpr int WM_PAINT = 15;
inline constexpr int WM_ERASEBKGND = 20;
inline constexpr int WM_WINDOWPOSCHANGING = 70;
inline constexpr int WM_WINDOWPOSCHANGED = 71;
inline constexpr int WM_NCCALCSIZE = 131;
inline constexpr int WM_NCPAINT = 133;
bool IsWatchedMessage(int msg);

// Shell folder numbers the Quick Launch set-up asks for.
inline constexpr int CSIDL_PROGRAMS = 2;
inline constexpr int CSIDL_STARTUP = 7;
inline constexpr int CSIDL_COMMON_STARTUP = 24;
inline constexpr int CSIDL_APPDATA = 26;

// One implementation of the foreign (taskbar) side.
class Taskbar {
public:
    virtual ~Taskbar() = default;
    // FindWindow by class name with an empty title; 0 when not found.
    virtual WindowHandle FindTopWindow(const QString& className) = 0;
    // FindWindowEx with no child to start after; 0 when not found.
    virtual WindowHandle FindChildWindow(WindowHandle parent, const QString& className) = 0;
    // ABM_GETTASKBARPOS: the taskbar's screen rectangle and the edge it
    // reports. False when there is no taskbar (rect and edge then unchanged).
    virtual bool TaskbarPos(QRect* rect, int* edge) = 0;
    // Screen rectangle of a foreign window; a null QRect when unknown.
    virtual QRect WindowRect(WindowHandle hwnd) = 0;
    // Moves a foreign window; rect is relative to its parent. False when
    // the handle is unknown.
    virtual bool MoveWindow(WindowHandle hwnd, const QRect& rect) = 0;
    // Full path of a shell folder (no trailing separator); "" when unknown.
    virtual QString ShellFolder(int csidl) = 0;
    // The short (8.3) form of a full file path; the path itself when the
    // file system has no short names, "" when the file does not exist.
    virtual QString ShortPathName(const QString& path) = 0;
    // Told whenever the watched window changes, so it can start or stop
    // delivering messages (DeliverMessage below).
    virtual void WatchedWindowChanged(WindowHandle) {}
};

// The Linux rule: the widest strip of the screen's geometry that its
// available geometry leaves out is the taskbar, on that edge. False when the
// available geometry is the whole screen.
bool TaskbarFromScreen(const QRect& geometry, const QRect& available, QRect* rect, int* edge);

// The implementation in use: the Linux one unless a test installed another.
// The caller of SetTaskbar keeps ownership; nullptr returns to the default.
Taskbar& taskbar();
void SetTaskbar(Taskbar* replacement);

// Handles for windows of this process (top-level QWidgets). The same widget
// always gets the same handle; a destroyed widget's handle resolves to nullptr.
WindowHandle HandleOf(QWidget* widget);
QWidget* WidgetOf(WindowHandle hwnd);

// The Win32-shaped calls the placement uses. Each accepts both kinds of
// handle; a 0 or unknown handle does nothing and fails quietly.
WindowHandle FindWindowA(const QString& className);
WindowHandle FindWindowExA(WindowHandle parent, const QString& className);
bool GetTaskbarPos(QRect* rect, int* edge);
QRect GetWindowRect(WindowHandle hwnd); // screen rectangle; null when unknown
void SetParent(WindowHandle child, WindowHandle newParent);
WindowHandle GetParent(WindowHandle child); // the recorded parent, 0 = desktop
// Docked widgets follow their foreign parent as child windows do. MoveWindow
// calls this itself; an implementation whose windows move on their own (the
// taskbar re-arranging itself) calls it afterwards.
void FollowForeignParents();
// x, y relative to the parent (screen when the parent is the desktop).
bool MoveWindow(WindowHandle hwnd, int x, int y, int width, int height, bool repaint = true);

// The watcher ("SubClass1"): one watched window at a time, 0 = detached.
// Messages of the watched window reach the handler on the interface thread.
void SetWatchedWindow(WindowHandle hwnd);
WindowHandle WatchedWindow();
using MessageHandler = std::function<void(int msg)>;
// Installs the one handler (nullptr removes it). Returns an id for
// ClearMessageHandler so that an old owner cannot remove a newer handler.
int SetMessageHandler(MessageHandler handler);
void ClearMessageHandler(int id);
// Called by implementations: delivers msg when hwnd is the watched window
// and msg is one of the eight watched messages.
void DeliverMessage(WindowHandle hwnd, int msg);

} // namespace platform
