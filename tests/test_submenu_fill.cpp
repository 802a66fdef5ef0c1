// Submenu windows filled from a real menu table and painted: the rows in the
// store's order, the category log (one line per opening, none per refill),
// the restricted stub, a missing category, the built-in lists, the search
// window's path walk, the pixels of bids, placeholders and icons, the scroll
// strips of a list taller than the screen (a list of thousands of rows holds
// no more picture than a screen-high one, and still paints the rows the
// pointer finds at its end; rows scrolled past either strip leave the
// frame alone), and the icons that arrive through the icon
// queue from the local service.
#include "shell/IconQueue.h"
#include "support/Files.h"
#include "test_submenu_fixture.h"

#include <QTest>

using namespace modGlobals;
using namespace submenutest;

namespace {

bool Dark(QColor c) {
    return c.red() < 80 && c.green() < 80 && c.blue() < 80;
}

// The leftmost x in a band whose pixel passes `f`, -1 when none does.
int LeftmostX(const QImage& img, const QRect& band, const std::function<bool(QColor)>& f) {
    const QRect r = band.intersected(img.rect());
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (f(img.pixelColor(x, y)))
                return x;
    return -1;
}

int Count(const QImage& img, const QRect& band, const std::function<bool(QColor)>& f) {
    int n = 0;
    const QRect r = band.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += f(img.pixelColor(x, y)) ? 1 : 0;
    return n;
}

QByteArray Png(QColor colour) {
    return testsupport::SolidPng(QSize(16, 16), colour);
}

} // namespace

TEST_F(SubmenuTest, RowsComeInTheStoresOrderAndEachOpeningLogsOnce) {
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    const ItemCollectionPtr expected = ItemManager().GetCollection(10);
    QList<int> want, got;
    for (int i = 1; i <= expected->Count(); ++i)
        want << expected->Item(i)->ID;
    for (int i = 1; i <= arts->RowCount(); ++i)
        got << arts->m_Items->Item(i)->ID;
    EXPECT_EQ(got, want);
    // The bigger bid first, then the filler and the line.
    EXPECT_EQ(got.mid(0, 4), (QList<int>{301, 300, -5, -1}));
    EXPECT_EQ(LogLines(), QStringList{"10"});
    // The icon queue's refill paints again without a second log line.
    arts->RefreshIcons();
    arts->RefreshIcons();
    EXPECT_EQ(LogLines(), QStringList{"10"});
    EXPECT_EQ(arts->RowCount(), expected->Count());
    // Hovering the open category again keeps the window and logs nothing.
    home->m_LastRow = 0;
    home->Form_MouseMove(Qt::NoButton, QPoint(50, 2 * 20 + 8));
    home->Timer1_Timer();
    EXPECT_EQ(home->m_ChildForm.data(), arts);
    EXPECT_EQ(LogLines(), QStringList{"10"});
}

TEST_F(SubmenuTest, ARestrictedCategoryShowsTheStubAndIsStillLogged) {
    homeRows->Add(HomeRow(11, QStringLiteral("Adult"), false));
    frmMenu* adult = OpenFromHome(6);
    ASSERT_NE(adult, nullptr);
    ASSERT_EQ(adult->RowCount(), 1);
    ASSERT_NE(adult->m_Items->Item(1), nullptr);
    EXPECT_EQ(adult->m_Items->Item(1)->Name, "Restricted category");
    EXPECT_EQ(adult->m_Items->Item(1)->ID, -3);
    EXPECT_EQ(LogLines(), QStringList{"11"});

    gAllowRestricted = true;
    auto allowed = std::make_unique<frmMenu>();
    allowed->SetParentCategoryID(11);
    ASSERT_GT(allowed->RowCount(), 1);
    ASSERT_NE(allowed->m_Items->Item(allowed->RowCount()), nullptr);
    EXPECT_EQ(allowed->m_Items->Item(allowed->RowCount())->Name, "Chat");
    EXPECT_EQ(menus::FindRow(*allowed->m_Items, -3), 0);
}

TEST_F(SubmenuTest, AMissingCategoryClosesItsWindowWithOneReport) {
    frmMenu* gone = OpenFromHome(5); // 77 has no record
    EXPECT_EQ(gone, nullptr);
    EXPECT_EQ(home->m_ChildForm, nullptr);
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("frmMenu.FillMenu"));
    EXPECT_TRUE(LogLines().isEmpty());
    QApplication::processEvents();
    for (auto& w : windows)
        EXPECT_TRUE(!w || !w->isVisible());
    // The home menu still opens the next category.
    ASSERT_NE(OpenFromHome(3), nullptr);
}

