// What a user does with the submenu windows: the keyboard walk (separators
// skipped, wrapping, never onto a row that is not there), Right and Left
// through the levels, Enter on leaves only, clicks and pointers outside the
// visible rows, the opener's delay and the cascade to the left at the
// screen's edge, the tooltip, the context menu's request to the local
// service, and a picture of three open levels for a person to look at.
//
// The tooltip tests here passed while, with real timers and windows, the
// tooltip vanished whenever the pointer moved on to another category; and
// the cascade to the left passed while the mouse could not use the turned
// level under X11: tests/x11/t_tooltip_between_categories.sh and
// t_left_turned_level.sh cover those.
#include "menus/ChainCapture.h"
#include "menus/Layout.h"
#include "menus/frmTooltip.h"
#include "platform/TaskbarScripted.h"
#include "platform/Twips.h"
#include "support/MenuRows.h"
#include "support/Screenshot.h"
#include "test_submenu_fixture.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTest>

using namespace modGlobals;
using namespace submenutest;

using testsupport::Rows;

TEST_F(SubmenuTest, KeysWalkRealRowsOnly) {
    frmMenu menu;
    menu.show();
    menu.m_Items = Rows({HomeRow(30, "A", true), HomeRow(-1, "", false), HomeRow(31, "B", true),
                         HomeRow(40, "Cat", false), HomeRow(-1, "", false)});
    menu.RefreshIcons();
    menu.Form_KeyDown(Qt::Key_Up); // nothing highlighted: Up stays
    EXPECT_EQ(menu.m_SelIndex, 0);
    menu.Form_KeyDown(Qt::Key_Down);
    EXPECT_EQ(menu.m_SelIndex, 1);
    menu.Form_KeyDown(Qt::Key_Down); // over the separator
    EXPECT_EQ(menu.m_SelIndex, 3);
    menu.Form_KeyDown(Qt::Key_Down);
    EXPECT_EQ(menu.m_SelIndex, 4);
    menu.Form_KeyDown(Qt::Key_Down); // the trailing separator is no row: wraps
    EXPECT_EQ(menu.m_SelIndex, 1);
    menu.Form_KeyDown(Qt::Key_Up); // from row 1 past the trailing separator
    EXPECT_EQ(menu.m_SelIndex, 4);
    EXPECT_TRUE(menu.picHighlight->isVisible());
    // Enter opens leaves only.
    menu.Form_KeyDown(Qt::Key_Return);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    menu.Form_KeyDown(Qt::Key_Up);
    menu.Form_KeyDown(Qt::Key_Return);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=31"))
        << world.shell.calls[0].file.toStdString();

    // A list that starts with a heading or a placeholder takes no keys.
    menu.m_Items = Rows({HomeRow(-1000, "(empty)", false)});
    menu.m_SelIndex = 0;
    menu.RefreshIcons();
    menu.Form_KeyDown(Qt::Key_Down);
    EXPECT_EQ(menu.m_SelIndex, 0);
}

TEST_F(SubmenuTest, RightOpensTheNextLevelAndLeftClosesIt) {
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), home.get());
    arts->picForm_MouseMove(QPoint(60, (RowOf(arts, 200) - 1) * 20 + 8)); // Movies
    ASSERT_TRUE(arts->Timer1.isActive());
    arts->Form_KeyDown(Qt::Key_Right);
    auto* movies = qobject_cast<frmMenu*>(arts->m_ChildForm.data());
    ASSERT_NE(movies, nullptr);
    EXPECT_EQ(movies->ParentCategoryID(), 200);
    EXPECT_EQ(movies->m_SelIndex, 1); // its first row highlighted
    EXPECT_TRUE(movies->HaveCapture());
    EXPECT_FALSE(arts->HaveCapture());
    EXPECT_EQ(movies->x(), arts->x() + 240 - 4); // right, 60 twips over its parent
    // Left closes this level only; the parent forgets it and opens a fresh
    // one next time.
    movies->Form_KeyDown(Qt::Key_Left);
    EXPECT_FALSE(movies->isVisible());
    EXPECT_EQ(arts->m_ChildForm, nullptr);
    EXPECT_TRUE(arts->isVisible());
    arts->Timer1_Timer();
    ASSERT_NE(arts->m_ChildForm, nullptr);
    EXPECT_NE(arts->m_ChildForm.data(), movies);
    EXPECT_EQ(LogLines(), (QStringList{"10", "200", "200"}));
}

