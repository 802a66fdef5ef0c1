#include "platform/WorkArea.h"

#include "platform/Xcb.h"

#include <QScreen>

#include <algorithm>

namespace platform {

QRect WorkAreaOfMonitor(const QRect& monitor, const QRect& root, const QRect& workArea,
                        const std::vector<Strut>& struts) {
    QRect area = monitor;
    if (!workArea.isNull() && workArea.intersects(monitor))
        area = monitor.intersected(workArea);
    // A strut reaches a monitor when its band along the edge overlaps it.
    auto overlaps = [](int start, int end, int low, int high) {
        return start <= high && end >= low;
    };
    for (const Strut& s : struts) {
        if (s.bottom > 0 &&
            overlaps(s.bottomStartX, s.bottomEndX, monitor.left(), monitor.right()) &&
            root.bottom() - s.bottom < monitor.bottom())
            area.setBottom(std::min(area.bottom(), root.bottom() - s.bottom));
        if (s.top > 0 && overlaps(s.topStartX, s.topEndX, monitor.left(), monitor.right()) &&
            root.top() + s.top > monitor.top())
            area.setTop(std::max(area.top(), root.top() + s.top));
        if (s.left > 0 && overlaps(s.leftStartY, s.leftEndY, monitor.top(), monitor.bottom()) &&
            root.left() + s.left > monitor.left())
            area.setLeft(std::max(area.left(), root.left() + s.left));
        if (s.right > 0 && overlaps(s.rightStartY, s.rightEndY, monitor.top(), monitor.bottom()) &&
            root.right() - s.right < monitor.right())
            area.setRight(std::min(area.right(), root.right() - s.right));
    }
    return area.isValid() ? area : monitor;
}

namespace {

// The 32-bit items of a property, empty when the window has none.
std::vector<quint32> Cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                               xcb_atom_t type, quint32 most) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c, 0, window, property, type, 0, most);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr), &free);
    if (!reply || reply->format != 32)
        return {};
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

std::vector<Strut> ReadStruts(xcb_connection_t* c, xcb_window_t rootWindow, const QRect& root) {
    const xcb_atom_t partial = XcbAtom(c, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t whole = XcbAtom(c, "_NET_WM_STRUT");
    // The managed clients, and the root's children for docks a window
    // manager keeps off its client list.
    std::vector<quint32> windows =
        Cardinals(c, rootWindow, XcbAtom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 1024);
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, rootWindow), nullptr), &free);
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        windows.insert(windows.end(), children,
                       children + xcb_query_tree_children_length(tree.get()));
    }
    std::sort(windows.begin(), windows.end());
    windows.erase(std::unique(windows.begin(), windows.end()), windows.end());
    std::vector<Strut> struts;
    for (const quint32 window : windows) {
        std::vector<quint32> v = Cardinals(c, window, partial, XCB_ATOM_CARDINAL, 12);
        Strut s;
        if (v.size() >= 12) {
            s = {int(v[0]), int(v[1]), int(v[2]), int(v[3]), int(v[4]),  int(v[5]),
                 int(v[6]), int(v[7]), int(v[8]), int(v[9]), int(v[10]), int(v[11])};
        } else {
            v = Cardinals(c, window, whole, XCB_ATOM_CARDINAL, 4);
            if (v.size() < 4)
                continue;
            s = {int(v[0]), int(v[1]),     int(v[2]), int(v[3]),    0, root.bottom(),
                 0,         root.bottom(), 0,         root.right(), 0, root.right()};
        }
        if (s.left || s.right || s.top || s.bottom)
            struts.push_back(s);
    }
    return struts;
}

} // namespace

QRect DesktopWorkArea(const QScreen* screen) {
    if (!screen)
        return {};
    xcb_connection_t* c = XcbConnection();
    if (!c)
        return screen->availableGeometry();
    const xcb_screen_t* x = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QRect root(0, 0, x->width_in_pixels, x->height_in_pixels);
    // The current desktop's four numbers (the first when none is current).
    QRect workArea;
    const std::vector<quint32> area =
        Cardinals(c, x->root, XcbAtom(c, "_NET_WORKAREA"), XCB_ATOM_CARDINAL, 4 * 64);
    const std::vector<quint32> current =
        Cardinals(c, x->root, XcbAtom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL, 1);
    const size_t desk = current.empty() ? 0 : current[0];
    if (area.size() >= 4 * (desk + 1))
        workArea = QRect(int(area[4 * desk]), int(area[4 * desk + 1]), int(area[4 * desk + 2]),
                         int(area[4 * desk + 3]));
    const std::vector<Strut> struts = ReadStruts(c, x->root, root);
    // Screen geometry is in device-independent pixels; the X numbers in
    // device pixels.
    const qreal ratio = screen->devicePixelRatio();
    const QRect monitor = screen->geometry();
    const QRect nativeMonitor(monitor.topLeft() * ratio, monitor.size() * ratio);
    if (workArea.isNull() && struts.empty())
        return screen->availableGeometry();
    const QRect native = WorkAreaOfMonitor(nativeMonitor, root, workArea, struts);
    return QRect(native.topLeft() / ratio, native.size() / ratio);
}

} // namespace platform
