#pragma once
// The one mouse capture of the menu chain. The platforms we run on give no
// thread-wide capture (the offscreen platform has no pointer grab at all, and
// an X11 grab alone does not bring the clicks on our own other windows), so
// the chain keeps its own: an application event filter sends every mouse
// event meant for another widget to the holder, in the holder's coordinates,
// and a press outside every window of the chain closes the chain. On X11 the
// holder also grabs the pointer, which brings the clicks on the desktop.
//
// A window manager maps our windows when it gets round to it (after
// reparenting them into its frames), and the X server refuses a grab on a
// window that is not viewable yet or while another client holds one; so the
// grab is taken again whenever the holder's window is exposed, checked, and
// retried for a short while. A chain that cannot get it back, or whose
// window loses the keyboard focus to another program, closes as a click
// outside it would.
//
// Under the grab every press is reported to the holder's window. A press
// meant for another window (a dialog of ours, a control of the form panel
// that the holder has let have the pointer) is given to the window really
// under the pointer afresh, and that window is activated as a click would.
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace menus {

class ChainCapture : public QObject {
    Q_OBJECT
public:
    static ChainCapture& Instance();

    // Like the platform's capture: one holder; setting another replaces it
    // without telling the old one.
    void SetCapture(QWidget* holder);
    // Releases the capture, whoever holds it.
    void ReleaseCapture();
    QWidget* Holder() const { return holder_; }

    // The windows of the chain are the shown top-level windows that are
    // menu levels. A press outside all of them while one is shown closes
    // the chain with this (the home menu's unload).
    void SetCloser(std::function<void()> closer) { closer_ = std::move(closer); }

    // Gives up the X11 pointer grab while a blocking call runs (a held grab
    // freezes the whole desktop's pointer); the capture itself stays.
    class GrabPause {
    public:
        GrabPause();
        ~GrabPause();
        GrabPause(const GrabPause&) = delete;
        GrabPause& operator=(const GrabPause&) = delete;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ChainCapture();
    bool AnyChainWindowShown() const;
    bool OverChainWindow(const QPoint& global) const;
    void Forward(QWidget* to, QEvent::Type type, const class QMouseEvent& me);
    // Sends the holder a move to where the pointer is, so that its hand-over
    // rules run before a press there.
    void HandOverMove(const class QMouseEvent& me);
    // Gives a press to the window that is really under the pointer, as the
    // window system would have without the grab.
    bool Redeliver(const class QMouseEvent& me);
    // Our window under a screen point, the topmost one as far as we know.
    static QWidget* WindowAt(const QPoint& global);
    void DeliverTo(class QWindow* window, const class QMouseEvent& me);
    bool ReleaseAfterRedelivery(QObject* watched, class QMouseEvent* me);
    bool PressEvent(QWidget* target, class QMouseEvent* me);
    void Grab();
    void TakeXGrab();
    void Ungrab();
    void CloseChain();
    void FocusWindowChanged(class QWindow* focus);

    QPointer<QWidget> holder_;
    QPointer<QWidget> grabbed_;
    std::function<void()> closer_;
    int grabPaused_ = 0;
    bool forwarding_ = false;
    // The last mouse event let through, and to whom.
    void Pass(const class QMouseEvent* event, QWidget* target);
    QPointer<QWidget> passedTo_;
    QEvent::Type passedType_ = QEvent::None;
    quint64 passedTime_ = 0;
    QPointF passedGlobal_;
    bool xHeld_ = false;     // the X server said yes to the grab
    bool grabWorks_ = false; // it has said yes once in this process
    int grabTries_ = 0;      // refusals since the window was exposed
    QTimer grabRetry_;
    bool chainHadFocus_ = false;
    QPointer<class QWindow> pressWindow_; // where a press was given afresh
};

} // namespace menus