TEST_F(SubmenuTest, AClickBelowTheWindowClosesEverythingAndOpensNothing) {
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_TRUE(all->Scrolls());
    // The taskbar below the window: canvas rows continue there, unseen.
    const QPoint below = all->CanvasFromWindow(QPoint(60, all->height() + 10));
    ASSERT_LE(below.y() / 20 + 1, all->RowCount()); // a hidden row lies there
    all->picForm_MouseMove(below);
    EXPECT_EQ(all->m_SelIndex, 0);
    all->picForm_MouseDown(Qt::LeftButton, below);
    EXPECT_FALSE(home->isVisible());
    EXPECT_FALSE(all->isVisible());
    EXPECT_TRUE(world.shell.calls.isEmpty());
}

TEST_F(SubmenuTest, TheOpenerWaitsAndDeepLevelsTurnLeftAtTheEdge) {
    // The button far right: no room right of the home menu.
    PlaceButton(QRect(700, 738, 60, 30));
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    EXPECT_TRUE(home->ReversedMenu());
    EXPECT_EQ(arts->geometry().right() + 1, home->x());
    arts->picForm_MouseMove(QPoint(60, (RowOf(arts, 200) - 1) * 20 + 8));
    EXPECT_EQ(arts->Timer1.interval(), 250);
    EXPECT_EQ(arts->m_ChildForm, nullptr); // not yet
    QTest::qWait(400);
    auto* movies = qobject_cast<frmMenu*>(arts->m_ChildForm.data());
    ASSERT_NE(movies, nullptr);
    // Left as its parent did, though there is room on the right.
    EXPECT_TRUE(arts->ReversedMenu());
    EXPECT_EQ(movies->geometry().right() + 1, arts->x());
    frmMenu* classics = OpenFrom(movies, RowOf(movies, 201));
    ASSERT_NE(classics, nullptr);
    // The third level would pass the left edge: it stops there.
    EXPECT_EQ(classics->x(), 0);
    EXPECT_GE(classics->y(), 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(SubmenuTest, TheTooltipShowsTheDescriptionOnceTheHighlightSettles) {
    // The first level ends 8 pixels short of the right edge.
    PlaceButton(QRect(615, 738, 60, 30));
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    arts->picForm_MouseMove(QPoint(60, (RowOf(arts, 200) - 1) * 20 + 8));
    EXPECT_EQ(menus::frmTooltip::Loaded(), nullptr);
    QTest::qWait(150);
    menus::frmTooltip* tip = menus::frmTooltip::Loaded();
    ASSERT_NE(tip, nullptr);
    // One "&", shown as it is; too long to start at the bar: flush right.
    EXPECT_EQ(tip->lblTooltip->text(),
              "Films & cinemas, from the silent classics to the blockbusters of this summer");
    EXPECT_EQ(tip->geometry().right(), 1023);
    EXPECT_GT(tip->x(), 0);
    EXPECT_EQ(tip->geometry().bottom() + 1, arts->picHighlight->mapToGlobal(QPoint(0, 0)).y());
    // A row without a description shows none.
    arts->picForm_MouseMove(QPoint(60, (RowOf(arts, 303) - 1) * 20 + 8));
    QTest::qWait(150);
    EXPECT_EQ(menus::frmTooltip::Loaded(), nullptr);

    // A search window's row without a description shows its category path.
    frmMenu search;
    search.show();
    search.SetParentCategoryID(-4);
    auto found = HomeRow(401, "Silent Era", true);
    found->ParentID = 201;
    search.m_SearchText = "silent";
    search.m_Items = Rows({found});
    search.RefreshIcons();
    search.picForm_MouseMove(QPoint(60, 8));
    search.timTooltip_Timer();
    ASSERT_NE(menus::frmTooltip::Loaded(), nullptr);
    EXPECT_EQ(menus::frmTooltip::Loaded()->lblTooltip->text(),
              "Tarvel > Arts > Movies > Classics > ");
}

TEST_F(SubmenuTest, AddToHomeMenuActsOnTheRightClickedRow) {
    int homeFetches = 0;
    home->SetItemsSource([&] {
        ++homeFetches;
        if (homeFetches > 1 && !menus::FindRow(*homeRows, 303))
            homeRows->Add(HomeRow(303, QStringLiteral("Sculpture Hub"), true));
        return homeRows;
    });
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    QList<bool> addEnabled;
    QAction* choose = nullptr;
    arts->PopupMenu = [&](const QPoint&) {
        addEnabled << arts->mnuContextAdd->isEnabled();
        // The pointer moves on before the command runs.
        arts->m_SelIndex = 1;
        if (choose)
            choose->trigger();
    };
    auto rightClick = [&](int id) {
        arts->picForm_MouseDown(Qt::RightButton, QPoint(60, (RowOf(arts, id) - 1) * 20 + 8));
    };
    rightClick(301); // an advertiser
    rightClick(303);
    EXPECT_EQ(addEnabled, (QList<bool>{false, true}));

    service.SetReply("/Vantrix/internal/addShortcut.asp", "OK");
    choose = arts->mnuContextAdd;
    rightClick(303);
    const auto asked = service.RequestsFor("/Vantrix/internal/addShortcut.asp");
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].queryValue("MenuItemID"), "303");
    EXPECT_EQ(asked[0].queryValue("UserID"), "1234");
    EXPECT_GT(menus::FindRow(*home->m_Items, 303), 0); // the home menu shows it
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    service.SetReply("/Vantrix/internal/addShortcut.asp", "Already there");
    rightClick(302);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, "Unable to add menu item to Home Menu.");
    EXPECT_EQ(world.notifier.calls[0].title, "frmMenu.mnuContactAdd_Click");
    EXPECT_EQ(world.notifier.calls[0].flags, 64);

    service.Stop();
    rightClick(302);
    ASSERT_EQ(world.notifier.calls.size(), 3);
    EXPECT_EQ(world.notifier.calls[1].title, "Cannot connect");
    EXPECT_EQ(world.notifier.calls[2].title, "frmMenu.mnuContactAdd_Click");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SubmenuTest, ThreeOpenLevelsMakeAPictureForAPerson) {
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    frmMenu* movies = OpenFrom(arts, RowOf(arts, 200));
    ASSERT_NE(movies, nullptr);
    frmMenu* classics = OpenFrom(movies, RowOf(movies, 201));
    ASSERT_NE(classics, nullptr);
    classics->picForm_MouseMove(QPoint(60, (RowOf(classics, 202) - 1) * 20 + 8));
    // The screen as the windows lie on it.
    QImage screen(1024, 768, QImage::Format_RGB32);
    screen.fill(QColor(0, 90, 110));
    {
        QPainter p(&screen);
        for (QWidget* w : {static_cast<QWidget*>(button.get()), static_cast<QWidget*>(home.get()),
                           static_cast<QWidget*>(arts), static_cast<QWidget*>(movies),
                           static_cast<QWidget*>(classics)})
            p.drawPixmap(w->pos(), w->grab());
    }
    const QString dir =
        qEnvironmentVariable("TARVEL_SHOT_DIR", QCoreApplication::applicationDirPath() + "/..");
    EXPECT_TRUE(screen.save(QDir(dir).filePath("submenu_levels.png")));
    // Every level whole on the screen, none under another's edge but for the
    // overlap.
    testsupport::ExpectOnScreen(home.get(), "the home menu");
    testsupport::ExpectOnScreen(arts, "the first level");
    testsupport::ExpectOnScreen(movies, "the second level");
    testsupport::ExpectOnScreen(classics, "the third level");
    // Each level lies right of its parent and carries a highlighted row in
    // the highlight colour, on the row that opened the next level.
    EXPECT_LT(arts->x(), movies->x());
    EXPECT_LT(movies->x(), classics->x());
    for (frmMenu* level : {arts, movies, classics}) {
        const QPoint bar = level->picHighlight->mapToGlobal(QPoint(0, 0));
        int blue = 0;
        for (int y = bar.y(); y < bar.y() + 20; ++y)
            for (int x = bar.x() + 28; x < bar.x() + 150; ++x)
                blue += screen.pixelColor(x, y) == QColor(87, 101, 171) ? 1 : 0;
        EXPECT_GT(blue, 20) << level->ParentCategoryID();
    }
}

