#include "menus/Slide.h"

#include <QGuiApplication>
#include <QScreen>

namespace menus {

namespace {
int g_stepIntervalMs = 10;
}

void Slide::SetStepIntervalMs(int ms) {
    g_stepIntervalMs = qMax(0, ms);
}
int Slide::StepIntervalMs() {
    return g_stepIntervalMs;
}

Slide::Slide(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &Slide::Tick);
}

void Slide::Start(QWidget* window, int aniSpeed, int full, Geometry geometry, QRect finalGeometry,
                  std::function<void()> done) {
    Stop();
    window_ = window;
    geometry_ = std::move(geometry);
    final_ = finalGeometry;
    done_ = std::move(done);
    full_ = full;
    // At one pixel a step a screen-high menu slid for seconds.
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    step_ = StepFor(aniSpeed, screen ? screen->geometry().height() : 0);
    h_ = 0;
    if (aniSpeed >= 25 || !window_ || full_ <= 0) {
        End();
        return;
    }
    timer_.start(g_stepIntervalMs);
    Tick();
}

void Slide::Tick() {
    if (!window_ || !window_->isVisible()) {
        // Unloaded during its slide: no ghost window, no callback.
        Stop();
        return;
    }
    if (h_ > full_) {
        End();
        return;
    }
    // A window system refuses empty windows: the first step shows one line.
    const QRect g = geometry_(qMax(h_, 1));
    window_->setGeometry(g);
    emit Stepped(h_, g);
    h_ += step_;
}

void Slide::End() {
    timer_.stop();
    QPointer<QWidget> w = window_;
    if (w && w->isVisible()) {
        w->setGeometry(final_);
        emit Stepped(full_, final_);
    }
    window_ = nullptr;
    auto done = std::move(done_);
    done_ = nullptr;
    if (done && w)
        done();
}

void Slide::Finish() {
    if (timer_.isActive())
        End();
}

void Slide::Stop() {
    timer_.stop();
    window_ = nullptr;
    done_ = nullptr;
}

} // namespace menus
