#pragma once
// While a blocking call runs with a pointer grab held, the whole X11 desktop
// pointer is frozen. Blocking network calls on the interface thread hold one
// of these: it lets go of the grab for the call and takes it back after, if
// the grabbing window is still shown.
#include <QPointer>
#include <QWidget>

namespace platform {

class GrabPause {
public:
    GrabPause() : grabber_(QWidget::mouseGrabber()) {
        if (grabber_)
            grabber_->releaseMouse();
    }
    ~GrabPause() {
        if (grabber_ && grabber_->isVisible() && !QWidget::mouseGrabber())
            grabber_->grabMouse();
    }
    GrabPause(const GrabPause&) = delete;
    GrabPause& operator=(const GrabPause&) = delete;

private:
    QPointer<QWidget> grabber_;
};

} // namespace platform