TEST_F(SubmenuTest, ATableReplacedByAnUnreadableFileIsReportedOnceNotAtEverySubmenu) {
    ASSERT_NE(OpenFromHome(3), nullptr);
    {
        // Another program writes something that is no table over it.
        QFile f(gDataPath + QStringLiteral("MenuItems.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a table");
    }
    OpenFromHome(4);
    OpenFromHome(3);
    OpenFromHome(4);
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].contains("changed by another program")) << errors[0].toStdString();
}

TEST_F(SubmenuTest, TheBuiltInListsOpenWithoutRecordsOfTheirOwn) {
    // The table has neither 109 nor 31504.
    frmMenu member;
    member.SetParentCategoryID(109);
    EXPECT_GT(member.RowCount(), 3);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    frmMenu favorites;
    favorites.SetParentCategoryID(31504);
    EXPECT_GE(favorites.RowCount(), 1);
    EXPECT_EQ(LogLines(), (QStringList{"109", "31504"}));
}

TEST_F(SubmenuTest, ASearchWindowStaysEmptyAndItsPathWalkEnds) {
    frmMenu search;
    search.SetParentCategoryID(-4);
    EXPECT_EQ(search.RowCount(), 0);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(search.GetCategoryPath(202), "Tarvel > Arts > Movies > Classics > Restored");
    // A cycle of ParentIDs and a missing parent end the walk.
    QString error;
    ASSERT_TRUE(localservice::WriteMenuTable(
        gDataPath + QStringLiteral("MenuItems.dat"),
        {Rec(50, 51, "Loop A", false), Rec(51, 50, "Loop B", false), Rec(52, 999, "Orphan", false)},
        &error));
    gItemManager.reset();
    EXPECT_EQ(search.GetCategoryPath(50), "Loop B > Loop A");
    EXPECT_EQ(search.GetCategoryPath(52), "Orphan");
}

TEST_F(SubmenuTest, BidsStartAtOneEdgeAndPlaceholdersAreGreyOnAWhiteShadow) {
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    const QImage img = Shot(arts);
    const int top1 = 0, top2 = 20; // 12.50 and 0.50
    const int x1 = LeftmostX(img, QRect(150, top1 + 2, 88, 16), Dark);
    const int x2 = LeftmostX(img, QRect(150, top2 + 2, 88, 16), Dark);
    ASSERT_GT(x1, 150);
    // Both start at the same edge (right-aligned texts would be a digit's
    // width apart); glyphs differ only in their own side bearing.
    EXPECT_LE(qAbs(x1 - x2), 2) << x1 << " " << x2;

    // A placeholder row of its own: grey text with a white copy.
    arts->m_Items = std::make_shared<ItemCollection>();
    auto item = HomeRow(302, QStringLiteral("Plain Row"), true);
    auto hold = HomeRow(-1000, QStringLiteral("(empty)"), false);
    arts->m_Items->Add(item);
    arts->m_Items->Add(hold);
    arts->RefreshIcons();
    const QImage two = Shot(arts);
    auto grey = [](QColor c) {
        return qAbs(c.red() - 0x60) < 24 && qAbs(c.green() - 0x60) < 24 &&
               qAbs(c.blue() - 0x60) < 24;
    };
    EXPECT_GT(Count(two, QRect(28, 22, 80, 16), grey), 10);
    // The colour carries on to later rows of one paint only: a second paint
    // prints the first row in black again.
    arts->RefreshIcons();
    const QImage again = Shot(arts);
    EXPECT_GT(Count(again, QRect(28, 2, 80, 16),
                    [](QColor c) { return c.red() < 40 && c.green() < 40 && c.blue() < 40; }),
              10);
    EXPECT_EQ(Count(again, QRect(28, 2, 80, 16), grey), Count(two, QRect(28, 2, 80, 16), grey));
}

TEST_F(SubmenuTest, AListTallerThanTheScreenScrollsBetweenStripsInWholeRows) {
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_TRUE(all->Scrolls());
    EXPECT_TRUE(all->picScrollUp->isVisible());
    EXPECT_TRUE(all->picScrollDown->isVisible());
    // Ends on the taskbar's top, never below it, never above the screen.
    EXPECT_LE(all->geometry().bottom() + 1, 738);
    EXPECT_GE(all->y(), 0);
    const int visible = all->VisibleBottom() - all->VisibleTop();
    EXPECT_EQ(visible % 20, 0) << visible;
    EXPECT_EQ(visible / 20, (738 - 2 - 24) / 20); // rounded down
    // The row under the lower strip is hidden: hovering the strip scrolls,
    // it never highlights that row.
    const QPoint onStrip = all->CanvasFromWindow(all->picScrollDown->geometry().center());
    all->picForm_MouseMove(onStrip);
    EXPECT_EQ(all->m_SelIndex, 0);
    EXPECT_LT(all->picForm()->y(), all->picScrollUp->height() + 1); // moved up by a row
    EXPECT_TRUE(all->picScrollDown->BorderStyle == 1);
}

