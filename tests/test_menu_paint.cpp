// The home menu's painting, read back from the pixels of grab(): row text,
// the highlight's colour and underline, the divider, the "Search:" caption,
// icons at their places, the hot-category flash, and the two skin sets.
#include "core/modGlobals.h"
#include "menus/IconLibrary.h"
#include "menus/RowPainter.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "platform/Taskbar.h"
#include "support/MenuRows.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;

using testsupport::Row;

namespace {

class MenuPaint : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        gAniSpeed = 25;
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        button->setGeometry(0, 738, 60, 30);
        button->show();
        gButtonHwnd = platform::HandleOf(button.get());
        gUserID = 1234;
        items = std::make_shared<ItemCollection>();
        items->Add(Row(12, QStringLiteral("News Today"), true, QStringLiteral("Item")));
        items->Add(Row(15, QStringLiteral("Weather"), true, QStringLiteral("LinkIcon")));
        items->Add(Row(-1, QString(), false));
        items->Add(Row(3, QStringLiteral("Hot Buys"), false, QStringLiteral("FolderIcon")));
        items->Add(Row(40, QStringLiteral("Travel"), false, QString()));
        frm = std::make_unique<frmMain>();
        frm->SetItemsSource([this] { return items; });
    }
    void TearDown() override {
        frm->Unload();
        frm.reset();
        button.reset();
    }
    // The window's pixels in client coordinates.
    QImage Shot() {
        QImage img = frm->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint o = frm->ClientOrigin();
        return img.copy(o.x(), o.y(), img.width() - 2 * o.x(), img.height() - 2 * o.y());
    }
    static int Count(const QImage& img, const QRect& area, const std::function<bool(QColor)>& f) {
        int n = 0;
        const QRect r = area.intersected(img.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (f(img.pixelColor(x, y)))
                    ++n;
        return n;
    }
    static bool Dark(QColor c) { return c.red() < 70 && c.green() < 70 && c.blue() < 70; }
    static bool Red(QColor c) { return c.red() > 200 && c.green() < 70 && c.blue() < 70; }
    // Rows from the top whose pixels match exactly over a run of `run`.
    static int LongestRun(const QImage& img, int y, int x0, int x1, QColor want) {
        int best = 0, cur = 0;
        for (int x = x0; x < x1; ++x) {
            cur = img.pixelColor(x, y) == want ? cur + 1 : 0;
            best = qMax(best, cur);
        }
        return best;
    }
    testsupport::TestWorld world;
    std::unique_ptr<QWidget> button;
    std::unique_ptr<frmMain> frm;
    ItemCollectionPtr items;
};

TEST_F(MenuPaint, RowTextIsBlackAtItsOrigin) {
    frm->ShowMenu();
    const QImage img = Shot();
    // Row 1's name starts at 420 twips (28 px), 2 px below the row's top.
    EXPECT_GT(Count(img, QRect(28, 2, 70, 16), Dark), 20);
    EXPECT_EQ(Count(img, QRect(0, 2, 27, 16), Dark), 0); // nothing left of the text but icons
    // Row 2 likewise.
    EXPECT_GT(Count(img, QRect(28, 22, 70, 16), Dark), 20);
}

TEST_F(MenuPaint, ALongCategoryNameStopsBeforeItsArrow) {
    items->Add(
        Row(41, QStringLiteral("Computers & Internet Services Worldwide"), false, QString()));
    frm->ShowMenu();
    const QImage img = Shot();
    const int arrowLeft = img.width() - 4 - 16;
    const int top = 5 * 20; // the sixth row
    // Where the arrow's glyph starts, read from the short category row above
    // (Travel), whose name ends far from it.
    const QColor ground = img.pixelColor(arrowLeft, 4 * 20 + 1);
    int glyph = arrowLeft;
    while (glyph < arrowLeft + 16 &&
           Count(img, QRect(glyph, 4 * 20 + 2, 1, 16), [&](QColor c) { return c != ground; }) == 0)
        ++glyph;
    ASSERT_LT(glyph, arrowLeft + 16);
    // No text pixels in the two columns that lead up to the glyph.
    EXPECT_EQ(Count(img, QRect(glyph - 2, top + 2, 2, 16), Dark), 0);
    // The name is still there, ended by an ellipsis.
    EXPECT_GT(Count(img, QRect(28, top + 2, 60, 16), Dark), 20);
}

// "Computers & Internet", the sample directory's third category, lost its
// last letters to an ellipsis although it fits before the arrow's glyph.
TEST_F(MenuPaint, ACategoryNameThatFitsBeforeTheArrowShowsWhole) {
    frm->ShowMenu();
    const QFontMetrics fm(menus::RowFont());
    const menus::RowGeometry g = menus::RowGeometry::For(Shot().width());
    const QPixmap arrow = menus::IconLibrary::Instance().Image(menus::ImageList::imlIcons,
                                                               QStringLiteral("MenuExpand"));
    const QString name = QStringLiteral("Computers & Internet");
    EXPECT_EQ(menus::ShownName(fm, g, *Row(41, name, false, QString()), arrow, false), name);
}

