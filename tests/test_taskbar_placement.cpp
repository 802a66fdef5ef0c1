// Placement of the button: floating, beside the Start button and in the Quick
// Launch toolbar, against a scripted Windows-style taskbar on each screen edge
// and against the Linux desktop, which has no rebar.
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "platform/Taskbar.h"
#include "platform/TaskbarScripted.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace modGlobals;
using platform::ScriptedTaskbar;

namespace {

// The screen is 1024 x 768 pixels at 15 twips per pixel; the button window
// is 810 x 330 twips, 54 x 22 pixels.
constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kButtonH = 22;

struct Face {
    bool small = false;
    int widthTwips = 0;
};

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        button->resize(54, kButtonH);
        buttonWindow.setButtonFace = [this](bool small, int width) {
            faces.push_back({small, width});
        };
    }
    void TearDown() override {
        buttonWindow.setButtonFace = nullptr;
        platform::SetWatchedWindow(0);
    }
    // Start-up with the scripted taskbar in place.
    void StartUp(int storedPosition) {
        SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"),
                    QString::number(storedPosition));
        gButtonPosition =
            GetSettingLong(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), 1);
        PlaceButtonAtStartup(button.get());
    }
    QRect ButtonRect() const { return platform::GetWindowRect(gButtonHwnd); }

    testsupport::TestWorld world;
    std::unique_ptr<QWidget> button;
    std::vector<Face> faces;
    testsupport::ScriptedButton buttonWindow;
};

TEST_F(Placement, FindsTheTaskbarWindows) {
    ScriptedTaskbar bar;
    FindTaskbarWindows();
    EXPECT_EQ(gTrayHwnd, ScriptedTaskbar::kTray);
    EXPECT_EQ(gTrayNotifyHwnd, ScriptedTaskbar::kNotify);
    EXPECT_EQ(gReBarHwnd, ScriptedTaskbar::kReBar);
    EXPECT_EQ(gTaskToolbarHwnd, ScriptedTaskbar::kToolbar);
}

TEST_F(Placement, BesideStartOnAHorizontalTaskbar) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(1);
    EXPECT_EQ(gButtonPosition, 1);
    EXPECT_EQ(platform::GetParent(gButtonHwnd), ScriptedTaskbar::kTray);
    // 54 pixels wide at x 56 of the taskbar; the rebar starts at x 112.
    EXPECT_EQ(ButtonRect(), QRect(56, kScreenH - 30, 54, kButtonH));
    EXPECT_EQ(bar.LastRebarMove(), QRect(112, 0, kScreenW - 120 - 122, 30 - 8));
    EXPECT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    ASSERT_FALSE(faces.empty());
    EXPECT_FALSE(faces.back().small);
    EXPECT_EQ(faces.back().widthTwips, 54 * 15);
    EXPECT_EQ(GetButtonLeft(), 56 * 15);
    EXPECT_EQ(GetButtonTop(), (kScreenH - 30) * 15);
}

TEST_F(Placement, BesideStartOnAVerticalTaskbar) {
    ScriptedTaskbar bar(platform::ABE_LEFT, 60);
    StartUp(1);
    EXPECT_EQ(ButtonRect(), QRect(0, 23, 54, kButtonH));
    EXPECT_EQ(bar.LastRebarMove(), QRect(0, 49, 60 - 8, kScreenH - 120 - 65));

    ScriptedTaskbar right(platform::ABE_RIGHT, 60);
    FindTaskbarWindows();
    PositionButton(1);
    EXPECT_EQ(ButtonRect(), QRect(kScreenW - 60, 23, 54, kButtonH));
    EXPECT_EQ(right.LastRebarMove(), QRect(0, 49, 60 - 8, kScreenH - 120 - 65));
}

TEST_F(Placement, BesideStartOnATopTaskbar) {
    ScriptedTaskbar bar(platform::ABE_TOP, 30);
    StartUp(1);
    EXPECT_EQ(ButtonRect(), QRect(56, 0, 54, kButtonH));
    EXPECT_EQ(GetButtonTop(), 0);
}