TEST_F(SubmenuTest, IconsArriveThroughTheQueueAndAnEmptyReplyIsAskedForOnce) {
    QString error;
    auto dir = Directory();
    dir.push_back(Rec(700, 12, "Blue Site", true));
    dir.back().icon = "blue.png";
    dir.push_back(Rec(701, 12, "Empty Site", true));
    dir.back().icon = "empty.png";
    ASSERT_TRUE(
        localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"), dir, &error));
    gItemManager.reset();
    service.SetReply("/Vantrix/internal/images/blue.png", Png(QColor(0, 0, 255)));
    service.SetReply("/Vantrix/internal/images/empty.png", QByteArray());
    IconQueue queue;
    buttonWindow.downloadNewIcon = [&](const QString& url, const QString& file, QObject* frm) {
        return queue.Add(url, file, frm);
    };
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    for (int i = 0; i < 200 && (queue.Count() > 0 || service.Requests().size() < 2); ++i)
        QTest::qWait(10);
    QTest::qWait(100); // the refill, and whatever it would ask for again
    EXPECT_EQ(service.RequestsFor("/Vantrix/internal/images/blue.png").size(), 1);
    EXPECT_EQ(service.RequestsFor("/Vantrix/internal/images/empty.png").size(), 1);
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(LogLines(), QStringList{"12"});
    // The arrived icon shows on its row (rows of 12: Blue Site comes first).
    const int row = RowOf(all, 700);
    ASSERT_GT(row, 0);
    const QImage img = Shot(all);
    const int top = all->picForm()->y() - 1 + (row - 1) * 20;
    EXPECT_GT(Count(img, QRect(4, top + 2, 16, 16),
                    [](QColor c) { return c.blue() > 200 && c.red() < 40 && c.green() < 40; }),
              100);
}

TEST_F(SubmenuTest, TheHomeMenuPaintsAtOnceAndItsIconArrivesLater) {
    homeRows->Item(1)->Icon = QStringLiteral("slow.png");
    localservice::Reply slow;
    slow.body = Png(QColor(0, 200, 0));
    slow.contentType = "image/png";
    slow.delayMs = 300;
    service.SetReply("/Vantrix/internal/images/slow.png", slow);
    IconQueue queue;
    buttonWindow.downloadNewIcon = [&](const QString& url, const QString& file, QObject* frm) {
        return queue.Add(url, file, frm);
    };
    auto green = [](QColor c) { return c.green() > 150 && c.red() < 60 && c.blue() < 60; };
    home->ShowMenu();
    // Shown and painted while the icon is still on its way.
    EXPECT_TRUE(home->isVisible());
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(Count(Shot(home.get()), QRect(4, 2, 16, 16), green), 0);
    for (int i = 0; i < 300 && queue.Count() > 0; ++i)
        QTest::qWait(10);
    QTest::qWait(50);
    EXPECT_GT(Count(Shot(home.get()), QRect(4, 2, 16, 16), green), 100);
    EXPECT_EQ(service.RequestsFor("/Vantrix/internal/images/slow.png").size(), 1);
}

namespace {

// The directory with `extra` more sites at the end of Everything (12),
// their icons blue and green in turn.
std::vector<localservice::SampleRecord> LongDirectory(int extra) {
    auto dir = Directory();
    for (int i = 0; i < extra; ++i) {
        dir.push_back(
            Rec(10000 + i, 12, QStringLiteral("Zone %1").arg(i, 4, 10, QLatin1Char('0')), true));
        dir.back().icon = i % 2 ? "green.png" : "blue.png";
    }
    return dir;
}

bool IconColour(const QImage& img, int top, const QString& icon) {
    const bool blue = icon == QLatin1String("blue.png");
    return Count(img, QRect(4, top + 2, 16, 16), [blue](QColor c) {
               return blue ? c.blue() > 200 && c.green() < 40 : c.green() > 200 && c.blue() < 40;
           }) > 200;
}

} // namespace

TEST_F(SubmenuTest, ALongListHoldsNoMorePictureThanAScreenHighOne) {
    auto measure = [this](int rows) -> qint64 {
        frmMenu* all = OpenFromHome(4);
        if (!all || all->RowCount() < rows)
            return -1;
        all->picForm_MouseMove(QPoint(60, all->VisibleTop() + 8)); // the highlight bar
        all->Form_KeyDown(Qt::Key_Up);                             // wraps to the last row
        const qint64 bytes = all->PictureBytes();
        home->Unload();
        return bytes;
    };
    const qint64 screenHigh = measure(50);
    ASSERT_GT(screenHigh, 0);
    QString error;
    ASSERT_TRUE(localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"),
                                             LongDirectory(4000), &error));
    gItemManager.reset();
    const qint64 tall = measure(4050);
    ASSERT_GT(tall, 0);
    EXPECT_LE(tall, screenHigh);
}