TEST_F(MenuPaint, TheHighlightIsTheBlueUnderlinedName) {
    frm->ShowMenu();
    frm->Form_MouseMove(Qt::NoButton, QPoint(40, 4 * 20 + 8)); // row 5: Travel
    ASSERT_EQ(frm->m_SelIndex, 5);
    const QImage img = Shot();
    const QColor blue(87, 101, 171);
    int underline = 0;
    for (int y = 4 * 20 + 2; y < 5 * 20; ++y)
        underline = qMax(underline, LongestRun(img, y, 28, 120, blue));
    // The underline runs under the whole of "Travel".
    EXPECT_GE(underline, 25);
    // No black text remains in the highlighted row.
    EXPECT_EQ(Count(img, QRect(28, 4 * 20 + 2, 100, 16), Dark), 0);
    // The other rows keep their black names.
    EXPECT_GT(Count(img, QRect(28, 3 * 20 + 2, 70, 16), Dark), 20);
    // The highlighted category shows the highlighted expand arrow.
    const QImage hi = menus::IconLibrary::Instance()
                          .Image(menus::ImageList::imlIcons, QStringLiteral("MenuExpandHi"))
                          .toImage()
                          .convertToFormat(QImage::Format_ARGB32);
    const int ax = frm->pMenu->width() - 4 - 16;
    int same = 0, opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (qAlpha(hi.pixel(x, y)) == 255) {
                ++opaque;
                same += img.pixelColor(ax + x, 4 * 20 + 2 + y) == hi.pixelColor(x, y);
            }
    ASSERT_GT(opaque, 0);
    EXPECT_EQ(same, opaque);
}

TEST_F(MenuPaint, TheDividerIsADarkLineOverALightOne) {
    frm->ShowMenu();
    const QImage img = Shot();
    const QPalette pal = QApplication::palette();
    // Row 3 (0-based 2) is the divider: lines at 2*20+10 and 2*20+11.
    for (int x : {0, 60, 150})
        EXPECT_EQ(img.pixel(x, 50), pal.color(QPalette::Dark).rgb()) << x;
    for (int x : {0, 60, 150})
        EXPECT_EQ(img.pixel(x, 51), pal.color(QPalette::Light).rgb()) << x;
    EXPECT_NE(img.pixel(60, 49), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(frm->m_SepRow, 2);
}

TEST_F(MenuPaint, WithTwoDividersOnlyTheLastIsDrawn) {
    items->Add(Row(-1, QString(), false));
    items->Add(Row(41, QStringLiteral("Shopping"), false, QString()));
    frm->ShowMenu();
    const QImage img = Shot();
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(frm->m_SepRow, 5);
    EXPECT_EQ(img.pixel(60, 5 * 20 + 10), pal.color(QPalette::Dark).rgb());
    EXPECT_NE(img.pixel(60, 2 * 20 + 10), pal.color(QPalette::Dark).rgb());
}

TEST_F(MenuPaint, SearchCaptionIsWhiteAndBold) {
    frm->ShowMenu();
    const QImage img = Shot();
    const QRect strip = frm->StripRect();
    const QRect caption(14, strip.top() - 16, 60, 15);
    // White, give or take the smoothing of the glyphs' edges.
    const int white = Count(
        img, caption, [](QColor c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; });
    EXPECT_GT(white, 40);
    // Bold: the strokes are two or more pixels wide (near-white side by
    // side on the dark panel).
    auto light = [&](int x, int y) { return img.pixelColor(x, y).lightness() > 230; };
    int pairs = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x < caption.right(); ++x)
            pairs += light(x, y) && light(x + 1, y);
    EXPECT_GT(pairs, 15);
    // Nothing white above the caption's band in the rows' part.
    EXPECT_EQ(Count(img, QRect(14, caption.top() - 30, 60, 10),
                    [](QColor c) { return c == QColor(Qt::white); }),
              0);
}

TEST_F(MenuPaint, IconsAtTheirPlaces) {
    frm->ShowMenu();
    const QImage img = Shot();
    auto expectIcon = [&](menus::ImageList list, const QString& key, QPoint at) {
        const QImage icon =
            menus::IconLibrary::Instance().Image(list, key).toImage().convertToFormat(
                QImage::Format_ARGB32);
        ASSERT_FALSE(icon.isNull()) << key.toStdString();
        int opaque = 0, same = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (qAlpha(icon.pixel(x, y)) == 255) {
                    ++opaque;
                    same += img.pixelColor(at.x() + x, at.y() + y) == icon.pixelColor(x, y);
                }
        EXPECT_GT(opaque, 5) << key.toStdString();
        EXPECT_EQ(same, opaque) << key.toStdString();
    };
    // 60 twips from the left, 30 twips below the row's top.
    expectIcon(menus::ImageList::ImageList1, QStringLiteral("Item"), QPoint(4, 2));
    expectIcon(menus::ImageList::ImageList1, QStringLiteral("LinkIcon"), QPoint(4, 22));
    expectIcon(menus::ImageList::imlIcons, QStringLiteral("FolderIcon"), QPoint(4, 62));
    // A category with no icon of its own shows the folder too.
    expectIcon(menus::ImageList::imlIcons, QStringLiteral("FolderIcon"), QPoint(4, 82));
    // The expand arrow of a category: canvas width - 60 twips - 16 px.
    expectIcon(menus::ImageList::imlIcons, QStringLiteral("MenuExpand"),
               QPoint(frm->pMenu->width() - 4 - 16, 62));
}

