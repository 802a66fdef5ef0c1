#pragma once
// Held while a request runs on behalf of the user. The wait cursor shows, and
// keys and clicks given meanwhile are dropped: left queued, they ran after the
// request (a double click on Next during a slow step pressed Next twice more,
// on a page the user had not seen yet). Repaints go on; a message box opened
// during the wait takes its own clicks.
//
// FetchWaiting is the one way the interface thread makes a blocking request:
// the exchange runs on the one server-link worker thread (started once, so
// it keeps what it can of its connections) while this thread repaints and
// drops input. Timers wait for the request to end, so no timer starts a
// second request meanwhile.
//
// What runs during a wait, and what does not:
// - Qt's own window-system work runs: exposes, repaints, layouts, window
//   manager notices, and a message box's own events.
// - The program's own deferred work does not: every zero-delay single shot,
//   queued invocation and transfer completion of the program goes through
//   Defer, which holds it until the wait is over and then posts it again, so
//   it runs once the handler that waited has returned (a menu closed by a
//   lost grab, an icon that came, a window that wants the pointer grab back
//   no longer act in the middle of a login). Qt 6.4 posts a zero-delay
//   QTimer::singleShot as a queued call, which runs in the wait's event
//   processing although timers are excluded there; and Qt cannot hold an
//   event it has already filtered (a queued call can't be posted twice),
//   hence one helper the program's work goes through rather than a filter.
// - The user's stop. A long transfer (one that carries a stall check: the
//   menu table's full reload, the installer) may be stopped from the window
//   that shows its wait (WaitWindow): Escape, its close box, or its Cancel.
//   A long transfer that no window shows (the hourly refresh) stops when the
//   user clicks the widget named by SetStopWithoutWindow, which then does
//   what a click does once the handler has returned. A window that goes
//   (hidden or deleted) while one of its requests runs ends that request, of
//   any kind. A stopped request returns kInetConnectionAborted at once; the
//   exchange ends on the worker, which owns whatever it writes.
//
// The budget: small requests of one user action share one minute in all (the
// action ends when the event loop next waits for input). A long transfer
// neither spends that minute nor is bound by it: it goes on for as long as it
// keeps making progress, and the small requests after it (the home menu
// after a slow full reload) have what their action had left before it.
#include "platform/Http.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <vector>

class QAbstractButton;

namespace platform {

class RequestWait : public QObject {
public:
    // stoppable: the user's stop gestures end this wait (a long transfer).
    explicit RequestWait(bool stoppable = false);
    ~RequestWait() override;
    RequestWait(const RequestWait&) = delete;
    RequestWait& operator=(const RequestWait&) = delete;

    // The user stopped the wait, or the window that showed it went.
    bool Stopped() const { return stopped_; }
    // Looks at the windows that show the wait: one that went stops it.
    void CheckWindows();
    // The stop came from a click on the widget of SetStopWithoutWindow.
    bool StoppedByClick() const { return byClick_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool StopGesture(QObject* watched, QEvent* event);

    QPointer<QWidget> modalAtStart_;
    // The registered windows that showed the wait when it began.
    std::vector<QPointer<QWidget>> windows_;
    bool stoppable_ = false;
    bool stopped_ = false;
    bool byClick_ = false;
};

// Registers `window` as the one that shows the waits started while this
// object lives (the login window's progress, the download page, a form
// panel fetching its pictures); `cancel`, when given, is its Cancel.
class WaitWindow {
public:
    explicit WaitWindow(QWidget* window, QAbstractButton* cancel = nullptr);
    ~WaitWindow();
    WaitWindow(const WaitWindow&) = delete;
    WaitWindow& operator=(const WaitWindow&) = delete;
};

// The widget whose click stops a long transfer that no window shows, and
// what that click does once the handler that waited has returned. nullptr
// and {} take it back.
void SetStopWithoutWindow(QWidget* widget, std::function<void()> click);

// Runs `work` later on the interface thread, as a queued call on `context`
// (dropped when context is deleted first); while a wait is in progress it is
// held until the wait is over. The program's own deferred work goes here.
void Defer(QObject* context, std::function<void()> work);
// A wait is in progress on the interface thread.
bool WaitInProgress();
// The last blocking request of the interface thread was stopped by the user
// (or its window went), not failed by the server or the network.
bool LastWaitStopped();

// What a blocking request is told while it waits: the body bytes received
// so far, now and then, on the interface thread.
using RequestProgress = std::function<void(qint64 received)>;

// Whether timers fire during the wait. Tarvel's timers start menus, updates
// and logouts that must not run inside a request; Enlist's wizard kept its
// timers running while it waited.
enum class WaitTimers { Hold, Run };

// The exchange as the worker runs it, when it is more than Fetch (a reply
// spooled to a file that the worker creates, writes and closes itself).
using WorkerTask = std::function<HttpResponse(
    const HttpRequest& request, const std::atomic<bool>* cancel, std::atomic<qint64>* received)>;

// Fetch (or `task`) on the worker thread while the caller waits as above. Off
// the interface thread, without a QApplication, or inside a paint, it runs
// on the calling thread.
HttpResponse FetchWaiting(HttpRequest request, const RequestProgress& progress = {},
                          WaitTimers timers = WaitTimers::Hold, WorkerTask task = {});

// The time all small blocking requests of one user action may take together.
inline constexpr int kActionBudgetMs = 60000;
// Tests shorten it; 0 restores kActionBudgetMs.
void SetActionBudgetMs(int ms);

} // namespace platform
