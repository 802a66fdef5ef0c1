// The home menu's showing: width, placement beside the desktop button, the
// slide-in, the refresh that keeps the highlighted item, a failed fetch, the
// state of an earlier opening, the tooltip window, and a screenshot.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"
#include "menus/ChainCapture.h"
#include "menus/MenuHooks.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "menus/frmTooltip.h"
#include "platform/Taskbar.h"
#include "support/MenuRows.h"
#include "support/Screenshot.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

#include <gtest/gtest.h>

using namespace modGlobals;

using testsupport::Row;
using testsupport::Rows;

namespace {

ItemCollectionPtr SixRows() {
    return Rows({Row(12, QStringLiteral("News Today"), true),
                 Row(15, QStringLiteral("Weather"), true, QStringLiteral("LinkIcon")),
                 Row(-1, QString(), false), Row(3, QStringLiteral("Hot Buys"), false),
                 Row(40, QStringLiteral("Travel"), false),
                 Row(41, QStringLiteral("Shopping"), false)});
}

class MenuShow : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        PlaceButton(QRect(0, 738, 60, 30));
        gUserID = 1234;
        frm = std::make_unique<frmMain>();
        frm->SetItemsSource([this] { return items; });
        items = SixRows();
    }
    void TearDown() override {
        frm->Unload();
        frm.reset();
        button.reset();
        menus::Slide::SetStepIntervalMs(10);
    }
    void PlaceButton(const QRect& r) {
        button->setGeometry(r);
        button->show();
        gButtonHwnd = platform::HandleOf(button.get());
    }
    bool WaitSlide() {
        return QTest::qWaitFor([this] { return !frm->slide.IsRunning(); }, 5000);
    }
    testsupport::TestWorld world;
    std::unique_ptr<QWidget> button;
    std::unique_ptr<frmMain> frm;
    ItemCollectionPtr items;
};

TEST_F(MenuShow, AboveTheButtonWithItsBottomOnTheButtonsTop) {
    gAniSpeed = 25;
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    EXPECT_TRUE(frm->isVisible());
    EXPECT_TRUE(gMainLoaded);
    EXPECT_EQ(frm->width(), 165);
    // Six rows, the search strip (22 px) and 240 twips (16 px), inside the
    // skin's frame (a pixel on each side).
    EXPECT_EQ(frm->height(), 6 * 20 + 22 + 16 + 2);
    EXPECT_EQ(frm->x(), 0);
    EXPECT_EQ(frm->y() + frm->height(), 738);
}

TEST_F(MenuShow, WidthIs165WhateverTheNames) {
    gAniSpeed = 25;
    items = Rows({Row(12, QString(200, QLatin1Char('W')), true)});
    frm->ShowMenu();
    EXPECT_EQ(frm->width(), 165);
    EXPECT_EQ(frm->pMenu->width(), 163); // inside the one-pixel frame
}

TEST_F(MenuShow, BelowTheButtonWhenTheTaskbarIsAtTheTop) {
    gAniSpeed = 19;
    PlaceButton(QRect(40, 0, 60, 30));
    QList<int> steps;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int h, QRect) { steps << h; });
    frm->ShowMenu();
    EXPECT_FALSE(frm->slide.IsRunning()); // shown at once, no slide
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_EQ(frm->geometry().topLeft(), QPoint(40, 30));
}

TEST_F(MenuShow, BelowAndRightAlignedNearTheRightScreenEdge) {
    gAniSpeed = 25;
    PlaceButton(QRect(1000, 0, 24, 30));
    frm->ShowMenu();
    EXPECT_EQ(frm->x(), 1000 + 24 - 165);
    EXPECT_EQ(frm->x() + frm->width(), 1024);
    EXPECT_EQ(frm->y(), 30);
}