TEST_F(MenuPaint, AnItemIconFromTheImagesFolder) {
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(QColor(0, 200, 0));
    ASSERT_TRUE(green.save(world.imagesPath() + "green.png"));
    items->Add(Row(50, QStringLiteral("Green"), true, QStringLiteral("green.png")));
    frm->ShowMenu();
    const QImage img = Shot();
    EXPECT_EQ(img.pixelColor(4 + 8, 5 * 20 + 2 + 8), QColor(0, 200, 0));
}

TEST_F(MenuPaint, AMissingIconLeavesTheRowWithoutOneAndTheMenuOpens) {
    menus::IconLibrary::Instance().SetDownloadTimeoutMs(500);
    gServerBase = QStringLiteral("127.0.0.1:1/Vantrix/internal/"); // nobody listens
    items->Add(Row(51, QStringLiteral("Gone"), true, QStringLiteral("gone.gif")));
    frm->ShowMenu();
    EXPECT_TRUE(frm->isVisible());
    const QImage img = Shot();
    EXPECT_EQ(Count(img, QRect(4, 5 * 20 + 2, 16, 16), Dark), 0);
    EXPECT_GT(Count(img, QRect(28, 5 * 20 + 2, 40, 16), Dark), 10); // the name is there
}

TEST_F(MenuPaint, TheHotCategoryFlashesRedAndBlack) {
    frm->ShowMenu();
    ASSERT_EQ(frm->m_FlashRow, 3);
    const QRect name(28, 3 * 20 + 2, 70, 16);
    EXPECT_EQ(Count(Shot(), name, Red), 0);
    frm->timFlash_Timer();
    EXPECT_EQ(frm->timFlashTag, "X");
    QImage img = Shot();
    EXPECT_GT(Count(img, name, Red), 20);
    EXPECT_EQ(Count(img, name, Dark), 0);
    frm->timFlash_Timer();
    EXPECT_TRUE(frm->timFlashTag.isEmpty());
    img = Shot();
    EXPECT_EQ(Count(img, name, Red), 0);
    EXPECT_GT(Count(img, name, Dark), 20);
    frm->timFlash_Timer();
    EXPECT_GT(Count(Shot(), name, Red), 20);
}

TEST_F(MenuPaint, TheFlashRunsEvery500msOnlyWithNewHotBuy) {
    frm->ShowMenu();
    EXPECT_FALSE(frm->timFlash.isActive());
    frm->Unload();
    SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("Yes"));
    frm->ShowMenu();
    EXPECT_TRUE(frm->timFlash.isActive());
    EXPECT_EQ(frm->timFlash.interval(), 500);
    frm->Unload();
    EXPECT_FALSE(frm->timFlash.isActive());
}

TEST_F(MenuPaint, TheHotRowIsRecordedEvenWhenTheFlashIsOff) {
    frm->ShowMenu();
    EXPECT_FALSE(frm->timFlash.isActive());
    EXPECT_EQ(frm->m_FlashRow, 3);
}

TEST_F(MenuPaint, TheFewerColoursSetPaintsItsOwnBackground) {
    frm->ShowMenu();
    const QColor trueBody = Shot().pixelColor(100, 30);
    frm->Unload();
    gTrueColor = false;
    frm->ShowMenu();
    const QImage img = Shot();
    const QColor fewBody = img.pixelColor(100, 30);
    EXPECT_NE(trueBody, fewBody);
    EXPECT_EQ(fewBody, QColor(Qt::white));
    // Still the rows, divider and caption.
    EXPECT_GT(Count(img, QRect(28, 2, 70, 16), Dark), 20);
    EXPECT_EQ(img.pixel(60, 50), QApplication::palette().color(QPalette::Dark).rgb());
}

TEST_F(MenuPaint, TheHighlightBarIs20PixelsHigh) {
    frm->ShowMenu();
    EXPECT_EQ(frm->picHighlight->height(), 20);
    EXPECT_EQ(frmMain::HighlightHeightTwips(15), 300);
    // Large fonts (12 twips per pixel): 260 twips.
    EXPECT_EQ(frmMain::HighlightHeightTwips(12), 260);
}

} // namespace
