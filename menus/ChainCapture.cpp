#include "menus/ChainCapture.h"

#include "menus/MenuLevel.h"
#include "platform/PointerGrab.h"
#include "platform/RequestWait.h"
#include "platform/Xcb.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

namespace menus {

namespace {

bool IsMouseEvent(QEvent::Type t) {
    return t == QEvent::MouseMove || t == QEvent::MouseButtonPress ||
           t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick;
}

// How long a hand-over of the keyboard between levels may take.
constexpr int kKeyboardWaitMs = 1000;

} // namespace

ChainCapture& ChainCapture::Instance() {
    static ChainCapture* capture = [] {
        auto* c = new ChainCapture();
        qApp->installEventFilter(c);
        return c;
    }();
    return *capture;
}

ChainCapture::ChainCapture() : QObject(qApp) {
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ChainCapture::FocusWindowChanged);
}

void ChainCapture::SetCapture(QWidget* holder) {
    if (holder_ == holder)
        return;
    holder_ = holder;
    UpdateGrab();
}

void ChainCapture::ReleaseCapture() {
    holder_ = nullptr;
    UpdateGrab();
}

QWidget* ChainCapture::GrabWindow() const {
    if (holder_ && holder_->isVisible())
        return holder_->window();
    // Without a holder the chain still needs the clicks outside it, as the
    // other platforms tell it by deactivating its window: the grab stays on
    // one of its windows, where it is if that is still shown (a move is a
    // request to the X server that can fail), else the active one.
    if (grabWindow_ && grabWindow_->isVisible() && AsMenuLevel(grabWindow_))
        return grabWindow_;
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !AsMenuLevel(w))
            continue;
        if (!found || w->isActiveWindow())
            found = w;
    }
    return found;
}

void ChainCapture::UpdateGrab() {
    if (!platform::OnX11())
        return;
    platform::PointerGrab& grab = platform::PointerGrab::Instance();
    QWidget* window = GrabWindow();
    if (!window) {
        grab.Release(grabWindow_);
        grabWindow_ = nullptr;
        return;
    }
    // The events that the grab brings to the window are the holder's: the
    // filter below sends them on (Qt's own widget grab would let go of the
    // X grab at each change of holder, and a click could slip through).
    grabWindow_ = window;
    grab.Hold(window, [this] { CloseChain(); });
}

bool ChainCapture::GrabWithoutHolder() const {
    return !holder_ && grabWindow_ && platform::PointerGrab::Instance().Window() == grabWindow_;
}

void ChainCapture::CloseChain() {
    if (closer_ && AnyChainWindowShown()) {
        auto closer = closer_;
        closer();
    }
}

void ChainCapture::GiveKeyboard(QWidget* level) {
    if (!level)
        return;
    // Asked of the window manager, which may hand the keyboard of a level
    // that has just closed to another program even after it gave the level
    // ours (xfwm4 does): a loss of the keyboard within a second of the
    // hand-over is not the user's.
    keyboardTo_ = level;
    keyboardAsked_.start();
    level->activateWindow();
    level->setFocus();
}

bool ChainCapture::KeyboardOnItsWay() const {
    return keyboardTo_ && keyboardTo_->isVisible() && keyboardAsked_.isValid() &&
           keyboardAsked_.elapsed() < kKeyboardWaitMs;
}

void ChainCapture::FocusWindowChanged(QWindow* focus) {
    if (!platform::OnX11())
        return;
    if (focus) {
        chainHadFocus_ = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == focus && AsMenuLevel(w))
                chainHadFocus_ = true;
        return;
    }
    // The keyboard went from the chain to another program (Qt reports that
    // only when no window of ours takes it back at once): the user has moved
    // on, as with a click outside. A blocking request or a pop-up menu of
    // the chain has the pointer meanwhile and is left alone.
    const bool had = chainHadFocus_;
    chainHadFocus_ = false;
    if (!had || platform::PointerGrab::Instance().Paused())
        return;
    if (KeyboardOnItsWay()) {
        // Asked again: the window manager gave it elsewhere as the level
        // above got it back (Escape closes one level, not the chain).
        chainHadFocus_ = true;
        keyboardTo_->activateWindow();
        return;
    }
    CloseChain();
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

void ChainCapture::HandOverMove(const QMouseEvent& me) {
    QMouseEvent move(QEvent::MouseMove, me.position(), me.scenePosition(), me.globalPosition(),
                     Qt::NoButton, Qt::NoButton, me.modifiers(), me.pointingDevice());
    Forward(holder_, QEvent::MouseMove, move);
}

QWidget* ChainCapture::WindowAt(const QPoint& global) {
    QWidget* top = QApplication::topLevelAt(global);
    if (top && top->isVisible() && top->windowType() != Qt::ToolTip)
        return top;
    // The window system could not tell (a window manager's frame was in the
    // way): the chain's windows lie above our others, and of those the
    // active one is the one in front.
    if (QWidget* level = ChainWindowAt(global))
        return level;
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup ||
            !w->frameGeometry().contains(global))
            continue;
        if (!found || w->isActiveWindow())
            found = w;
    }
    return found;
}

bool ChainCapture::Redeliver(const QMouseEvent& me) {
    QWidget* top = WindowAt(me.globalPosition().toPoint());
    QWindow* window = top ? top->windowHandle() : nullptr;
    if (!window)
        return false;
    // The window system activates a window that is clicked; a press given
    // afresh must do the same, or the keys would go to the window that had
    // the grab (Qt has just asked for that one to be activated, as the
    // press was reported there).
    if (!(window->flags() & Qt::WindowDoesNotAcceptFocus))
        window->requestActivate();
    DeliverTo(window, me);
    // The release that follows may already be on its way to the window
    // that had the grab: it goes where the press went.
    pressWindow_ = window;
    return true;
}

