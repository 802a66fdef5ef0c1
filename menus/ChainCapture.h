#pragma once
// The one mouse capture of the menu chain. The platforms we run on give no
// thread-wide capture (the offscreen platform has no pointer grab at all, and
// an X11 grab alone does not bring the clicks on our own other windows), so
// the chain keeps its own: an application event filter sends every mouse
// event meant for another widget to the holder, in the holder's coordinates,
// and a press outside every window of the chain closes the chain. On X11 the
// chain keeps the program's pointer grab (platform::PointerGrab) on one of
// its windows while any is shown, with a holder or without one: it brings
// the clicks on the desktop, a panel or another program, which the other
// platforms report by deactivating the window. A chain whose grab cannot be
// had, or whose window loses the keyboard focus to another program, closes
// as a click outside it would.
//
// Under the grab every press is reported to the window that has it. A press
// meant for another window (a dialog of ours, a control of the form panel
// that the holder has let have the pointer, another level when no one holds
// the capture) is given to the window really under the pointer afresh, and
// that window is activated as a click would.
#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
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

    // Gives the keyboard to a level of the chain (its window activated, the
    // level focused). Every level that hands the keyboard on does it here.
    void GiveKeyboard(QWidget* level);

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
    // The window that keeps the pointer grab: the holder's, else a shown
    // window of the chain.
    QWidget* GrabWindow() const;
    void UpdateGrab();
    bool GrabWithoutHolder() const;
    bool RouteWithoutHolder(QWidget* target, class QMouseEvent* me);
    void CloseChain();
    void FocusWindowChanged(class QWindow* focus);
    bool KeyboardOnItsWay() const;

    QPointer<QWidget> holder_;
    QPointer<QWidget> grabWindow_;
    std::function<void()> closer_;
    bool forwarding_ = false;
    // The last mouse event let through, and to whom.
    void Pass(const class QMouseEvent* event, QWidget* target);
    QPointer<QWidget> passedTo_;
    QEvent::Type passedType_ = QEvent::None;
    quint64 passedTime_ = 0;
    QPointF passedGlobal_;
    bool chainHadFocus_ = false;
    QPointer<QWidget> keyboardTo_; // the level the keyboard was last given to
    QElapsedTimer keyboardAsked_;
    QPointer<class QWindow> pressWindow_; // where a press was given afresh
};

} // namespace menus
