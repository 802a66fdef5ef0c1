// The watch on the taskbar's rebar: every message re-places the docked
// button, and a steady rhythm of position changes asks once whether the
// button should float instead.
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "platform/Notifier.h"
#include "platform/Taskbar.h"
#include "platform/TaskbarScripted.h"
#include "shell/TaskbarWatcher.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace modGlobals;
using platform::ScriptedTaskbar;

namespace {

const QString kQuestion = QStringLiteral(
    "Tarvel appears to be flashing. Do you want to move it to the bottom left corner of the "
    "screen to stop the flashing?");
const QString kMoved = QStringLiteral(
    "Tarvel will be moved. To change the position of the button in the future, click the "
    "Tarvel button, choose Member Center and click on Options.");
const QString kNotAgain = QStringLiteral(
    "You will not be asked to change the button position again. To change it manually, click "
    "the Tarvel button, choose Member Center and click on Options.");

class Watcher : public ::testing::Test {
protected:
    void SetUp() override {
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        button->resize(54, 22);
        SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"),
                    QStringLiteral("1"));
        gButtonPosition = 1;
        watcher = std::make_unique<TaskbarWatcher>();
        watcher->SetClock([this] { return now; });
        PlaceButtonAtStartup(button.get());
    }
    void TearDown() override {
        watcher.reset();
        platform::SetWatchedWindow(0);
    }
    // n WM_WINDOWPOSCHANGING messages, `gap` seconds apart.
    void Changing(int n, double gap) {
        for (int i = 0; i < n; ++i) {
            now += gap;
            bar.SendMessage(platform::WM_WINDOWPOSCHANGING);
        }
    }
    int Questions() const {
        int n = 0;
        for (const auto& call : world.notifier.calls)
            n += call.prompt == kQuestion ? 1 : 0;
        return n;
    }

    testsupport::TestWorld world;
    ScriptedTaskbar bar{platform::ABE_BOTTOM, 30};
    std::unique_ptr<QWidget> button;
    std::unique_ptr<TaskbarWatcher> watcher;
    double now = 0;
};

TEST_F(Watcher, EveryMessageReplacesTheButton) {
    ASSERT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    // The taskbar squeezes the rebar back over the button.
    bar.rebarRect = QRect(58, 0, 800, 22);
    const auto before = bar.moves.size();
    bar.SendMessage(platform::WM_SIZE);
    // Placed once again: the rebar is back at x 112 and the watch still on.
    EXPECT_EQ(bar.moves.size(), before + 1);
    EXPECT_EQ(bar.LastRebarMove().x(), 112);
    EXPECT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    for (const int msg :
         {platform::WM_MOVE, platform::WM_PAINT, platform::WM_ERASEBKGND,
          platform::WM_WINDOWPOSCHANGED, platform::WM_NCCALCSIZE, platform::WM_NCPAINT})
        bar.SendMessage(msg);
    EXPECT_EQ(bar.moves.size(), before + 7);
    EXPECT_EQ(watcher->RunCount(), 0);
}

TEST_F(Watcher, TheButtonTakesItsRoomBackWhenTheTaskbarRearranges) {
    const QRect button = platform::GetWindowRect(gButtonHwnd);
    const auto before = bar.moves.size();
    bar.Rearrange(QRect(58, 0, 846, 22)); // the rebar spreads over the button
    // One placement per message, each putting the rebar back beside it.
    EXPECT_EQ(bar.moves.size(), before + 5);
    EXPECT_EQ(bar.rebarRect, QRect(112, 0, 1024 - 120 - 122, 22));
    EXPECT_EQ(platform::GetWindowRect(gButtonHwnd), button);
}

TEST_F(Watcher, ATaskbarThatKeepsRearrangingIsAFlashingOne) {
    now = 3600;
    for (int i = 0; i < 11; ++i) {
        bar.Rearrange(QRect(58, 0, 846, 22));
        now += 1.5;
    }
    EXPECT_EQ(Questions(), 0);
    bar.Rearrange(QRect(58, 0, 846, 22));
    EXPECT_EQ(Questions(), 1);
    EXPECT_EQ(gButtonPosition, 0);
    // Floating now: further re-arranging reaches nobody.
    const auto moves = bar.moves.size();
    bar.Rearrange(QRect(58, 0, 846, 22));
    EXPECT_EQ(bar.moves.size(), moves);
}

TEST_F(Watcher, OnlyTheEightMessagesOfTheWatchedWindowArrive) {
    const auto before = bar.moves.size();
    bar.SendMessage(0x0200); // a pointer move is not watched
    bar.SendMessage(platform::WM_SIZE, ScriptedTaskbar::kTray);
    EXPECT_EQ(bar.moves.size(), before);
    PositionButton(0); // floating: the watch is off
    const auto floating = bar.moves.size();
    bar.SendMessage(platform::WM_SIZE);
    EXPECT_EQ(bar.moves.size(), floating);
}

TEST_F(Watcher, OwnMovesDoNotFeedBack) {
    // Moving the rebar makes the system send it messages at once; the
    // placement detaches the watch first, so one message means one placement.
    ASSERT_TRUE(bar.echoRebarMoves);
    const auto before = bar.moves.size();
    bar.SendMessage(platform::WM_WINDOWPOSCHANGED);
    EXPECT_EQ(bar.moves.size(), before + 1);
}