TEST_F(SubmenuTest, ATallFirstLevelFitsTheRoomAboveAHighButton) {
    // 600 pixels above the button, 52 rows in the category.
    PlaceButton(QRect(0, 600, 60, 30));
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    EXPECT_GE(all->y(), 0);
    EXPECT_LE(all->geometry().bottom() + 1, 600);
    EXPECT_TRUE(all->Scrolls());
    EXPECT_EQ((all->VisibleBottom() - all->VisibleTop()) % 20, 0);
}

TEST_F(SubmenuTest, ASlideAtSpeedZeroEndsAndAChildClosedWhileSlidingEndsQuietly) {
    gAniSpeed = 0;
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    for (int i = 0; i < 500 && arts->width() < 240; ++i)
        QTest::qWait(1);
    EXPECT_EQ(arts->width(), 240);
    EXPECT_TRUE(arts->HaveCapture() || menus::ChainCapture::Instance().Holder() == home.get());

    frmMenu* movies = OpenFrom(arts, RowOf(arts, 200));
    ASSERT_NE(movies, nullptr);
    ASSERT_LT(movies->width(), 240); // still sliding
    QPointer<frmMenu> gone(movies);
    movies->Form_KeyDown(Qt::Key_Escape);
    for (int i = 0; i < 50; ++i)
        QTest::qWait(1);
    EXPECT_TRUE(!gone || !gone->isVisible());
    EXPECT_EQ(arts->m_ChildForm, nullptr);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    // The parent still opens it anew.
    ASSERT_NE(OpenFrom(arts, RowOf(arts, 200)), nullptr);
}

