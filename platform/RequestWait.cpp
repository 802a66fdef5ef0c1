#include "platform/RequestWait.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

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
        g_actionOpen = true;
    }
    return static_cast<int>(std::max<qint64>(0, g_budgetMs - g_action.elapsed()));
}

// Processing events inside a paint would paint again from within it.
bool InPaint() {
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->testAttribute(Qt::WA_WState_InPaintEvent))
            return true;
    return false;
}

} // namespace

RequestWait::RequestWait() : modalAtStart_(QApplication::activeModalWidget()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

RequestWait::~RequestWait() {
    // Input the window system still holds from the wait arrives now, while
    // the filter drops it.
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

bool RequestWait::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type())) {
        // A message box opened by work that ran during the wait must be
        // answerable, or the wait would never end.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != modalAtStart_ && WindowOf(watched) == modal)
            return QObject::eventFilter(watched, event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SetActionBudgetMs(int ms) {
    g_budgetMs = ms > 0 ? ms : kActionBudgetMs;
}

HttpResponse FetchWaiting(HttpRequest request, const RequestProgress& progress, WaitTimers timers) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread() || InPaint())
        return Fetch(request);
    if (request.stallMs <= 0) {
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
    const RequestWait wait;
    auto received = std::make_shared<std::atomic<qint64>>(0);
    std::future<HttpResponse> pending = std::async(std::launch::async, [request, received] {
        return Fetch(request, nullptr, received.get());
    });
    qint64 told = 0;
    while (pending.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) {
        // Windows repaint and posted work runs; input reaches the filter,
        // which drops it; timers wait unless asked otherwise.
        QCoreApplication::processEvents(timers == WaitTimers::Hold ? QEventLoop::X11ExcludeTimers
                                                                   : QEventLoop::AllEvents);
        const qint64 now = received->load();
        if (progress && now != told) {
            told = now;
            progress(now);
        }
    }
    return pending.get();
}

} // namespace platform