TEST_F(Placement, InTheQuickLaunchToolbar) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(2);
    EXPECT_EQ(platform::GetParent(gButtonHwnd), ScriptedTaskbar::kToolbar);
    const QRect rebar(58, 0, kScreenW - 120 - 68, 30 - 8);
    EXPECT_EQ(bar.LastRebarMove(), rebar);
    // At the toolbar's origin inside the rebar, 47 pixels wide.
    EXPECT_EQ(ButtonRect(), QRect(58, kScreenH - 30, 47, kButtonH));
    EXPECT_TRUE(faces.back().small);
    EXPECT_EQ(faces.back().widthTwips, 47 * 15);
    EXPECT_EQ(platform::WatchedWindow(), 0u);
}

TEST_F(Placement, TheDockedButtonFollowsTheRebar) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(2);
    // Not watched in the Quick Launch place: the button rides along inside
    // the toolbar when the taskbar re-arranges the rebar.
    const auto moves = bar.moves.size();
    bar.Rearrange(QRect(100, 0, 700, 22));
    EXPECT_EQ(bar.moves.size(), moves);
    EXPECT_EQ(ButtonRect(), QRect(100, kScreenH - 30, 47, kButtonH));
    EXPECT_EQ(GetButtonLeft(), 100 * 15);
}

TEST_F(Placement, InTheQuickLaunchToolbarOfAVerticalTaskbar) {
    ScriptedTaskbar bar(platform::ABE_RIGHT, 60);
    StartUp(2);
    EXPECT_EQ(bar.LastRebarMove(), QRect(0, 22, 60 - 8, kScreenH - 120 - 38));
    EXPECT_EQ(ButtonRect(), QRect(kScreenW - 60, 22, 47, kButtonH));
}

TEST_F(Placement, FloatingAboveABottomTaskbar) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(0);
    EXPECT_EQ(platform::GetParent(gButtonHwnd), 0u);
    // The button's top lies its height plus the taskbar's height minus two
    // pixels above the screen bottom: it overlaps the taskbar by 2 pixels.
    EXPECT_EQ(ButtonRect(), QRect(0, kScreenH - kButtonH - 30 + 2, 54, kButtonH));
    EXPECT_EQ(bar.LastRebarMove(), QRect(58, 0, kScreenW - 120 - 58, 30 - 8));
    EXPECT_FALSE(faces.back().small);
}

TEST_F(Placement, FloatingWithTheTaskbarOnEachOtherEdge) {
    {
        ScriptedTaskbar bar(platform::ABE_LEFT, 60);
        StartUp(0);
        EXPECT_EQ(ButtonRect(), QRect(60, kScreenH - kButtonH, 54, kButtonH));
        EXPECT_EQ(bar.LastRebarMove(), QRect(0, 22, 60 - 8, kScreenH - 120 - 22));
    }
    {
        ScriptedTaskbar bar(platform::ABE_TOP, 30);
        StartUp(0);
        EXPECT_EQ(ButtonRect(), QRect(0, kScreenH - kButtonH, 54, kButtonH));
    }
    {
        ScriptedTaskbar bar(platform::ABE_RIGHT, 60);
        StartUp(0);
        EXPECT_EQ(ButtonRect(), QRect(0, kScreenH - kButtonH, 54, kButtonH));
    }
}

TEST_F(Placement, AnUnknownReportedEdgeLeavesTheButtonWhereItIs) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(0);
    const QRect before = ButtonRect();
    bar.reportedEdge = 7;
    PositionButton(0);
    EXPECT_EQ(ButtonRect(), before);
}

TEST_F(Placement, LeavingTheTaskbarGivesTheRebarItsRoomBack) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(1);
    EXPECT_EQ(bar.LastRebarMove().x(), 112);
    PositionButton(0);
    EXPECT_EQ(bar.LastRebarMove(), QRect(58, 0, kScreenW - 120 - 58, 22));
    EXPECT_EQ(platform::GetParent(gButtonHwnd), 0u);
    EXPECT_EQ(platform::WatchedWindow(), 0u);

    ScriptedTaskbar vertical(platform::ABE_LEFT, 60);
    FindTaskbarWindows();
    PositionButton(1);
    EXPECT_EQ(vertical.LastRebarMove().y(), 49);
    PositionButton(0);
    EXPECT_EQ(vertical.LastRebarMove(), QRect(0, 22, 52, kScreenH - 120 - 22));
}

