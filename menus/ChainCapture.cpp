#include "menus/ChainCapture.h"

#include "menus/MenuLevel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>

namespace menus {

namespace {

bool IsX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool IsMouseEvent(QEvent::Type t) {
    return t == QEvent::MouseMove || t == QEvent::MouseButtonPress ||
           t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick;
}

} // namespace

ChainCapture& ChainCapture::Instance() {
    static ChainCapture* capture = [] {
        auto* c = new ChainCapture();
        qApp->installEventFilter(c);
        return c;
    }();
    return *capture;
}

ChainCapture::ChainCapture() : QObject(qApp) {}

void ChainCapture::SetCapture(QWidget* holder) {
    if (holder_ == holder)
        return;
    Ungrab();
    holder_ = holder;
    Grab();
}

void ChainCapture::ReleaseCapture() {
    Ungrab();
    holder_ = nullptr;
}

void ChainCapture::Grab() {
    if (holder_ && IsX11() && grabPaused_ == 0 && holder_->isVisible()) {
        holder_->grabMouse();
        grabbed_ = holder_;
    }
}

void ChainCapture::Ungrab() {
    if (grabbed_)
        grabbed_->releaseMouse();
    grabbed_ = nullptr;
}

ChainCapture::GrabPause::GrabPause() {
    ChainCapture& c = Instance();
    if (c.grabPaused_++ == 0)
        c.Ungrab();
}

ChainCapture::GrabPause::~GrabPause() {
    ChainCapture& c = Instance();
    if (--c.grabPaused_ == 0)
        c.Grab();
}

bool ChainCapture::AnyChainWindowShown() const {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && AsMenuLevel(w))
            return true;
    return false;
}

bool ChainCapture::OverChainWindow(const QPoint& global) const {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && AsMenuLevel(w) && w->frameGeometry().contains(global))
            return true;
    return false;
}

void ChainCapture::Forward(QWidget* to, QEvent::Type type, const QMouseEvent& me) {
    const QPointF global = me.globalPosition();
    const QPointF local = to->mapFromGlobal(global);
    QMouseEvent copy(type, local, local, global, me.button(), me.buttons(), me.modifiers(),
                     me.pointingDevice());
    forwarding_ = true;
    QCoreApplication::sendEvent(to, &copy);
    forwarding_ = false;
}

bool ChainCapture::eventFilter(QObject* watched, QEvent* event) {
    // A modal dialog (a message box) needs the pointer: the X11 grab pauses
    // while it blocks the holder's window.
    if ((event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowUnblocked) &&
        holder_ && watched == holder_->window()) {
        if (event->type() == QEvent::WindowBlocked)
            Ungrab();
        else
            Grab();
        return false;
    }
    if (!IsMouseEvent(event->type()) || forwarding_ || !watched->isWidgetType())
        return false;
    // A pop-up menu has the pointer to itself until it closes, and a modal
    // dialog's clicks are its own.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return false;
    auto* me = static_cast<QMouseEvent*>(event);
    auto* target = static_cast<QWidget*>(watched);
    // Qt hands an event that a widget ignored on to its parent; that second
    // delivery of an event the holder already had is not forwarded again.
    if (event == passed_ && holder_ && target->isAncestorOf(holder_))
        return false;
    const QPoint global = me->globalPosition().toPoint();
    if (event->type() == QEvent::MouseButtonPress && AnyChainWindowShown() &&
        !OverChainWindow(global)) {
        // A press outside every window of the chain closes it; the press is
        // used up, so that the window under it (the desktop button) does not
        // reopen what it just closed.
        if (closer_) {
            auto closer = closer_;
            closer();
        }
        return true;
    }
    // A hidden holder (its window was unloaded) holds nothing.
    if (holder_ && !holder_->isVisible())
        ReleaseCapture();
    if (!holder_ || target == holder_) {
        passed_ = event;
        return false;
    }
    QPointer<QWidget> holder = holder_;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // The pointer always moves onto a spot before it presses there: the
        // holder sees that move first, so its hand-over rules run.
        QMouseEvent move(QEvent::MouseMove, me->position(), me->scenePosition(),
                         me->globalPosition(), Qt::NoButton, Qt::NoButton, me->modifiers(),
                         me->pointingDevice());
        Forward(holder, QEvent::MouseMove, move);
        if (!holder_)
            return true;
        holder = holder_;
    }
    Forward(holder, event->type(), *me);
    return true;
}

} // namespace menus
