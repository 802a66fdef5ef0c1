#include "platform/RequestWait.h"

#include "platform/LinkWorker.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    // Moves too: the windows now take events while a request runs, and a
    // menu that follows the pointer would change under the handler that
    // waits (the first move after the request brings them up to date).
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

// The top-level widget an event goes to: input reaches a window first
// (a QWindow) and then its widgets.
QWidget* WindowOf(QObject* watched) {
    if (watched->isWidgetType())
        return static_cast<QWidget*>(watched)->window();
    if (auto* window = qobject_cast<QWindow*>(watched)) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == window)
                return top;
    }
    return nullptr;
}

int g_budgetMs = kActionBudgetMs;
// The user action under way: opened by its first blocking request, ended
// when the interface thread's event loop next waits for input.
QElapsedTimer g_action;
bool g_actionOpen = false;
// The part of the action's time its long transfers took: not the small
// requests' to spend.
qint64 g_actionLongMs = 0;
bool g_idleHooked = false;

// The milliseconds left to the current action's small requests; -1 when no
// event loop runs (a program's start-up work, or a test calling straight
// in): no action to share a budget with.
int ActionRemainingMs() {
    if (QThread::currentThread()->loopLevel() == 0)
        return -1;
    if (!g_idleHooked) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                             [] { g_actionOpen = false; });
            g_idleHooked = true;
        }
    }
    if (!g_actionOpen) {
        g_action.start();
        g_actionLongMs = 0;
        g_actionOpen = true;
    }
    const qint64 spent = g_action.elapsed() - g_actionLongMs;
    return static_cast<int>(std::max<qint64>(0, g_budgetMs - spent));
}

// Processing events inside a paint would paint again from within it.
bool InPaint() {
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->testAttribute(Qt::WA_WState_InPaintEvent))
            return true;
    return false;
}

// --- the windows that show a wait, and the stop without one ---------------

struct Shown {
    const WaitWindow* owner;
    QPointer<QWidget> window;
    QPointer<QAbstractButton> cancel;
};
std::vector<Shown> g_shown;

QPointer<QWidget> g_stopWidget;
std::function<void()> g_stopClick;

// The registered window on the screen that `watched` belongs to.
const Shown* ShownFor(QObject* watched) {
    QWidget* window = WindowOf(watched);
    if (!window)
        return nullptr;
    for (const Shown& s : g_shown)
        if (s.window == window && window->isVisible())
            return &s;
    return nullptr;
}

// A left button let go over `target`. The press never reached a widget (the
// wait dropped it at the window), so the release comes only to the window:
// the widget is the one under the pointer.
bool ReleasedOn(QObject* watched, QEvent* event, QWidget* target) {
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !target->isVisible())
        return false;
    if (watched == target)
        return target->rect().contains(mouse->position().toPoint());
    QWidget* under = QApplication::widgetAt(mouse->globalPosition().toPoint());
    return under && (under == target || target->isAncestorOf(under));
}

bool AnyWaitWindowShown() {
    return std::any_of(g_shown.begin(), g_shown.end(),
                       [](const Shown& s) { return s.window && s.window->isVisible(); });
}

// --- deferred work ---------------------------------------------------------

int g_waitDepth = 0;
bool g_lastStopped = false;

struct HeldWork {
    QPointer<QObject> context;
    std::function<void()> work;
};
std::vector<HeldWork> g_held;

void ReleaseHeld() {
    std::vector<HeldWork> held;
    held.swap(g_held);
    for (HeldWork& h : held)
        if (h.context)
            Defer(h.context, std::move(h.work));
}

// --- one exchange on the worker --------------------------------------------

struct Exchange {
    HttpRequest request;
    WorkerTask task;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> received{0};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    HttpResponse response;
};

} // namespace

RequestWait::RequestWait(bool stoppable)
    : modalAtStart_(QApplication::activeModalWidget()), stoppable_(stoppable) {
    ++g_waitDepth;
    for (const Shown& s : g_shown)
        if (s.window && s.window->isVisible())
            windows_.push_back(s.window);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

RequestWait::~RequestWait() {
    // Input the window system still holds from the wait arrives now, while
    // the filter drops it.
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (--g_waitDepth == 0)
        ReleaseHeld();
}

void RequestWait::CheckWindows() {
    // Only the windows that showed the wait when it began: one unloaded
    // earlier has no part in it.
    for (const QPointer<QWidget>& window : windows_)
        if (!window || !window->isVisible())
            stopped_ = true;
}

bool RequestWait::StopGesture(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!AnyWaitWindowShown()) {
        if (g_stopWidget && ReleasedOn(watched, event, g_stopWidget)) {
            byClick_ = true;
            return true;
        }
        return false;
    }
    const Shown* shown = ShownFor(watched);
    if (!shown)
        return false;
    // A window whose Escape is a shortcut sees only the shortcut's override.
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)
        return static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    // The close box: the window manager's request, not the program's own
    // close() (an unload).
    if (type == QEvent::Close)
        return event->spontaneous();
    return shown->cancel && shown->cancel->isEnabled() && ReleasedOn(watched, event, shown->cancel);
}

