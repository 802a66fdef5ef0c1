// How long a menu window takes to slide open, in wall time, at the real
// 10 ms step interval: a window as high as the screen, at the slowest speeds
// and at the default one. The target is about 0.4 s whatever the speed.
#include "menus/Slide.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

void BM_SlideScreenHigh(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    const int full = window.screen() ? window.screen()->geometry().height() : 768;
    for (auto _ : state) {
        window.setGeometry(0, 0, 165, 1);
        window.show();
        menus::Slide slide;
        bool done = false;
        QElapsedTimer clock;
        clock.start();
        slide.Start(
            &window, speed, full, [full](int h) { return QRect(0, full - h, 165, h); },
            QRect(0, 0, 165, full), [&] { done = true; });
        while (!done && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        window.hide();
    }
    state.counters["pixels"] = full;
}
BENCHMARK(BM_SlideScreenHigh)
    ->Arg(0)
    ->Arg(1)
    ->Arg(5)
    ->Arg(19)
    ->Arg(24)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    menus::Slide::SetStepIntervalMs(10);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