TEST_F(MenuShow, SlidesUpInStepsOfAniSpeedWithTheBottomFixed) {
    gAniSpeed = 19;
    QList<int> heights;
    QList<QRect> geometries;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int h, QRect g) {
        heights << h;
        geometries << g;
    });
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    const int H = 6 * 20 + 38 + 2; // rows, strip, 240 twips and the frame
    ASSERT_GE(heights.size(), 3);
    for (int i = 0; i + 1 < heights.size(); ++i)
        EXPECT_EQ(heights[i], i * 19);
    EXPECT_LE(heights[heights.size() - 2], H);
    EXPECT_EQ(heights.last(), H);
    for (const QRect& g : geometries)
        EXPECT_EQ(g.y() + g.height(), 738) << g.y() << " " << g.height();
    EXPECT_EQ(frm->geometry(), QRect(0, 738 - H, 165, H));
}

TEST_F(MenuShow, AniSpeed25AppearsAtOnce) {
    gAniSpeed = 25;
    QList<int> heights;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int h, QRect) { heights << h; });
    frm->ShowMenu();
    EXPECT_FALSE(frm->slide.IsRunning());
    EXPECT_EQ(heights, QList<int>({6 * 20 + 38 + 2}));
}

TEST_F(MenuShow, AniSpeedZeroStillEndsItsSlide) {
    gAniSpeed = 0;
    items = Rows({Row(12, QStringLiteral("News Today"), true)});
    QList<int> heights;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int h, QRect) { heights << h; });
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    const int H = 1 * 20 + 38 + 2;
    // Speed 0 moves at the slowest speed there is: 768 / 40 pixels a step.
    EXPECT_EQ(heights.size(), H / 19 + 2); // 0, 19, ..., then the final size
    EXPECT_EQ(heights[1], 19);
    EXPECT_EQ(frm->height(), H);
}

TEST_F(MenuShow, NoSpeedSlidesAScreenHighMenuForLongerThanFortySteps) {
    // A window as high as the screen, slid at every speed that slides: about
    // 0.4 s at most (40 steps of 10 ms), and a higher speed never takes more
    // steps than a lower one.
    QWidget w(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    w.setGeometry(0, 0, 50, 1);
    w.show();
    int previous = INT_MAX;
    for (int speed : {-5, 0, 1, 2, 3, 5, 8, 13, 19, 20, 21, 24}) {
        menus::Slide s;
        int steps = 0;
        QObject::connect(&s, &menus::Slide::Stepped, [&](int, QRect) { ++steps; });
        bool done = false;
        s.Start(
            &w, speed, 768, [](int h) { return QRect(0, 768 - h, 50, h); }, QRect(0, 0, 50, 768),
            [&] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 3000)) << speed;
        EXPECT_LE(steps, 42) << speed; // the steps and the final size
        EXPECT_LE(steps, previous) << speed;
        EXPECT_EQ(w.height(), 768);
        previous = steps;
        w.setGeometry(0, 0, 50, 1);
    }
}

TEST_F(MenuShow, ATallMenuAtSpeedOneSlidesInBigStepsWithTheBottomFixed) {
    gAniSpeed = 1;
    for (int id = 100; id < 124; ++id) // 30 rows, 638 pixels
        items->Add(Row(id, QStringLiteral("Row %1").arg(id), true));
    QList<QPair<int, QRect>> steps;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int h, QRect g) {
        steps.append({h, g});
    });
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    ASSERT_GE(steps.size(), 3);
    EXPECT_LE(steps.size(), 42);
    EXPECT_GE(steps[1].first, 19);
    for (const auto& [h, g] : steps)
        EXPECT_EQ(g.y() + g.height(), 738) << h;
    EXPECT_EQ(frm->height(), steps.last().first);
}

