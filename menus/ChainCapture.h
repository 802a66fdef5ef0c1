#pragma once
// The one mouse capture of the menu chain. The platforms we run on give no
// thread-wide capture (the offscreen platform has no pointer grab at all, and
// an X11 grab alone does not bring the clicks on our own other windows), so
// the chain keeps its own: an application event filter sends every mouse
// event meant for another widget to the holder, in the holder's coordinates,
// and a press outside every window of the chain closes the chain. On X11 the
// holder also grabs the pointer, which brings the clicks on the desktop.
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace menus {

class ChainCapture : public QObject {
    Q_OBJECT
public:
    static ChainCapture& Instance();

    // Like the platform's capture: one holder; setting another replaces it
    // without telling the old one.
    void SetCapture(QWidget* holder);
    // Releases the capture, whoever holds it.
    void ReleaseCapture();
    QWidget* Holder() const { return holder_; }

    // The windows of the chain are the shown top-level windows that are
    // menu levels. A press outside all of them while one is shown closes
    // the chain with this (the home menu's unload).
    void SetCloser(std::function<void()> closer) { closer_ = std::move(closer); }

    // Gives up the X11 pointer grab while a blocking call runs (a held grab
    // freezes the whole desktop's pointer); the capture itself stays.
    class GrabPause {
    public:
        GrabPause();
        ~GrabPause();
        GrabPause(const GrabPause&) = delete;
        GrabPause& operator=(const GrabPause&) = delete;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ChainCapture();
    bool AnyChainWindowShown() const;
    bool OverChainWindow(const QPoint& global) const;
    void Forward(QWidget* to, QEvent::Type type, const class QMouseEvent& me);
    void Grab();
    void Ungrab();

    QPointer<QWidget> holder_;
    QPointer<QWidget> grabbed_;
    std::function<void()> closer_;
    int grabPaused_ = 0;
    bool forwarding_ = false;
    const QEvent* passed_ = nullptr; // compared only, never read
};

} // namespace menus