TEST_F(SubmenuTest, TheEndOfALongListPaintsTheRowsThePointerFinds) {
    for (const char* name : {"blue.png", "green.png"}) {
        QFile f(gImagesPath + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Png(name[0] == 'b' ? QColor(0, 0, 255) : QColor(0, 255, 0)));
    }
    QString error;
    ASSERT_TRUE(localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"),
                                             LongDirectory(3000), &error));
    gItemManager.reset();
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    const int n = all->RowCount();
    ASSERT_GE(n, 3050);
    all->Form_KeyDown(Qt::Key_Down);
    all->Form_KeyDown(Qt::Key_Up); // wraps to the last row and scrolls it into view
    ASSERT_EQ(all->m_SelIndex, n);
    EXPECT_FALSE(all->picScrollDown->isVisible());
    // The pointer on the row above the highlight finds it, and that row's
    // own icon is painted there; after a row of scrolling under the upper
    // strip the same place shows the row above it.
    const int windowY = all->picForm()->y() + (n - 2) * 20 + 8;
    for (int expected : {n - 1, n - 2}) {
        const QPoint at = all->CanvasFromWindow(QPoint(60, windowY));
        all->picForm_MouseMove(at);
        ASSERT_EQ(all->m_SelIndex, expected);
        const QImage img = Shot(all);
        const int top = all->picForm()->y() - 1 + (expected - 1) * 20;
        const QString icon = all->m_Items->Item(expected)->Icon;
        EXPECT_TRUE(IconColour(img, top, icon)) << expected << " " << icon.toStdString();
        // The row above, painted by the canvas and not by the bar.
        const QString above = all->m_Items->Item(expected - 1)->Icon;
        EXPECT_TRUE(IconColour(img, top - 20, above)) << expected - 1;
        all->picForm_MouseMove(all->CanvasFromWindow(all->picScrollUp->geometry().center()));
    }
}

TEST_F(SubmenuTest, RowsScrolledPastTheStripsLeaveTheFrameAlone) {
    // The frame's edges of a list that fits, to compare with.
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    ASSERT_FALSE(arts->Scrolls());
    const QImage fits = arts->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage bottom = fits.copy(0, fits.height() - 1, fits.width(), 1);
    const QImage top = fits.copy(0, 0, fits.width(), 1);
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_TRUE(all->Scrolls());
    for (int hover = 0; hover < 3; ++hover) {
        const QImage img = all->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(img.copy(0, img.height() - 1, img.width(), 1), bottom) << hover;
        EXPECT_EQ(img.copy(0, 0, img.width(), 1), top) << hover;
        all->picForm_MouseMove(all->CanvasFromWindow(all->picScrollDown->geometry().center()));
    }
}

// A row without a bid gives its name the bid's room: a long name runs on
// to where a bid would stand instead of ending in an ellipsis before it.
TEST_F(SubmenuTest, ARowWithoutABidGivesItsNameTheBidsRoom) {
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    arts->m_Items = std::make_shared<ItemCollection>();
    ItemPtr paid = HomeRow(302, QStringLiteral("Paid Gallery"), true);
    paid->Bid = 12.5f;
    ItemPtr plain =
        HomeRow(303, QStringLiteral("A Very Long Name Of A Site Without Any Bid At All"), true);
    plain->Bid = 0;
    arts->m_Items->Add(paid);
    arts->m_Items->Add(plain);
    arts->RefreshIcons();
    const QImage img = Shot(arts);
    // Where the bid of the first row starts: the second row's name reaches
    // past it.
    const int bidLeft = LeftmostX(img, QRect(120, 2, img.width() - 120, 16), Dark);
    ASSERT_GT(bidLeft, 120);
    EXPECT_GT(Count(img, QRect(bidLeft, 22, img.width() - 12 - bidLeft, 16), Dark), 5);
}