TEST_F(MenuShow, AMenuTallerThanEitherSideOpensAboveWithTheRowsThatFit) {
    gAniSpeed = 25;
    for (int id = 100; id < 132; ++id) // 38 rows: 760 pixels with the strip
        items->Add(Row(id, QStringLiteral("Row %1").arg(id), true));
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    // Above the button, inside the screen, the search strip still shown.
    EXPECT_GE(frm->y(), 0);
    EXPECT_EQ(frm->y() + frm->height(), 738);
    EXPECT_TRUE(frm->picSearch->isVisible());
    EXPECT_LE(frm->picSearch->mapTo(frm.get(), QPoint(0, frm->picSearch->height())).y(),
              frm->height());
    const int shown = frm->RowCount();
    EXPECT_EQ(shown, (738 - 2 - 22 - 16) / 20);
    // The canvas holds the shown rows only; the pointer and the keys never
    // reach a row that is not there.
    EXPECT_LE(frm->pMenu->Image.height(), 768);
    frm->Form_MouseMove(Qt::NoButton, QPoint(40, shown * 20 + 5));
    EXPECT_NE(frm->m_SelIndex, shown + 1);
    frm->m_SelIndex = shown;
    frm->Form_KeyDown(Qt::Key_Down);
    EXPECT_LE(frm->m_SelIndex == 999 ? 0 : frm->m_SelIndex, shown);
}

TEST_F(MenuShow, AHundredThousandRowsCostOnlyWhatIsShown) {
    gAniSpeed = 25;
    for (int id = 100; id < 100100; ++id)
        items->Add(Row(id, QStringLiteral("Row %1").arg(id), true));
    frm->ShowMenu();
    EXPECT_LE(frm->height(), 738);
    EXPECT_GE(frm->y(), 0);
    EXPECT_LE(frm->pMenu->Image.height() / frm->pMenu->Image.devicePixelRatio(), 738);
    EXPECT_LT(frm->RowCount(), 40);
}

TEST_F(MenuShow, ATallMenuOpensBelowAButtonAtTheTopWhenThatSideHoldsIt) {
    gAniSpeed = 25;
    PlaceButton(QRect(0, 300, 60, 30));
    for (int id = 100; id < 110; ++id) // 16 rows: 362 pixels, more than the 300 above
        items->Add(Row(id, QStringLiteral("Row %1").arg(id), true));
    frm->ShowMenu();
    EXPECT_EQ(frm->y(), 330);
    EXPECT_EQ(frm->RowCount(), 16);
    EXPECT_LE(frm->y() + frm->height(), 768);
}

TEST_F(MenuShow, AWindowUnloadedDuringItsSlideIsNotMovedOn) {
    gAniSpeed = 1;
    menus::Slide::SetStepIntervalMs(5);
    int after = 0;
    bool unloaded = false;
    QObject::connect(&frm->slide, &menus::Slide::Stepped, [&](int, QRect) {
        if (unloaded)
            ++after;
    });
    frm->ShowMenu();
    ASSERT_TRUE(frm->slide.IsRunning());
    QTest::qWait(20);
    frm->Unload();
    unloaded = true;
    const QRect where = frm->geometry();
    QTest::qWait(30);
    EXPECT_FALSE(frm->slide.IsRunning());
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(after, 0);
    EXPECT_EQ(frm->geometry(), where);
}

TEST_F(MenuShow, ASlideWhoseWindowWasHiddenEndsQuietly) {
    QWidget w(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    w.setGeometry(10, 10, 50, 1);
    w.show();
    menus::Slide s;
    menus::Slide::SetStepIntervalMs(5);
    bool done = false;
    s.Start(
        &w, 2, 100, [](int h) { return QRect(10, 10, 50, h); }, QRect(10, 10, 50, 100),
        [&] { done = true; });
    w.hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.IsRunning(); }, 2000));
    EXPECT_FALSE(done);
    EXPECT_LT(w.height(), 100);
}

