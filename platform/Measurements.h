#pragma once
// What the benchmarks read of a running program, when asked through the
// environment. Header only: the bare window that bench_startup measures
// beside Tarvel includes it without linking any of Tarvel.
//
// StartReport (TARVEL_REPORT_SHOWN=1): when a window is first exposed (under
// X11, after the server mapped it) print the microseconds from `clock`'s
// start and the CPU time the process used since its exec ("shown US cpu
// US"), and end the program.
//
// PauseReport (TARVEL_REPORT_PAUSES=1): every time the event loop could not
// run (nor repaint anything) for over 100 ms, print "pause MS" on stderr.
// A wait for work on another thread, which repaints but holds the timers,
// is no pause.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace platform {

class StartReport : public QObject {
public:
    explicit StartReport(const QElapsedTimer& clock) : clock_(clock) {}

    static bool Wanted() {
        return qEnvironmentVariable("TARVEL_REPORT_SHOWN") == QLatin1String("1");
    }
    // Watches `window` (owned by the caller, as the report is); a window
    // exposed already is reported at once.
    void Watch(QWindow* window) {
        if (!window)
            return;
        if (window->isExposed())
            Report();
        else
            window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed())
            Report();
        return false;
    }

private:
    void Report() {
        if (done_)
            return;
        done_ = true;
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::printf("shown %lld cpu %lld\n", static_cast<long long>(clock_.nsecsElapsed() / 1000),
                    static_cast<long long>(cpu.tv_sec) * 1000000 + cpu.tv_nsec / 1000);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
    }

    const QElapsedTimer& clock_;
    bool done_ = false;
};

class PauseReport : public QObject {
public:
    PauseReport() {
        if (qEnvironmentVariable("TARVEL_REPORT_PAUSES") != QLatin1String("1"))
            return;
        // The beat comes from a thread of its own as a posted event, which
        // the event loop delivers whenever it runs, also inside a wait that
        // holds the timers while windows repaint (a timer's tick would
        // count such a wait as a pause).
        since_.start();
        beat_ = std::thread([this] {
            while (!stop_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (!pending_.exchange(true))
                    QCoreApplication::postEvent(this, new QEvent(kBeat));
            }
        });
    }
    ~PauseReport() override {
        stop_ = true;
        if (beat_.joinable())
            beat_.join();
    }
    PauseReport(const PauseReport&) = delete;
    PauseReport& operator=(const PauseReport&) = delete;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kBeat)
            return QObject::event(e);
        pending_ = false;
        const qint64 gap = since_.restart();
        if (gap > 100) {
            std::fprintf(stderr, "pause %lld\n", static_cast<long long>(gap));
            std::fflush(stderr);
        }
        return true;
    }

private:
    static constexpr QEvent::Type kBeat = static_cast<QEvent::Type>(QEvent::User + 731);
    QElapsedTimer since_;
    std::thread beat_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pending_{false};
};

} // namespace platform
