#pragma once
// The program's one X11 pointer grab: who has it, and keeping it.
//
// On X11 a click outside the program's windows (on the desktop, a panel,
// another program) reaches it only through a pointer grab on one of its
// windows. The X server refuses a grab on a window that is not viewable yet
// (a window manager maps and reparents our windows when it gets round to it)
// and while another client holds one (a window manager busy with a map or a
// focus change), and it ends one when the window is unmapped or when a
// pop-up menu of Qt's takes the pointer. So the grab is kept here:
//   - taken when the held window is exposed, and asked again every 20 ms
//     for two seconds after a refusal; a hold that the server has refused
//     for that long calls its `lost` (once a grab has ever been granted in
//     this process: a display that never grants one, as some XWayland
//     set-ups, leaves the windows open as they would be without a grab);
//   - given up while a modal dialog blocks the held window (the dialog
//     needs the clicks), while a pop-up menu of Qt's is open, and while a
//     GrabPause lives (a blocking call: a held grab freezes the desktop's
//     pointer), and taken back after each.
// Qt's own widget grab (QWidget::grabMouse, which routes the program's
// events to one widget) is its callers' business; it takes the X grab as a
// side effect, which Hold then asserts again. A caller that releases Qt's
// grab calls Hold or Release after it.
//
// The order in which the program's input is decided, from the window
// system to a control:
//   1. a blocking request's wait (RequestWait) drops keys and clicks and
//      sees the stop gestures; the call holds a GrabPause meanwhile;
//   2. a modal dialog or one of Qt's pop-up menus takes its own input, and
//      this grab steps aside;
//   3. the menu chain's capture (menus::ChainCapture) or the login window's
//      (frmLogin) routes the mouse to its holder and closes its windows on
//      a press outside them, a grab that cannot be had, or a lost focus;
//   4. the control under the pointer.
// The other application-wide filters only watch windows come and go (the
// end of the program when the last one goes, the window-manager states of
// pop-ups) and never take an event.
//
// On the other platforms there is no grab: everything here does nothing.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace platform {

class PointerGrab : public QObject {
    Q_OBJECT
public:
    static PointerGrab& Instance();

    // Keeps the grab on `window`'s top-level window (replacing any other
    // hold) and asserts it now. `lost` is called when it cannot be had.
    void Hold(QWidget* window, std::function<void()> lost = {});
    // Ends the hold if `window` has it.
    void Release(const QWidget* window);
    QWidget* Window() const { return window_; }
    // The X server granted the grab and it has not ended since.
    bool Held() const;
    // A GrabPause lives (a blocking call runs).
    bool Paused() const { return pauses_ > 0; }

    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PointerGrab();
    bool Wanted() const;
    void Take();
    void Drop();
    void TakeSoon();

    QPointer<QWidget> window_;
    std::function<void()> lost_;
    QTimer retry_;
    int tries_ = 0;
    int pauses_ = 0;
    bool blocked_ = false;
    QPointer<QWindow> xWindow_; // the window the X server gave the grab to
    bool works_ = false;
};

// While a blocking call runs: no X pointer grab (see above).
using GrabPause = PointerGrab::Pause;

} // namespace platform
