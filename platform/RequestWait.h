#pragma once
// Held while a request runs on behalf of the user. The wait cursor shows, and
// keys and clicks given meanwhile are dropped: left queued, they ran after the
// request (a double click on Next during a slow step pressed Next twice more,
// on a page the user had not seen yet). Repaints go on; a message box opened
// during the wait takes its own clicks.
//
// FetchWaiting is the one way the interface thread makes a blocking request:
// the exchange runs on a worker thread while this thread repaints (an
// exposed window is painted, a wait box shows its text) and drops input.
// Timers wait for the request to end, so no timer starts a second request
// meanwhile. Small requests of one user action share one minute in all (the
// action ends when the event loop next waits for input); transfers that
// carry a stall check (HttpRequest::stallMs) instead go on for as long as
// they keep making progress.
#include "platform/Http.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace platform {

class RequestWait : public QObject {
public:
    RequestWait();
    ~RequestWait() override;
    RequestWait(const RequestWait&) = delete;
    RequestWait& operator=(const RequestWait&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> modalAtStart_;
};

// What a blocking request is told while it waits: the body bytes received
// so far, now and then, on the interface thread.
using RequestProgress = std::function<void(qint64 received)>;

// Whether timers fire during the wait. Tarvel's timers start menus, updates
// and logouts that must not run inside a request; Enlist's wizard kept its
// timers running while it waited.
enum class WaitTimers { Hold, Run };

// Fetch on a worker thread while the caller waits as above. Off the
// interface thread, without a QApplication, or inside a paint, it is Fetch.
HttpResponse FetchWaiting(HttpRequest request, const RequestProgress& progress = {},
                          WaitTimers timers = WaitTimers::Hold);

// The time all small blocking requests of one user action may take together.
inline constexpr int kActionBudgetMs = 60000;
// Tests shorten it; 0 restores kActionBudgetMs.
void SetActionBudgetMs(int ms);

} // namespace platform
