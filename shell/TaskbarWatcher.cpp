#include "shell/TaskbarWatcher.h"

#include "core/MenuChain.h"
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "platform/Notifier.h"
#include "platform/Taskbar.h"

#include <QTime>

namespace {

// The steady rhythm tolerates this much drift between two gaps, seconds.
constexpr double kGapTolerance = 0.5;
// Gaps in a row that match before the user is asked.
constexpr int kRunBeforeQuestion = 10;

double SecondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace

TaskbarWatcher::TaskbarWatcher() : clock_(SecondsSinceMidnight) {
    handlerId_ = platform::SetMessageHandler([this](int msg) { OnMessage(msg); });
}

TaskbarWatcher::~TaskbarWatcher() {
    *alive_ = false;
    platform::ClearMessageHandler(handlerId_);
}

void TaskbarWatcher::SetClock(Clock clock) {
    clock_ = clock ? std::move(clock) : Clock(SecondsSinceMidnight);
}

void TaskbarWatcher::OnMessage(int msg) {
    using namespace modGlobals;
    if (msg == platform::WM_WINDOWPOSCHANGING) {
        const double now = clock_();
        const double gap = now - lastMessageTime_;
        if (lastGap_ != 0 && gap >= lastGap_ - kGapTolerance && gap <= lastGap_ + kGapTolerance) {
            ++runCount_;
            if (GetSetting(QStringLiteral("Main"), QStringLiteral("Flash Question"),
                           QStringLiteral("Yes")) == QLatin1String("Yes") &&
                runCount_ == kRunBeforeQuestion && !asking_) {
                const std::shared_ptr<bool> alive = alive_;
                AskToFloat();
                if (!*alive)
                    return;
            }
        } else {
            runCount_ = 0;
            lastGap_ = gap;
        }
        lastMessageTime_ = now;
    }
    PositionButton(gButtonPosition);
}

void TaskbarWatcher::AskToFloat() {
    using namespace modGlobals;
    const std::shared_ptr<bool> alive = alive_;
    asking_ = true;
    if (gMainLoaded)
        windows::menuChain().UnloadHomeMenu();
    const int answer = platform::MsgBox(
        QStringLiteral("Tarvel appears to be flashing. Do you want to move it to the bottom left "
                       "corner of the screen to stop the flashing?"),
        platform::vbYesNo);
    if (!*alive)
        return;
    if (answer == platform::vbYes) {
        platform::MsgBox(QStringLiteral("Tarvel will be moved. To change the position of the "
                                        "button in the future, click the Tarvel button, choose "
                                        "Member Center and click on Options."));
        // In memory only: the next start places the button as the user chose.
        gButtonPosition = 0;
    } else {
        platform::MsgBox(QStringLiteral("You will not be asked to change the button position "
                                        "again. To change it manually, click the Tarvel button, "
                                        "choose Member Center and click on Options."));
    }
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Flash Question"), QStringLiteral("No"));
    asking_ = false;
}