// Each opener puts its child beside the row it opened from: the home menu's
// child overlaps the home menu's right edge by its few pixels and starts at
// the highlighted row, as does a submenu's child beside the submenu.
TEST_F(SubmenuTest, EachOpenerPutsItsChildBesideTheRowItOpenedFrom) {
    const int overlap = platform::TwipsToPixelsX(menus::kChildOverlapTwips);
    ASSERT_GT(overlap, 0);
    // Classics (two rows) first on the home menu: its level fits below the
    // row, above the button.
    const ItemCollectionPtr rows = homeRows;
    homeRows = std::make_shared<ItemCollection>();
    homeRows->Add(HomeRow(201, QStringLiteral("Classics"), false));
    for (int i = 1; i <= rows->Count(); ++i)
        homeRows->Add(rows->Item(i));
    frmMenu* classics = OpenFromHome(1);
    ASSERT_NE(classics, nullptr);
    EXPECT_EQ(classics->x(), home->x() + home->width() - overlap);
    const int homeRow = home->pMenu->mapToGlobal(QPoint(0, 0)).y();
    EXPECT_LE(qAbs(classics->y() - homeRow), 2)
        << classics->y() << " against the row at " << homeRow;
    const int row = RowOf(classics, 202);
    ASSERT_GT(row, 0);
    frmMenu* restored = OpenFrom(classics, row);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->x(), classics->x() + classics->width() - overlap);
    const int level1Row = classics->picForm()->mapToGlobal(QPoint(0, (row - 1) * 20)).y();
    EXPECT_LE(qAbs(restored->y() - level1Row), 2)
        << restored->y() << " against the row at " << level1Row;
    EXPECT_FALSE(classics->ReversedMenu());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// A submenu's child taller than the room above a taskbar along the bottom
// (higher than the usable bottom the level fits itself to) scrolls within
// that room: it neither starts above the screen nor reaches under the
// taskbar.
TEST_F(SubmenuTest, ASubmenusChildTallerThanTheRoomScrollsWithinTheScreen) {
    platform::ScriptedTaskbar taskbar(platform::ABE_BOTTOM, 60);
    gTrayHwnd = platform::FindWindowA(QStringLiteral("Shell_TrayWnd"));
    const int trayTop = platform::GetWindowRect(gTrayHwnd).top();
    ASSERT_LT(trayTop, gScreenBottom / 15);
    std::vector<localservice::SampleRecord> records = submenutest::Directory();
    records.push_back(Rec(220, 10, "Huge", false, "Sixty sites"));
    for (int i = 0; i < 60; ++i)
        records.push_back(Rec(700 + i, 220, QStringLiteral("Huge %1").arg(i), true, QString()));
    QString error;
    ASSERT_TRUE(
        localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"), records, &error))
        << error.toStdString();
    modGlobals::gItemManager.reset();
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    const int row = RowOf(arts, 220);
    ASSERT_GT(row, 0);
    frmMenu* huge = OpenFrom(arts, row);
    ASSERT_NE(huge, nullptr);
    EXPECT_TRUE(huge->Scrolls());
    EXPECT_GE(huge->y(), 0);
    EXPECT_LE(huge->geometry().bottom() + 1, trayTop);
    EXPECT_EQ((huge->VisibleBottom() - huge->VisibleTop()) % 20, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    gTrayHwnd = 0;
}
