#pragma once
// The part of a monitor the desktop leaves to windows: the monitor less the
// room its panels, taskbars and docks reserve. Qt's available geometry leaves
// the panels out only while there is one monitor (with two it is the whole
// monitor), so the Linux taskbar reads the window manager's own word: the
// work area it publishes (_NET_WORKAREA) and the struts of the docks
// (_NET_WM_STRUT_PARTIAL, else _NET_WM_STRUT) that lie on the monitor. A
// window manager whose taskbar is part of itself (icewm, fluxbox) says it
// through the work area alone; one whose work area spans every monitor
// (openbox) through the struts.
#include <QRect>

#include <vector>

class QScreen;

namespace platform {

// One dock's reservation in root-window pixels, as _NET_WM_STRUT_PARTIAL
// gives it: the widths along the four screen edges and, for each, the range
// along that edge it covers (inclusive). _NET_WM_STRUT alone covers each edge
// whole.
struct Strut {
    int left = 0, right = 0, top = 0, bottom = 0;
    int leftStartY = 0, leftEndY = -1, rightStartY = 0, rightEndY = -1;
    int topStartX = 0, topEndX = -1, bottomStartX = 0, bottomEndX = -1;
};

// The monitor less the struts that reach onto it, within the window
// manager's work area when one is given (a null workArea: none). `root` is
// the whole X screen, from whose edges the struts count.
QRect WorkAreaOfMonitor(const QRect& monitor, const QRect& root, const QRect& workArea,
                        const std::vector<Strut>& struts);

// The work area of the monitor `screen` shows, read from the X server; Qt's
// available geometry on another platform or when the server says nothing.
QRect DesktopWorkArea(const QScreen* screen);

} // namespace platform
