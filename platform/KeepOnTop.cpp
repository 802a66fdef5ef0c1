#include "platform/KeepOnTop.h"
#include "platform/Xcb.h"

#include <QGuiApplication>
#include <QRect>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

namespace {

// The WINDOW list a root window property holds, empty when it has none.
std::vector<xcb_window_t> RootWindows(xcb_connection_t* connection, xcb_window_t root,
                                      const char* property) {
    const xcb_atom_t atom = XcbAtom(connection, property);
    if (atom == XCB_ATOM_NONE)
        return {};
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, root, atom, XCB_ATOM_WINDOW, 0, 4096);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr),
                                             &free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW)
        return {};
    const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

// A window manager owns the screen: the root window names its check window
// and that window is still there (a manager that has ended leaves the name).
bool WindowManagerRuns(xcb_connection_t* connection, xcb_window_t root) {
    const std::vector<xcb_window_t> check =
        RootWindows(connection, root, "_NET_SUPPORTING_WM_CHECK");
    if (check.empty())
        return false;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, check.front()), nullptr),
        &free);
    return attributes != nullptr;
}

// Where a shown window lies on the screen, none when it is gone or unmapped.
std::optional<QRect> ScreenRect(xcb_connection_t* connection, xcb_window_t root,
                                xcb_window_t window) {
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
                                        nullptr),
        &free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr), &free);
    XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(
            connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr),
        &free);
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

// The top-most managed window above `window` in the manager's stacking order
// that overlaps it, XCB_WINDOW_NONE when nothing covers it.
xcb_window_t CoveringWindow(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                            const QRect& rect) {
    // Bottom to top.
    const std::vector<xcb_window_t> stacking =
        RootWindows(connection, root, "_NET_CLIENT_LIST_STACKING");
    xcb_window_t cover = XCB_WINDOW_NONE;
    bool above = false;
    for (const xcb_window_t other : stacking) {
        if (other == window) {
            above = true;
            continue;
        }
        if (!above)
            continue;
        const std::optional<QRect> otherRect = ScreenRect(connection, root, other);
        if (otherRect && otherRect->intersects(rect))
            cover = other;
    }
    return cover;
}

// A restack request to the window manager, as the manager takes it for a
// window it has reparented: a configure request sent to the root window
// (the window's own configure call would fail on a sibling that is not its
// sibling any more).
void AskToStackAbove(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                     xcb_window_t sibling) {
    xcb_configure_request_event_t request{};
    request.response_type = XCB_CONFIGURE_REQUEST;
    request.stack_mode = XCB_STACK_MODE_ABOVE;
    request.parent = root;
    request.window = window;
    request.sibling = sibling;
    request.value_mask = XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

} // namespace

void KeepOnTop(QWidget* window) {
    if (!window || !window->isVisible())
        return;
    xcb_connection_t* connection = XcbConnection();
    const xcb_screen_t* screen =
        connection ? xcb_setup_roots_iterator(xcb_get_setup(connection)).data : nullptr;
    if (screen && WindowManagerRuns(connection, screen->root)) {
        const auto id = static_cast<xcb_window_t>(window->winId());
        const xcb_window_t cover =
            CoveringWindow(connection, screen->root, id, window->frameGeometry());
        if (cover != XCB_WINDOW_NONE)
            AskToStackAbove(connection, screen->root, id, cover);
        return;
    }
    window->raise();
}

} // namespace platform