TEST_F(MenuShow, UpdateMenuKeepsTheHighlightedItemAtItsNewRow) {
    gAniSpeed = 25;
    frm->ShowMenu();
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 4 * 20 + 5)); // row 5: Travel (40)
    ASSERT_EQ(frm->m_SelIndex, 5);
    // A shortcut was added at the top.
    items =
        Rows({Row(77, QStringLiteral("Added"), true), Row(12, QStringLiteral("News Today"), true),
              Row(15, QStringLiteral("Weather"), true), Row(-1, QString(), false),
              Row(3, QStringLiteral("Hot Buys"), false), Row(40, QStringLiteral("Travel"), false),
              Row(41, QStringLiteral("Shopping"), false)});
    frm->UpdateMenu();
    EXPECT_EQ(frm->m_SelIndex, 6);
    EXPECT_TRUE(frm->picHighlight->isVisible());
    EXPECT_EQ(frm->picHighlight->y() - 1, 5 * 20);
    // Opened above the button: the bottom stays on the button's top edge.
    EXPECT_EQ(frm->y() + frm->height(), 738);
    // A refill keeps the frame around the client part (two pixels).
    EXPECT_EQ(frm->height(), 7 * 20 + 38 + 2);
}

TEST_F(MenuShow, ARefillOfTheSameRowsKeepsTheWindowsSize) {
    gAniSpeed = 25;
    frm->ShowMenu();
    ASSERT_TRUE(WaitSlide());
    const QRect first = frm->geometry();
    frm->UpdateMenu();
    frm->UpdateMenu();
    EXPECT_EQ(frm->geometry(), first);
}

TEST_F(MenuShow, UpdateMenuAfterTheHighlightedShortcutWasRemoved) {
    gAniSpeed = 25;
    frm->ShowMenu();
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 1 * 20 + 5)); // Weather (15)
    ASSERT_EQ(frm->m_SelIndex, 2);
    items = Rows({Row(12, QStringLiteral("News Today"), true), Row(-1, QString(), false),
                  Row(40, QStringLiteral("Travel"), false)});
    frm->UpdateMenu();
    EXPECT_EQ(frm->m_SelIndex, 0);
    EXPECT_FALSE(frm->picHighlight->isVisible());
    EXPECT_EQ(frm->y() + frm->height(), 738);
}

TEST_F(MenuShow, AFailedFetchGivesAnEmptyMenuWithOneMessage) {
    localservice::LocalService service;
    ASSERT_GT(service.Start(), 0);
    service.SetReply(QStringLiteral("/Vantrix/internal/getUserHomeMenu.ASP"), "ERR");
    ASSERT_TRUE(localservice::CreateSampleDatabase(world.dataPath() + "MenuItems.dat"));
    testsupport::TestWorld::UseServer(service.Host());
    int errors = 0;
    testsupport::ScriptedDialogs dialogs;
    dialogs.showError = [&](const QString&, int, const QString&) { ++errors; };
    frm->SetItemsSource(nullptr); // the real item store
    gAniSpeed = 25;
    ItemManager();
    world.notifier.calls.clear();
    frm->ShowMenu();
    dialogs.showError = nullptr;
    EXPECT_EQ(errors, 0);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, "Unable to get Home Menu settings from server.");
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->RowCount(), 0);
    // Only the search strip and 240 twips, inside the frame.
    EXPECT_EQ(frm->height(), 22 + 16 + 2);
    frm->Form_KeyDown(Qt::Key_Down); // an empty menu ignores the arrows
    frm->Form_KeyDown(Qt::Key_Up);
    EXPECT_FALSE(frm->picHighlight->isVisible());
}

TEST_F(MenuShow, TheRealStoreFillsTheMenu) {
    localservice::LocalService service;
    ASSERT_GT(service.Start(), 0);
    const std::vector<int> top = localservice::SampleTopCategories();
    ASSERT_GE(top.size(), 2u);
    const QByteArray reply =
        QByteArray::number(top[0]) + "\r\n-\r\n" + QByteArray::number(top[1]) + "\r\nEOF\r\n";
    service.SetReply(QStringLiteral("/Vantrix/internal/getUserHomeMenu.ASP"), reply);
    ASSERT_TRUE(localservice::CreateSampleDatabase(world.dataPath() + "MenuItems.dat"));
    testsupport::TestWorld::UseServer(service.Host());
    frm->SetItemsSource(nullptr);
    gAniSpeed = 25;
    frm->ShowMenu();
    ASSERT_EQ(frm->RowCount(), 3);
    ASSERT_NE(frm->m_Items->Item(1), nullptr);
    EXPECT_EQ(frm->m_Items->Item(1)->ID, top[0]);
    ASSERT_NE(frm->m_Items->Item(2), nullptr);
    EXPECT_EQ(frm->m_Items->Item(2)->ID, -1);
    EXPECT_EQ(frm->m_SepRow, 1);
    const auto requests =
        service.RequestsFor(QStringLiteral("/Vantrix/internal/getUserHomeMenu.ASP"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].formValue(QStringLiteral("UserID")), "1234");
}