TEST_F(Placement, OtherPositionsDoNothing) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(1);
    const QRect before = ButtonRect();
    const auto moves = bar.moves.size();
    PositionButton(3);
    PositionButton(-1);
    EXPECT_EQ(ButtonRect(), before);
    EXPECT_EQ(bar.moves.size(), moves);
}

TEST_F(Placement, NoRebarForcesTheFloatingPlaceWithoutRewritingTheSetting) {
    for (const int stored : {1, 2}) {
        ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
        bar.hasRebar = false;
        StartUp(stored);
        EXPECT_EQ(gReBarHwnd, 0u);
        EXPECT_EQ(gTaskToolbarHwnd, 0u);
        EXPECT_EQ(gButtonPosition, 0);
        EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")),
                  QString::number(stored));
        EXPECT_EQ(platform::WatchedWindow(), 0u);
        EXPECT_EQ(ButtonRect(), QRect(0, kScreenH - kButtonH - 30 + 2, 54, kButtonH));
        EXPECT_TRUE(bar.moves.isEmpty()); // nothing of the taskbar is touched
    }
}

TEST_F(Placement, WithoutARebarTheEdgeComesFromTheRectangle) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    bar.hasRebar = false;
    bar.reportedEdge = platform::ABE_TOP; // not believed without a rebar
    StartUp(0);
    EXPECT_EQ(ButtonRect().y(), kScreenH - kButtonH - 30 + 2);
    QRect rect;
    int edge = -1;
    ReadTaskbar(&rect, &edge);
    EXPECT_EQ(edge, platform::ABE_BOTTOM);
}

TEST_F(Placement, EdgeFromRectangle) {
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(0, 738, 1024, 30)), platform::ABE_BOTTOM);
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(0, 0, 1024, 30)), platform::ABE_TOP);
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(0, 0, 60, 768)), platform::ABE_LEFT);
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(964, 0, 60, 768)), platform::ABE_RIGHT);
    // Exactly half the screen is not more than half: horizontal.
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(0, 384, 1024, 384)), platform::ABE_TOP);
    EXPECT_EQ(TaskbarEdgeFromRect(QRect(0, 385, 1024, 383)), platform::ABE_BOTTOM);
    EXPECT_EQ(TaskbarEdgeFromRect(QRect()), platform::ABE_TOP);
}

TEST_F(Placement, LinuxDesktopFloatsTheButton) {
    // No scripted taskbar: the Linux implementation, which has no rebar.
    StartUp(1);
    EXPECT_NE(gTrayHwnd, 0u);
    EXPECT_EQ(gReBarHwnd, 0u);
    EXPECT_EQ(gTrayNotifyHwnd, 0u);
    EXPECT_EQ(gButtonPosition, 0);
    EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")),
              QStringLiteral("1"));
    // The offscreen screen reserves no panel: flush with the bottom left.
    EXPECT_EQ(ButtonRect(), QRect(0, kScreenH - kButtonH, 54, kButtonH));
    EXPECT_EQ(button->pos(), QPoint(0, kScreenH - kButtonH));
    EXPECT_EQ(GetButtonTop(), (kScreenH - kButtonH) * 15);
    EXPECT_EQ(GetButtonLeft(), 0);
    UpdateScreenBottom();
    EXPECT_EQ(gScreenBottom, kScreenH * 15);
}

TEST(LinuxTaskbar, PanelFromScreenGeometry) {
    const QRect screen(0, 0, 1024, 768);
    QRect rect;
    int edge = -1;
    EXPECT_FALSE(platform::TaskbarFromScreen(screen, screen, &rect, &edge));
    ASSERT_TRUE(platform::TaskbarFromScreen(screen, QRect(0, 0, 1024, 728), &rect, &edge));
    EXPECT_EQ(rect, QRect(0, 728, 1024, 40));
    EXPECT_EQ(edge, platform::ABE_BOTTOM);
    ASSERT_TRUE(platform::TaskbarFromScreen(screen, QRect(0, 28, 1024, 740), &rect, &edge));
    EXPECT_EQ(rect, QRect(0, 0, 1024, 28));
    EXPECT_EQ(edge, platform::ABE_TOP);
    ASSERT_TRUE(platform::TaskbarFromScreen(screen, QRect(64, 0, 960, 768), &rect, &edge));
    EXPECT_EQ(rect, QRect(0, 0, 64, 768));
    EXPECT_EQ(edge, platform::ABE_LEFT);
    ASSERT_TRUE(platform::TaskbarFromScreen(screen, QRect(0, 0, 960, 768), &rect, &edge));
    EXPECT_EQ(rect, QRect(960, 0, 64, 768));
    EXPECT_EQ(edge, platform::ABE_RIGHT);
    // A top bar and a wider dock at the bottom: the wider strip is the taskbar.
    ASSERT_TRUE(platform::TaskbarFromScreen(screen, QRect(0, 24, 1024, 696), &rect, &edge));
    EXPECT_EQ(edge, platform::ABE_BOTTOM);
    EXPECT_EQ(rect, QRect(0, 720, 1024, 48));
}

