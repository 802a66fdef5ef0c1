#pragma once
// The button window's watch on the taskbar's rebar ("SubClass1"). Owned by the
// taskbar developer; frmButton owns one instance as a member for its whole
// life and clears its asking flag in its load handler.
//
// Which window is watched is set by the placement (modGlobals::
// SetWatcherWindow, PositionButton); while this object lives, the rebar's
// messages reach OnMessage through the taskbar layer (platform/Taskbar.h).
// After every message the button is placed again; when WM_WINDOWPOSCHANGING
// arrives in a steady rhythm (the taskbar and the button moving each other),
// the user is asked once whether to move the button to the floating position.
#include <functional>
#include <memory>

class TaskbarWatcher {
public:
    // Seconds, like the design's timer (seconds since midnight by default).
    using Clock = std::function<double()>;

    TaskbarWatcher();
    ~TaskbarWatcher();
    TaskbarWatcher(const TaskbarWatcher&) = delete;
    TaskbarWatcher& operator=(const TaskbarWatcher&) = delete;

    // One message of the watched window (the subclassing control's event).
    void OnMessage(int msg);

    // The load handler clears the asking flag.
    void ClearAskingFlag() { asking_ = false; }
    bool Asking() const { return asking_; }

    // Tests replace the clock.
    void SetClock(Clock clock);
    int RunCount() const { return runCount_; }
    double LastGap() const { return lastGap_; }

private:
    void AskToFloat();

    Clock clock_;
    int handlerId_ = 0;
    double lastMessageTime_ = 0;
    double lastGap_ = 0;
    int runCount_ = 0;
    bool asking_ = false;
    // The question runs a modal loop; the owner may be torn down inside it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