void ChainCapture::DeliverTo(QWindow* window, const QMouseEvent& me) {
    // Through the window, as the window system delivers: Qt finds the
    // control under the pointer and sends it the release that follows.
    const QPointF local = window->mapFromGlobal(me.globalPosition().toPoint());
    QMouseEvent copy(me.type(), local, local, me.globalPosition(), me.button(), me.buttons(),
                     me.modifiers(), me.pointingDevice());
    forwarding_ = true;
    QCoreApplication::sendEvent(window, &copy);
    forwarding_ = false;
}

bool ChainCapture::ReleaseAfterRedelivery(QObject* watched, QMouseEvent* me) {
    QWindow* at = nullptr;
    if (watched->isWindowType())
        at = static_cast<QWindow*>(watched);
    else if (watched->isWidgetType())
        at = static_cast<QWidget*>(watched)->window()->windowHandle();
    if (!at)
        return false;
    const QPointer<QWindow> to = pressWindow_;
    pressWindow_ = nullptr;
    if (!to || at == to)
        return false;
    DeliverTo(to, *me);
    return true;
}

void ChainCapture::Pass(const QMouseEvent* event, QWidget* target) {
    passedTo_ = target;
    passedType_ = event->type();
    passedTime_ = event->timestamp();
    passedGlobal_ = event->globalPosition();
}

bool ChainCapture::PressEvent(QWidget* target, QMouseEvent* me) {
    const QPoint global = me->globalPosition().toPoint();
    if (me->type() == QEvent::MouseButtonPress && AnyChainWindowShown() &&
        !OverChainWindow(global)) {
        // A press outside every window of the chain closes it; the press is
        // used up, so that the window under it (the desktop button) does not
        // reopen what it just closed. A dialog of ours (an error window)
        // answers it, though: its buttons work at the first click.
        CloseChain();
        QWidget* top = WindowAt(global);
        if (top && top->windowType() == Qt::Dialog && !AsMenuLevel(top))
            Redeliver(*me);
        return true;
    }
    if (!holder_) {
        // Under a grab without a holder the press is reported to the window
        // that has the grab: it goes to the window under the pointer.
        if (GrabWithoutHolder() && WindowAt(global) != target->window()) {
            Redeliver(*me);
            return true;
        }
        Pass(me, target);
        return false;
    }
    // The pointer always moves onto a spot before it presses there: the
    // holder sees that move first, so its hand-over rules run. Under the X
    // grab the press reaches the holder itself even over another window of
    // the chain (the parent whose row the pointer rests on when the child
    // has just opened and taken the capture), so the holder gets that move
    // too. A holder that takes over sees it as well, as it would the next
    // real one: the form panel reached straight from the home menu gives
    // the pointer up at once when it rests on one of the panel's fields.
    QPointer<QWidget> before = holder_;
    for (int i = 0; i < 4 && holder_; ++i) {
        QPointer<QWidget> was = holder_;
        HandOverMove(*me);
        if (holder_ == was)
            break;
    }
    if (!holder_) {
        // The pointer is let go (it rests on a control of the form panel):
        // the control under it takes the press itself.
        if (target != before)
            return false;
        Redeliver(*me);
        return true;
    }
    if (target == holder_) {
        Pass(me, target);
        return false;
    }
    Forward(holder_, me->type(), *me);
    return true;
}

bool ChainCapture::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A window of the chain shown or hidden: the grab goes to one that is
    // shown, or ends with the last.
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType() &&
        AsMenuLevel(static_cast<QWidget*>(watched))) {
        platform::Defer(this, [this] { UpdateGrab(); });
        return false;
    }
    if (type == QEvent::MouseButtonRelease && pressWindow_ && !forwarding_)
        return ReleaseAfterRedelivery(watched, static_cast<QMouseEvent*>(event));
    if (!IsMouseEvent(event->type()) || forwarding_ || !watched->isWidgetType())
        return false;
    // A pop-up menu has the pointer to itself until it closes, and a modal
    // dialog's clicks are its own.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return false;
    auto* me = static_cast<QMouseEvent*>(event);
    auto* target = static_cast<QWidget*>(watched);
    // Qt hands an event that a widget ignored on to its parent (as a copy);
    // that second delivery of an event already let through is not forwarded
    // again.
    if (passedTo_ && target != passedTo_ && target->isAncestorOf(passedTo_) &&
        event->type() == passedType_ && me->timestamp() == passedTime_ &&
        me->globalPosition() == passedGlobal_)
        return false;
    // A hidden holder (its window was unloaded) holds nothing.
    if (holder_ && !holder_->isVisible())
        ReleaseCapture();
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        return PressEvent(target, me);
    if (!holder_ && GrabWithoutHolder())
        return RouteWithoutHolder(target, me);
    if (!holder_ || target == holder_) {
        Pass(me, target);
        return false;
    }
    Forward(holder_, event->type(), *me);
    return true;
}

bool ChainCapture::RouteWithoutHolder(QWidget* target, QMouseEvent* me) {
    // Under the grab the window that has it gets the pointer's events
    // wherever the pointer is: each goes to our window under the pointer,
    // as it would without the grab, and one over no window of ours goes
    // nowhere.
    QWidget* under = WindowAt(me->globalPosition().toPoint());
    if (under == target->window()) {
        Pass(me, target);
        return false;
    }
    if (under && under->windowHandle())
        DeliverTo(under->windowHandle(), *me);
    return true;
}

} // namespace menus
