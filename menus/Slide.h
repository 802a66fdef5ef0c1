#pragma once
// The slide-in of a menu window: the window grows by a fixed number of pixels
// per timer step until it has its full size. Steps run from the event loop
// (no busy loop processing events); a window that is gone or hidden ends its
// slide quietly, and is never moved again by it.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace menus {

class Slide : public QObject {
    Q_OBJECT
public:
    // Gives the window's geometry for a slide size h (0, step, 2*step ...).
    using Geometry = std::function<QRect(int h)>;

    explicit Slide(QObject* parent = nullptr);

    // Slides `window` through sizes 0, step, 2*step ... while <= full, then
    // sets finalGeometry and calls `done`. aniSpeed is the step in pixels;
    // from 25 up there is no slide; slow speeds take bigger steps where
    // needed (StepFor) so that the slide ends soon.
    void Start(QWidget* window, int aniSpeed, int full, Geometry geometry, QRect finalGeometry,
               std::function<void()> done = nullptr);
    // Ends a running slide at once with its final geometry.
    void Finish();
    // Stops without touching the window (it was unloaded).
    void Stop();
    bool IsRunning() const { return timer_.isActive(); }

    // Milliseconds between steps (10); tests use 0.
    static void SetStepIntervalMs(int ms);
    static int StepIntervalMs();

    // Step size in pixels for a speed: at least 1.
    static int StepFor(int aniSpeed) { return aniSpeed < 1 ? 1 : aniSpeed; }
    // Step size on a screen `screenHeight` pixels high: the speed's own step,
    // but never so small that a slide across the whole height takes more
    // than kMaxStepsPerScreen steps (about 0.4 s at the 10 ms interval). A
    // higher speed never gives a smaller step.
    static int StepFor(int aniSpeed, int screenHeight) {
        return qMax(StepFor(aniSpeed), screenHeight / kMaxStepsPerScreen);
    }
    static constexpr int kMaxStepsPerScreen = 40;

signals:
    // Every size the slide passed through, the final one last.
    void Stepped(int h, QRect geometry);

private:
    void Tick();
    void End();

    QTimer timer_;
    QPointer<QWidget> window_;
    Geometry geometry_;
    QRect final_;
    std::function<void()> done_;
    int step_ = 1;
    int full_ = 0;
    int h_ = 0;
};

} // namespace menus