TEST_F(MenuShow, AnEarlierOpeningLeavesNoStateBehind) {
    gAniSpeed = 25;
    frm->ShowMenu();
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 5 * 20 + 5)); // row 6
    ASSERT_EQ(frm->m_SelIndex, 6);
    ASSERT_EQ(frm->m_LastRow, 6);
    ASSERT_EQ(frm->m_FlashRow, 3);
    ASSERT_EQ(frm->m_SepRow, 2);
    frm->Unload();
    EXPECT_FALSE(gMainLoaded);
    items = Rows({Row(12, QStringLiteral("News Today"), true)});
    frm->ShowMenu();
    EXPECT_TRUE(frm->m_SelIndex == 0 || frm->m_SelIndex == 999);
    EXPECT_EQ(frm->m_LastRow, 0);
    EXPECT_EQ(frm->m_SepRow, 0);
    EXPECT_EQ(frm->m_FlashRow, -1);
    EXPECT_FALSE(frm->picHighlight->isVisible());
    // The first row is not the hot category: nothing flashes red.
    frm->timFlash_Timer();
    EXPECT_TRUE(frm->timFlashTag.isEmpty());
}

TEST_F(MenuShow, TheSearchTextOfAnEarlierOpeningIsGone) {
    gAniSpeed = 25;
    frm->ShowMenu();
    frm->txtSearch->setText(QStringLiteral("flights"));
    frm->Form_KeyDown(Qt::Key_Escape);
    ASSERT_FALSE(gMainLoaded);
    frm->ShowMenu();
    EXPECT_TRUE(frm->txtSearch->text().isEmpty());
}

TEST_F(MenuShow, HooksShowAndUnloadTheOneHomeMenu) {
    testsupport::Installed<MenusChain> menuChain;
    menus::ChildFactory() = MenuChildWindows();
    frmMain& home = frmMain::Instance();
    EXPECT_EQ(&home, &frmMain::Instance());
    home.SetItemsSource([this] { return items; });
    gAniSpeed = 25;
    windows::menuChain().ShowHomeMenu();
    EXPECT_TRUE(home.isVisible());
    EXPECT_TRUE(gMainLoaded);
    windows::menuChain().UnloadHomeMenu();
    EXPECT_FALSE(home.isVisible());
    EXPECT_FALSE(gMainLoaded);
    home.SetItemsSource(nullptr);
}

TEST_F(MenuShow, TooltipAtTheRightScreenEdgeEndsFlushWithIt) {
    ASSERT_FALSE(gTooltipLoaded);
    menus::frmTooltip::ShowAt(QStringLiteral("Cheap & cheerful flights"), QRect(1000, 400, 24, 20));
    ASSERT_TRUE(gTooltipLoaded);
    menus::frmTooltip* t = menus::frmTooltip::Loaded();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->geometry().right() + 1, 1024);
    EXPECT_EQ(t->geometry().bottom() + 1, 400); // directly above the row
    EXPECT_EQ(t->lblTooltip->text(), "Cheap & cheerful flights");
    EXPECT_EQ(t->width(), t->lblTooltip->width() + 12);
    menus::frmTooltip::Unload();
    EXPECT_FALSE(gTooltipLoaded);
    EXPECT_EQ(menus::frmTooltip::Loaded(), nullptr);
}