bool RequestWait::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (stoppable_ && !stopped_ && StopGesture(watched, event)) {
        stopped_ = true;
        if (type == QEvent::Close)
            event->ignore();
        return true;
    }
    // A close box pressed on a window that shows a wait it cannot stop
    // waits for the request, as a click would.
    if (type == QEvent::Close && event->spontaneous() && ShownFor(watched)) {
        event->ignore();
        return true;
    }
    if (IsUserInput(type)) {
        // A message box opened by work that ran during the wait must be
        // answerable, or the wait would never end.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != modalAtStart_ && WindowOf(watched) == modal)
            return QObject::eventFilter(watched, event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

WaitWindow::WaitWindow(QWidget* window, QAbstractButton* cancel) {
    g_shown.push_back({this, window, cancel});
}

WaitWindow::~WaitWindow() {
    std::erase_if(g_shown, [this](const Shown& s) { return s.owner == this; });
}

void SetStopWithoutWindow(QWidget* widget, std::function<void()> click) {
    g_stopWidget = widget;
    g_stopClick = std::move(click);
}

void Defer(QObject* context, std::function<void()> work) {
    QObject* target = context ? context : QCoreApplication::instance();
    if (!target)
        return;
    QPointer<QObject> guard(target);
    QMetaObject::invokeMethod(
        target,
        [guard, work = std::move(work)]() mutable {
            if (g_waitDepth > 0) {
                g_held.push_back({guard, std::move(work)});
                return;
            }
            work();
        },
        Qt::QueuedConnection);
}

bool WaitInProgress() {
    return g_waitDepth > 0;
}

bool LastWaitStopped() {
    return g_lastStopped;
}

void SetActionBudgetMs(int ms) {
    g_budgetMs = ms > 0 ? ms : kActionBudgetMs;
}

HttpResponse FetchWaiting(HttpRequest request, const RequestProgress& progress, WaitTimers timers,
                          WorkerTask task) {
    g_lastStopped = false;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread() || InPaint())
        return task ? task(request, nullptr, nullptr) : Fetch(request);
    const bool longTransfer = request.stallMs > 0;
    if (!longTransfer) {
        const int remaining = ActionRemainingMs();
        if (remaining == 0) {
            HttpResponse spent;
            spent.error = kInetTimeout;
            return spent;
        }
        if (remaining > 0)
            request.deadlineMs =
                request.deadlineMs > 0 ? std::min(request.deadlineMs, remaining) : remaining;
    }
    QElapsedTimer took;
    took.start();
    auto exchange = std::make_shared<Exchange>();
    exchange->request = std::move(request);
    exchange->task = std::move(task);

    RequestWait wait(longTransfer);
    RunOnLinkWorker([exchange] {
        Exchange& x = *exchange;
        HttpResponse response = x.task ? x.task(x.request, &x.cancel, &x.received)
                                       : Fetch(x.request, &x.cancel, &x.received);
        const std::lock_guard<std::mutex> lock(x.mutex);
        x.response = std::move(response);
        x.done = true;
        x.finished.notify_all();
    });
    const auto flags =
        timers == WaitTimers::Hold ? QEventLoop::X11ExcludeTimers : QEventLoop::AllEvents;
    qint64 told = 0;
    HttpResponse response;
    while (true) {
        {
            std::unique_lock<std::mutex> lock(exchange->mutex);
            // A small request is usually over before the first look at
            // the window system.
            if (exchange->finished.wait_for(lock, std::chrono::milliseconds(15),
                                            [&] { return exchange->done; })) {
                response = exchange->response;
                break;
            }
        }
        // Windows repaint; input reaches the filter, which drops it or
        // takes it as the user's stop; timers wait unless asked otherwise.
        QCoreApplication::processEvents(flags);
        wait.CheckWindows();
        if (wait.Stopped()) {
            // The worker ends the exchange soon and cleans up after it.
            exchange->cancel = true;
            response = HttpResponse();
            response.error = kInetConnectionAborted;
            break;
        }
        const qint64 now = exchange->received.load();
        if (progress && now != told) {
            told = now;
            progress(now);
        }
    }
    if (longTransfer && g_actionOpen)
        g_actionLongMs += took.elapsed();
    g_lastStopped = wait.Stopped();
    if (wait.StoppedByClick() && g_stopClick && g_stopWidget)
        Defer(g_stopWidget, g_stopClick);
    return response;
}

} // namespace platform
