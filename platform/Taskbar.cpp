#include "platform/Taskbar.h"

#include "platform/WorkArea.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace platform {

bool IsWatchedMessage(int msg) {
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        return true;
    default:
        return false;
    }
}

namespace {

// The Linux desktop has no taskbar windows to dock into. Its panels show up
// only as the part of the screen that the available geometry leaves out, so
// that part stands for the taskbar's rectangle; the one handle is that strip.
class LinuxTaskbar : public Taskbar {
public:
    static constexpr WindowHandle kPanel = 1;
    static constexpr int kBottomOverlap = 2;

    WindowHandle FindTopWindow(const QString& className) override {
        return className == QLatin1String("Shell_TrayWnd") ? kPanel : 0;
    }
    WindowHandle FindChildWindow(WindowHandle, const QString&) override { return 0; }

    // The button floats on the primary monitor: its panel is the strip of
    // that monitor the desktop's work area leaves out. A panel has no raised
    // rim for the button to overlap, as the placement's two pixels expect
    // of a taskbar at the bottom: the strip is reported that much taller, so
    // the button lies wholly in the work area.
    bool TaskbarPos(QRect* rect, int* edge) override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen || !TaskbarFromScreen(screen->geometry(), DesktopWorkArea(screen), rect, edge))
            return false;
        if (*edge == ABE_BOTTOM)
            rect->setTop(rect->top() - kBottomOverlap);
        return true;
    }

    QRect WindowRect(WindowHandle hwnd) override {
        QRect rect;
        int edge = 0;
        if (hwnd == kPanel && TaskbarPos(&rect, &edge))
            return rect;
        return {};
    }

    bool MoveWindow(WindowHandle, const QRect&) override { return false; }
    QString ShellFolder(int) override { return {}; }
    QString ShortPathName(const QString& path) override {
        return QFileInfo::exists(path) ? path : QString();
    }
};

// Keeps each placed widget's place as the program last set it: a move the
// program makes (MoveWindow, or the widget's own move) comes as a posted,
// not spontaneous, move event; the window system's reports are spontaneous.
class PlaceKeeper : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

struct State {
    LinuxTaskbar desktop;
    Taskbar* current = nullptr;
    QHash<WindowHandle, QPointer<QWidget>> widgets;
    // A widget docked into a foreign window keeps its place relative to it.
    struct Docked {
        WindowHandle parent = 0;
        QPoint offset;
    };
    QHash<WindowHandle, Docked> parents; // widget -> foreign parent
    // Where MoveWindow put each widget, in screen coordinates. Under a
    // window manager the X server reports a window it is still framing at
    // the frame's corner for a moment; a click on the button then would
    // place the home menu from there (the screen's top left).
    QHash<WindowHandle, QPoint> placed;
    PlaceKeeper keeper;
    // Far above any number a taskbar implementation hands out.
    WindowHandle nextHandle = 0x40000000;
    WindowHandle watched = 0;
    MessageHandler handler;
    int handlerId = 0;
};

State& state() {
    static State s;
    return s;
}

bool PlaceKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move && !event->spontaneous()) {
        State& s = state();
        for (auto it = s.widgets.cbegin(); it != s.widgets.cend(); ++it)
            if (it.value() == watched && s.placed.contains(it.key()))
                s.placed.insert(it.key(), static_cast<QWidget*>(watched)->pos());
    }
    return false;
}

// Records where the program put a widget, and follows the program's later
// moves of it.
void KeepPlace(State& s, WindowHandle hwnd, QWidget* w, const QPoint& at) {
    if (!s.placed.contains(hwnd))
        w->installEventFilter(&s.keeper);
    s.placed.insert(hwnd, at);
}

} // namespace

bool TaskbarFromScreen(const QRect& g, const QRect& a, QRect* rect, int* edge) {
    const int top = a.top() - g.top();
    const int bottom = g.bottom() - a.bottom();
    const int left = a.left() - g.left();
    const int right = g.right() - a.right();
    const int widest = std::max({top, bottom, left, right});
    if (widest <= 0)
        return false;
    if (widest == bottom) {
        *rect = QRect(g.left(), a.bottom() + 1, g.width(), bottom);
        *edge = ABE_BOTTOM;
    } else if (widest == top) {
        *rect = QRect(g.left(), g.top(), g.width(), top);
        *edge = ABE_TOP;
    } else if (widest == left) {
        *rect = QRect(g.left(), g.top(), left, g.height());
        *edge = ABE_LEFT;
    } else {
        *rect = QRect(a.right() + 1, g.top(), right, g.height());
        *edge = ABE_RIGHT;
    }
    return true;
}

