#include "platform/PointerGrab.h"

#include "platform/RequestWait.h"
#include "platform/Xcb.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

namespace platform {

namespace {

// Half a second was too short on a loaded desktop: openbox, busy with the
// map, kept its own grab longer, and the home menu closed as it opened.
constexpr int kRetryMs = 20;
constexpr int kTries = 100;

} // namespace

PointerGrab& PointerGrab::Instance() {
    static PointerGrab* grab = [] {
        auto* g = new PointerGrab();
        qApp->installEventFilter(g);
        return g;
    }();
    return *grab;
}

PointerGrab::PointerGrab() : QObject(qApp) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &PointerGrab::Take);
}

void PointerGrab::Hold(QWidget* window, std::function<void()> lost) {
    QWidget* top = window ? window->window() : nullptr;
    // Moved to another window, the grab is not let go of first: the X
    // server hands a client's grab to its new window at once, where a gap
    // between the two would let a click through to the desktop.
    if (top != window_) {
        retry_.stop();
        window_ = top;
        blocked_ = false;
    }
    lost_ = std::move(lost);
    tries_ = 0;
    Take();
}

void PointerGrab::Release(const QWidget* window) {
    if (!window || !window_ || window->window() != window_)
        return;
    Drop();
    window_ = nullptr;
    lost_ = nullptr;
}

bool PointerGrab::Wanted() const {
    return window_ && OnX11() && pauses_ == 0 && !blocked_ && window_->isVisible() &&
           !QApplication::activePopupWidget();
}

bool PointerGrab::Held() const {
    return xWindow_ && window_ && xWindow_ == window_->windowHandle();
}

void PointerGrab::Take() {
    retry_.stop();
    if (!Wanted()) {
        Drop();
        return;
    }
    QWindow* handle = window_->windowHandle();
    // Not viewable yet: the Expose that says it is brings us back (the
    // window that had the grab keeps it meanwhile).
    if (!handle || !handle->isExposed())
        return;
    if (handle->setMouseGrabEnabled(true)) {
        xWindow_ = handle;
        works_ = true;
        tries_ = 0;
        return;
    }
    if (++tries_ < kTries) {
        retry_.start();
        return;
    }
    if (works_ && lost_) {
        const auto lost = lost_;
        lost();
    }
}

void PointerGrab::Drop() {
    retry_.stop();
    if (xWindow_)
        xWindow_->setMouseGrabEnabled(false);
    xWindow_ = nullptr;
}

void PointerGrab::TakeSoon() {
    tries_ = 0;
    Defer(this, [this] {
        if (!Held())
            Take();
    });
}

bool PointerGrab::eventFilter(QObject* watched, QEvent* event) {
    if (!window_ && !xWindow_)
        return false;
    switch (event->type()) {
    case QEvent::Expose:
        // Mapped (again, after a reparenting) or unmapped: an unmapped
        // window has lost the grab.
        if (watched == xWindow_ && !xWindow_->isExposed())
            xWindow_ = nullptr;
        if (window_ && watched == window_->windowHandle() &&
            static_cast<QWindow*>(watched)->isExposed() && !Held())
            TakeSoon();
        break;
    case QEvent::WindowBlocked:
    case QEvent::WindowUnblocked:
        if (window_ && watched == window_) {
            blocked_ = event->type() == QEvent::WindowBlocked;
            if (blocked_)
                Drop();
            else
                TakeSoon();
        }
        break;
    case QEvent::Show:
    case QEvent::Hide:
        // One of Qt's pop-up menus grabs the pointer for itself while it
        // is open and lets go of every grab when it closes.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->windowType() == Qt::Popup) {
            xWindow_ = nullptr;
            if (event->type() == QEvent::Hide)
                TakeSoon();
        }
        break;
    default:
        break;
    }
    return false;
}

PointerGrab::Pause::Pause() {
    PointerGrab& g = Instance();
    if (g.pauses_++ == 0)
        g.Drop();
}

PointerGrab::Pause::~Pause() {
    PointerGrab& g = Instance();
    if (--g.pauses_ == 0 && g.window_) {
        g.tries_ = 0;
        g.Take();
    }
}

} // namespace platform