TEST_F(MenuShow, TheNewsWaitBoxSitsOnTheHighlightBar) {
    testsupport::Installed<MenusChain> menuChain;
    menus::ChildFactory() = MenuChildWindows();
    gHighlightRect = {100 * 15, 300 * 15, 265 * 15, 320 * 15};
    windows::menuChain().ShowWaitBox(QStringLiteral("Loading News... Please Wait..."));
    ASSERT_TRUE(gTooltipLoaded);
    menus::frmTooltip* t = menus::frmTooltip::Loaded();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->x(), 100);
    EXPECT_EQ(t->geometry().bottom() + 1, 300);
    EXPECT_EQ(t->lblTooltip->text(), "Loading News... Please Wait...");
    windows::menuChain().UnloadWaitBox();
    EXPECT_FALSE(gTooltipLoaded);
}

TEST_F(MenuShow, TooltipLeftAtTheAnchorAndUnloadedWithTheHomeMenu) {
    gAniSpeed = 25;
    frm->ShowMenu();
    menus::frmTooltip::ShowAt(QStringLiteral("Short"), QRect(100, 300, 100, 20));
    ASSERT_NE(menus::frmTooltip::Loaded(), nullptr);
    EXPECT_EQ(menus::frmTooltip::Loaded()->x(), 100);
    EXPECT_TRUE(gTooltipLoaded);
    frm->Unload();
    EXPECT_FALSE(gTooltipLoaded);
}

TEST_F(MenuShow, ScreenshotOfTheOpenHomeMenu) {
    gAniSpeed = 25;
    items =
        Rows({Row(12, QStringLiteral("News Today"), true),
              Row(15, QStringLiteral("Weather"), true, QStringLiteral("LinkIcon")),
              Row(16, QStringLiteral("Deals & Coupons"), true, QStringLiteral("AdvertiserIcon")),
              Row(-1, QString(), false), Row(3, QStringLiteral("Hot Buys"), false),
              Row(40, QStringLiteral("Travel"), false), Row(41, QStringLiteral("Shopping"), false),
              Row(42, QStringLiteral("Computers & Internet"), false)});
    frm->ShowMenu();
    frm->txtSearch->setText(QStringLiteral("flights"));
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 5 * 20 + 5));
    testsupport::SaveScreenshot(frm->grab().toImage(), QStringLiteral("home-menu.png"));
    testsupport::ExpectOnScreen(frm.get(), "the home menu");
    EXPECT_LE(frm->frameGeometry().bottom(), button->geometry().top())
        << "the menu covers the button";
    gTrueColor = false;
    frm->Unload();
    frm->ShowMenu();
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 5 * 20 + 5));
    testsupport::SaveScreenshot(frm->grab().toImage(), QStringLiteral("home-menu-fewcolors.png"));
    testsupport::ExpectOnScreen(frm.get(), "the home menu in few colours");
}

TEST_F(MenuShow, TheSampleServicesHomeMenuWithItsIcons) {
    QTemporaryDir serviceData;
    localservice::LocalService service;
    localservice::SampleData data;
    data.dataFolder = serviceData.path();
    localservice::InstallSamplePages(service, data);
    ASSERT_GT(service.Start(), 0);
    ASSERT_TRUE(localservice::CreateSampleDatabase(world.dataPath() + "MenuItems.dat"));
    gServerHost = service.Host();
    gServerPath = data.serverPath;
    gServerBase = gServerHost + gServerPath;
    frm->SetItemsSource(nullptr);
    gAniSpeed = 25;
    frm->ShowMenu();
    ASSERT_GT(frm->RowCount(), 5);
    EXPECT_GT(frm->m_SepRow, 0);
    // Category rows show the folder: their own icons are never fetched.
    for (const localservice::Request& r : service.Requests())
        EXPECT_FALSE(r.path.contains("/images/")) << r.path.constData();
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 2 * 20 + 5));
    testsupport::SaveScreenshot(frm->grab().toImage(), QStringLiteral("home-menu-sample.png"));
    testsupport::ExpectOnScreen(frm.get(), "the sample home menu");
}

} // namespace
