#include "platform/DesktopPopup.h"
#include "platform/Xcb.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr uint32_t kNetWmStateAdd = 1;
constexpr uint32_t kSourceApplication = 1;

struct Atoms {
    xcb_atom_t state = XCB_ATOM_NONE;
    std::array<xcb_atom_t, 2> skip{XCB_ATOM_NONE, XCB_ATOM_NONE};
};

const Atoms& SkipAtoms(xcb_connection_t* connection) {
    static const Atoms atoms = [connection] {
        Atoms a;
        a.state = XcbAtom(connection, "_NET_WM_STATE");
        a.skip = {XcbAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                  XcbAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
        return a;
    }();
    return atoms;
}

// Before the map: the window manager reads the property when it takes the
// window on. Qt writes its own states (stay on top) into it at the map and
// keeps the ones it finds.
void SetOnUnmappedWindow(xcb_connection_t* connection, xcb_window_t window, const Atoms& atoms) {
    std::vector<xcb_atom_t> states;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, atoms.state, XCB_ATOM_ATOM, 0, 64);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr),
                                             &free);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (const xcb_atom_t skip : atoms.skip) {
        if (std::find(states.begin(), states.end(), skip) == states.end())
            states.push_back(skip);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atoms.state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
}

// Once mapped, a window's states change only on request to the window
// manager (a client message to the root window).
void AskWindowManager(xcb_connection_t* connection, xcb_window_t window, const Atoms& atoms) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atoms.state;
    message.data.data32[0] = kNetWmStateAdd;
    message.data.data32[1] = atoms.skip[0];
    message.data.data32[2] = atoms.skip[1];
    message.data.data32[3] = kSourceApplication;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

class PopupWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the native window is mapped.
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!IsDesktopPopup(widget))
            return false;
        xcb_connection_t* connection = XcbConnection();
        if (!connection)
            return false;
        const Atoms& atoms = SkipAtoms(connection);
        if (atoms.state == XCB_ATOM_NONE)
            return false;
        const auto window = static_cast<xcb_window_t>(widget->winId());
        SetOnUnmappedWindow(connection, window, atoms);
        QPointer<QWidget> shown(widget);
        QMetaObject::invokeMethod(
            this,
            [shown, window] {
                xcb_connection_t* now = XcbConnection();
                if (shown && shown->isVisible() && now)
                    AskWindowManager(now, window, SkipAtoms(now));
            },
            Qt::QueuedConnection);
        return false;
    }
};

} // namespace

bool IsDesktopPopup(const QWidget* window) {
    if (!window || !window->isWindow())
        return false;
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Tool || type == Qt::ToolTip) &&
           window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

void KeepPopupsOffTaskbar() {
    static QPointer<PopupWatch> watch;
    if (watch || !OnX11())
        return;
    watch = new PopupWatch;
    watch->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watch);
}

} // namespace platform