TEST_F(Placement, ScreenBottomLeavesOutAHorizontalTaskbar) {
    {
        ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
        FindTaskbarWindows();
        UpdateScreenBottom();
        EXPECT_EQ(gScreenBottom, (kScreenH - 30) * 15);
    }
    {
        ScriptedTaskbar bar(platform::ABE_TOP, 40);
        FindTaskbarWindows();
        UpdateScreenBottom();
        EXPECT_EQ(gScreenBottom, (kScreenH - 40) * 15);
    }
    {
        ScriptedTaskbar bar(platform::ABE_LEFT, 60);
        FindTaskbarWindows();
        UpdateScreenBottom();
        EXPECT_EQ(gScreenBottom, kScreenH * 15);
    }
}

TEST_F(Placement, WatchTickReplacesTheFloatingButtonOnlyWhenTheTaskbarChanged) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(0);
    TaskbarSnapshot seen;
    EXPECT_TRUE(TaskbarWatchTick(seen)); // nothing seen yet
    const auto moves = bar.moves.size();
    EXPECT_FALSE(TaskbarWatchTick(seen));
    EXPECT_FALSE(TaskbarWatchTick(seen));
    EXPECT_EQ(bar.moves.size(), moves); // an unchanged taskbar costs no work

    bar.Dock(platform::ABE_BOTTOM, 44); // the user made it taller
    EXPECT_TRUE(TaskbarWatchTick(seen));
    EXPECT_EQ(ButtonRect().y(), kScreenH - kButtonH - 44 + 2);
    bar.Dock(platform::ABE_LEFT, 44);
    EXPECT_TRUE(TaskbarWatchTick(seen));
    EXPECT_EQ(ButtonRect().topLeft(), QPoint(44, kScreenH - kButtonH));

    gButtonPosition = 1; // docked: the tick leaves the button to the watcher
    bar.Dock(platform::ABE_BOTTOM, 30);
    EXPECT_FALSE(TaskbarWatchTick(seen));
}

TEST_F(Placement, UnloadGivesTheRebarBackAndDetachesTheWatcher) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    StartUp(1);
    ASSERT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    ReleaseTaskbar();
    EXPECT_EQ(platform::WatchedWindow(), 0u);
    EXPECT_EQ(bar.LastRebarMove(), QRect(58, 0, kScreenW - 120 - 68, 22));

    ScriptedTaskbar vertical(platform::ABE_RIGHT, 60);
    FindTaskbarWindows();
    ReleaseTaskbar();
    EXPECT_EQ(vertical.LastRebarMove(), QRect(0, 22, 52, kScreenH - 120 - 38));
}

TEST_F(Placement, UnloadWithoutARebarTouchesNothing) {
    ScriptedTaskbar bar(platform::ABE_BOTTOM, 30);
    bar.hasRebar = false;
    StartUp(1);
    ReleaseTaskbar();
    EXPECT_TRUE(bar.moves.isEmpty());
}

TEST_F(Placement, AButtonHandleOutlivesNothing) {
    const platform::WindowHandle h = platform::HandleOf(button.get());
    EXPECT_EQ(platform::HandleOf(button.get()), h);
    EXPECT_EQ(platform::WidgetOf(h), button.get());
    button.reset();
    EXPECT_EQ(platform::WidgetOf(h), nullptr);
    EXPECT_FALSE(platform::MoveWindow(h, 0, 0, 10, 10));
    EXPECT_TRUE(platform::GetWindowRect(h).isNull());
    gButtonHwnd = h;
    PositionButton(0); // the button is gone: nothing to place, no crash
    EXPECT_EQ(GetButtonTop(), 0);
}

} // namespace