Taskbar& taskbar() {
    State& s = state();
    return s.current ? *s.current : s.desktop;
}

void SetTaskbar(Taskbar* replacement) {
    state().current = replacement;
}

WindowHandle HandleOf(QWidget* widget) {
    if (!widget)
        return 0;
    State& s = state();
    for (auto it = s.widgets.begin(); it != s.widgets.end();) {
        if (it.value().isNull()) {
            s.parents.remove(it.key());
            s.placed.remove(it.key());
            it = s.widgets.erase(it);
        } else if (it.value() == widget) {
            return it.key();
        } else {
            ++it;
        }
    }
    const WindowHandle hwnd = s.nextHandle++;
    s.widgets.insert(hwnd, widget);
    return hwnd;
}

QWidget* WidgetOf(WindowHandle hwnd) {
    if (!hwnd)
        return nullptr;
    return state().widgets.value(hwnd).data();
}

WindowHandle FindWindowA(const QString& className) {
    return taskbar().FindTopWindow(className);
}

WindowHandle FindWindowExA(WindowHandle parent, const QString& className) {
    if (!parent)
        return 0;
    return taskbar().FindChildWindow(parent, className);
}

bool GetTaskbarPos(QRect* rect, int* edge) {
    return taskbar().TaskbarPos(rect, edge);
}

QRect GetWindowRect(WindowHandle hwnd) {
    if (!hwnd)
        return {};
    if (QWidget* w = WidgetOf(hwnd)) {
        const auto placed = state().placed.constFind(hwnd);
        if (placed == state().placed.cend())
            return w->frameGeometry();
        return QRect(*placed, w->frameGeometry().size());
    }
    return taskbar().WindowRect(hwnd);
}

void SetParent(WindowHandle child, WindowHandle newParent) {
    State& s = state();
    if (!WidgetOf(child))
        return; // foreign windows are never re-parented by this program
    if (!newParent) {
        s.parents.remove(child);
        return;
    }
    // Like the system call, an unknown parent leaves the window where it is.
    const QRect parentRect = GetWindowRect(newParent);
    if (parentRect.isNull())
        return;
    s.parents.insert(child, {newParent, GetWindowRect(child).topLeft() - parentRect.topLeft()});
}

WindowHandle GetParent(WindowHandle child) {
    return state().parents.value(child).parent;
}

void FollowForeignParents() {
    State& s = state();
    for (auto it = s.parents.cbegin(); it != s.parents.cend(); ++it) {
        QWidget* w = WidgetOf(it.key());
        const QRect parentRect = GetWindowRect(it.value().parent);
        if (w && !parentRect.isNull()) {
            KeepPlace(s, it.key(), w, parentRect.topLeft() + it.value().offset);
            w->move(parentRect.topLeft() + it.value().offset);
        }
    }
}

bool MoveWindow(WindowHandle hwnd, int x, int y, int width, int height, bool repaint) {
    if (!hwnd)
        return false;
    if (QWidget* w = WidgetOf(hwnd)) {
        QPoint origin;
        State& s = state();
        const auto docked = s.parents.find(hwnd);
        if (docked != s.parents.end()) {
            const QRect parentRect = GetWindowRect(docked->parent);
            if (!parentRect.isNull())
                origin = parentRect.topLeft();
            docked->offset = QPoint(x, y);
        }
        // The button is a top-level window: its place is its frame's place.
        w->resize(std::max(width, 0), std::max(height, 0));
        KeepPlace(s, hwnd, w, origin + QPoint(x, y));
        w->move(origin + QPoint(x, y));
        if (repaint)
            w->update();
        return true;
    }
    if (!taskbar().MoveWindow(hwnd, QRect(x, y, width, height)))
        return false;
    FollowForeignParents();
    return true;
}

void SetWatchedWindow(WindowHandle hwnd) {
    State& s = state();
    if (s.watched == hwnd)
        return;
    s.watched = hwnd;
    taskbar().WatchedWindowChanged(hwnd);
}

WindowHandle WatchedWindow() {
    return state().watched;
}

int SetMessageHandler(MessageHandler handler) {
    State& s = state();
    s.handler = std::move(handler);
    return ++s.handlerId;
}

void ClearMessageHandler(int id) {
    State& s = state();
    if (id == s.handlerId)
        s.handler = nullptr;
}

void DeliverMessage(WindowHandle hwnd, int msg) {
    const State& s = state();
    if (!hwnd || hwnd != s.watched || !IsWatchedMessage(msg) || !s.handler)
        return;
    // A copy: the handler may replace itself while it runs.
    const MessageHandler handler = s.handler;
    handler(msg);
}

} // namespace platform