TEST_F(Watcher, AsksOnTheTwelfthEvenlySpacedMessage) {
    now = 1000;
    // The first gap is measured from the last message time 0, the second
    // sets the reference to one second, and the next ten match it.
    Changing(1, 0);
    Changing(10, 1.0);
    EXPECT_EQ(watcher->RunCount(), 9);
    EXPECT_EQ(Questions(), 0);
    Changing(1, 1.0);
    ASSERT_EQ(Questions(), 1);
    ASSERT_EQ(world.notifier.calls.size(), 2);
    EXPECT_EQ(world.notifier.calls[0].flags, platform::vbYesNo);
    EXPECT_EQ(world.notifier.calls[0].title, QString());
    EXPECT_EQ(world.notifier.calls[1].prompt, kMoved);
    // Yes floats the button now but leaves the stored choice for next time.
    EXPECT_EQ(gButtonPosition, 0);
    EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")),
              QStringLiteral("1"));
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Flash Question")),
              QStringLiteral("No"));
    EXPECT_EQ(platform::GetParent(gButtonHwnd), 0u);
    EXPECT_EQ(platform::WatchedWindow(), 0u);
    EXPECT_EQ(bar.LastRebarMove(), QRect(58, 0, 1024 - 120 - 58, 22));
    EXPECT_FALSE(watcher->Asking());
}

TEST_F(Watcher, NoKeepsTheButtonAndNeverAsksAgain) {
    world.notifier.answers = {platform::vbNo};
    now = 500;
    Changing(1, 0);
    Changing(11, 0.8);
    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(world.notifier.calls.back().prompt, kNotAgain);
    EXPECT_EQ(gButtonPosition, 1);
    EXPECT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Flash Question")),
              QStringLiteral("No"));
    // The rhythm goes on; it is only counted.
    Changing(30, 0.8);
    EXPECT_EQ(Questions(), 1);
    EXPECT_EQ(watcher->RunCount(), 40);
}

TEST_F(Watcher, GapsWithinHalfASecondCount) {
    now = 100;
    Changing(1, 0);
    Changing(1, 2.0); // reference 2 s
    Changing(1, 2.5); // edge of the window
    Changing(1, 1.5); // other edge
    EXPECT_EQ(watcher->RunCount(), 2);
    EXPECT_DOUBLE_EQ(watcher->LastGap(), 2.0);
}

TEST_F(Watcher, ADifferentGapRestartsTheRun) {
    now = 100;
    Changing(1, 0);
    Changing(9, 1.0);
    EXPECT_EQ(watcher->RunCount(), 8);
    Changing(1, 2.0); // 1 s off: a new reference
    EXPECT_EQ(watcher->RunCount(), 0);
    EXPECT_DOUBLE_EQ(watcher->LastGap(), 2.0);
    Changing(9, 1.0); // 1 s no longer matches 2 s: reference becomes 1 s
    EXPECT_EQ(watcher->RunCount(), 8);
    EXPECT_EQ(Questions(), 0);
    Changing(2, 1.0);
    EXPECT_EQ(Questions(), 1);
}

TEST_F(Watcher, OtherMessagesNeitherCountNorBreakTheRun) {
    now = 100;
    Changing(1, 0);
    Changing(5, 1.0);
    bar.SendMessage(platform::WM_SIZE);
    bar.SendMessage(platform::WM_WINDOWPOSCHANGED);
    EXPECT_EQ(watcher->RunCount(), 4);
}

TEST_F(Watcher, WithFlashQuestionNoTheButtonIsStillPlaced) {
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Flash Question"), QStringLiteral("No"));
    now = 100;
    const auto before = bar.moves.size();
    Changing(1, 0);
    Changing(20, 1.0);
    EXPECT_EQ(Questions(), 0);
    EXPECT_EQ(bar.moves.size(), before + 21);
    EXPECT_EQ(gButtonPosition, 1);
}

TEST_F(Watcher, TheOpenHomeMenuClosesBeforeTheQuestion) {
    int unloads = 0;
    gMainLoaded = true;
    testsupport::ScriptedMenuChain menuChain;
    menuChain.unloadHomeMenu = [&] {
        ++unloads;
        gMainLoaded = false;
    };
    now = 100;
    Changing(1, 0);
    Changing(11, 1.0);
    menuChain.unloadHomeMenu = nullptr;
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(Questions(), 1);
}

// Answers the question only after the taskbar has gone on flashing while it
// was on screen, or tears the watcher down meanwhile.
class BusyNotifier : public platform::Notifier {
public:
    std::function<void()> whileAsking;
    int questions = 0;
    int MsgBox(const QString& prompt, int flags, const QString&) override {
        if (prompt == kQuestion) {
            ++questions;
            if (whileAsking)
                whileAsking();
        }
        return (flags & 7) == platform::vbYesNo ? platform::vbNo : platform::vbOK;
    }
};

TEST_F(Watcher, MessagesWhileTheQuestionIsOnScreenAskNothingMore) {
    BusyNotifier busy;
    platform::SetNotifier(&busy);
    busy.whileAsking = [&] {
        EXPECT_TRUE(watcher->Asking());
        Changing(25, 1.0);
    };
    now = 100;
    Changing(1, 0);
    Changing(11, 1.0);
    platform::SetNotifier(nullptr);
    EXPECT_EQ(busy.questions, 1);
    EXPECT_FALSE(watcher->Asking());
}

TEST_F(Watcher, TheWatcherMayGoAwayWhileAsking) {
    BusyNotifier busy;
    platform::SetNotifier(&busy);
    busy.whileAsking = [&] { watcher.reset(); };
    now = 100;
    Changing(1, 0);
    Changing(11, 1.0);
    platform::SetNotifier(nullptr);
    EXPECT_EQ(busy.questions, 1);
    // Gone with its owner: nothing more is delivered to it.
    Changing(3, 1.0);
    EXPECT_EQ(busy.questions, 1);
}

TEST_F(Watcher, TheLoadHandlerClearsTheAskingFlag) {
    watcher->ClearAskingFlag();
    EXPECT_FALSE(watcher->Asking());
}

} // namespace
