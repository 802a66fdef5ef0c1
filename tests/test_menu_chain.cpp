// The chain of menu windows with scripted child levels: the home menu's
// opener, the capture handed down to the child and back up, the re-highlight
// of the open category, the rules for KeyboardHighlight and the pointer
// tests, and the capture holder's forwarding of mouse events.
//
// The offscreen platform has no pointer grab and no window manager: these
// passed while, on a real desktop, the grab was refused before the window
// manager mapped the window, the press on the row under a just-opened child
// was lost, and a level turned left handed the pointer to the ancestor under
// it. tests/x11/ covers those: t_home_outside_click.sh,
// t_click_open_category.sh, t_left_turned_level.sh,
// t_keyboard_submenu_outside_click.sh and t_error_window_first_click.sh.
#include "core/modGlobals.h"
#include "menus/ChainCapture.h"
#include "menus/MenuLevel.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "menus/frmTooltip.h"
#include "platform/Taskbar.h"
#include "support/MenuRows.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;
using menus::ChainCapture;

using testsupport::Row;

namespace {

// The categories here show a picture file rather than an image-list key.
const QString kCategoryIcon = QStringLiteral("Cat.gif");

// A child level that follows the protocol like a submenu window and records
// what was asked of it.
class ScriptedLevel : public QWidget, public menus::MenuLevel {
public:
    explicit ScriptedLevel(bool submenu = true)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), submenu_(submenu) {
        setMouseTracking(true);
        canvas = new QWidget(this);
        canvas->setAttribute(Qt::WA_TransparentForMouseEvents);
        resize(240, 100);
    }
    QWidget* Window() override { return this; }
    QWidget* ParentForm() const override { return parent_; }
    void SetParentForm(QWidget* p) override { parent_ = p; }
    int ParentCategoryID() const override { return category_; }
    void SetParentCategoryID(int id) override {
        category_ = id;
        resize(240, rows * 20);
        canvas->setGeometry(0, 0, 240, rows * 20);
    }
    bool HaveCapture() const override { return have_; }
    void SetHaveCapture(bool v) override { have_ = v; }
    void GetCapture() override {
        ChainCapture::Instance().SetCapture(this);
        have_ = true;
        if (menus::MenuLevel* c = menus::AsMenuLevel(child.data()))
            c->SetHaveCapture(false);
        if (menus::MenuLevel* p = menus::AsMenuLevel(parent_.data()))
            p->HighlightOldCategory();
        ++captures;
    }
    void ReleaseFormCapture() override {
        ChainCapture::Instance().ReleaseCapture();
        have_ = false;
    }
    void KeyboardHighlight() override { ++keyboardHighlights; }
    QWidget* picForm() override { return canvas; }
    bool IsSubmenu() const override { return submenu_; }
    void Unload() override {
        ++unloads;
        hide();
    }

    QWidget* canvas = nullptr;
    QPointer<QWidget> child;
    int rows = 2;
    int captures = 0, keyboardHighlights = 0, unloads = 0;
    QList<QPoint> moves; // in this window's coordinates

protected:
    void mouseMoveEvent(QMouseEvent* e) override {
        moves << e->position().toPoint();
        // Over the parent (strictly inside): give the capture up.
        const QPoint screen = e->globalPosition().toPoint();
        if (have_ && menus::WindowUnderPointInChain(parent_, screen))
            ReleaseFormCapture();
        e->accept();
    }

private:
    bool submenu_;
    QPointer<QWidget> parent_;
    int category_ = 0;
    bool have_ = false;
};

class MenuChain : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        gAniSpeed = 25;
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        PlaceButton(QRect(0, 738, 60, 30));
        gUserID = 1234;
        items = std::make_shared<ItemCollection>();
        for (const ItemPtr& r :
             {Row(12, QStringLiteral("News Today"), true), Row(-1, QString(), false),
              Row(3, QStringLiteral("Hot Buys"), false, kCategoryIcon),
              Row(40, QStringLiteral("Travel"), false, kCategoryIcon),
              Row(44, QStringLiteral("Quotes"), false, kCategoryIcon, QStringLiteral("quote.frm"))})
            items->Add(r);
        menus::ChildFactory().newSubmenu = [this] {
            auto* w = new ScriptedLevel(true);
            submenus.push_back(w);
            return static_cast<QWidget*>(w);
        };
        menus::ChildFactory().formPanel = [this] {
            if (!panel)
                panel = new ScriptedLevel(false);
            return static_cast<QWidget*>(panel.data());
        };
        frm = std::make_unique<frmMain>();
        frm->SetItemsSource([this] { return items; });
    }
    void TearDown() override {
        frm->Unload();
        frm.reset();
        menus::ChildFactory() = {};
        for (auto& w : submenus)
            delete w.data();
        delete panel.data();
        button.reset();
    }
    void PlaceButton(const QRect& r) {
        button->setGeometry(r);
        button->show();
        gButtonHwnd = platform::HandleOf(button.get());
    }
    void Show() {
        frm->ShowMenu();
        QApplication::processEvents();
    }
    void Hover(int row) {
        frm->GetCapture();
        frm->Form_MouseMove(Qt::NoButton, QPoint(50, (row - 1) * 20 + 8));
    }
    ScriptedLevel* Child() { return dynamic_cast<ScriptedLevel*>(frm->m_ChildForm.data()); }
    testsupport::TestWorld world;
    std::unique_ptr<QWidget> button;
    std::unique_ptr<frmMain> frm;
    ItemCollectionPtr items;
    std::vector<QPointer<ScriptedLevel>> submenus;
    QPointer<ScriptedLevel> panel;
};

TEST_F(MenuChain, TheOpenerOpensASubmenuBesideTheHomeMenu) {
    Show();
    Hover(4); // Travel (40)
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->ParentForm(), frm.get());
    EXPECT_EQ(child->ParentCategoryID(), 40);
    EXPECT_EQ(gCategoryIcon, "Cat.gif");
    EXPECT_EQ(frm->m_OpenCategoryID, 40);
    EXPECT_FALSE(frm->ReversedMenu());
    EXPECT_FALSE(frm->Timer1.isActive());
    // Right of the home menu, overlapping it by 60 twips, at the row's top.
    EXPECT_EQ(child->x(), frm->x() + frm->width() - 4);
    EXPECT_EQ(child->width(), 240);
    const int barTop = frm->picHighlight->mapToGlobal(QPoint(0, 0)).y();
    EXPECT_EQ(child->y(), barTop - 2);
    // The home menu keeps the capture until the pointer reaches the child.
    EXPECT_EQ(ChainCapture::Instance().Holder(), frm.get());
    // The bar's place on the screen, in twips.
    EXPECT_EQ(gHighlightRect.top, barTop * 15);
    EXPECT_EQ(gHighlightRect.left, frm->picHighlight->mapToGlobal(QPoint(0, 0)).x() * 15);
}

TEST_F(MenuChain, HoveringTheOpenCategoryAgainKeepsItsSubmenu) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* first = Child();
    frm->Form_MouseMove(Qt::NoButton, QPoint(60, 3 * 20 + 5));
    frm->Timer1_Timer();
    EXPECT_EQ(Child(), first);
    EXPECT_EQ(submenus.size(), 1u);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->unloads, 0);
}

TEST_F(MenuChain, AnotherCategoryReplacesTheChild) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* first = Child();
    Hover(3);
    frm->Timer1_Timer();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->unloads, 1);
    ASSERT_NE(Child(), first);
    EXPECT_EQ(Child()->ParentCategoryID(), 3);
}

TEST_F(MenuChain, AFormCategoryOpensTheFormPanel) {
    Show();
    Hover(5);
    frm->Timer1_Timer();
    ASSERT_NE(Child(), nullptr);
    EXPECT_EQ(Child(), panel.data());
    EXPECT_TRUE(submenus.empty());
    // Hovering it again rebuilds the panel (only submenus are kept).
    frm->m_LastRow = 0;
    Hover(5);
    frm->Timer1_Timer();
    EXPECT_EQ(panel->unloads, 1);
    EXPECT_EQ(Child(), panel.data());
}

TEST_F(MenuChain, AnItemRowOpensNoChild) {
    Show();
    Hover(1);
    frm->Timer1_Timer();
    EXPECT_EQ(frm->m_ChildForm, nullptr);
    EXPECT_TRUE(submenus.empty());
}

TEST_F(MenuChain, ACategoryOpensNothingWithoutSubmenuWindows) {
    menus::ChildFactory() = {};
    Show();
    Hover(4);
    frm->Timer1_Timer();
    EXPECT_EQ(frm->m_ChildForm, nullptr);
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuChain, NearTheRightEdgeTheChildOpensToTheLeft) {
    PlaceButton(QRect(900, 738, 60, 30));
    gAniSpeed = 19;
    Show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !frm->slide.IsRunning(); }, 3000));
    Hover(4);
    QList<QRect> steps;
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return child->width() == 240; }, 3000));
    EXPECT_TRUE(frm->ReversedMenu());
    // Its right edge on the home menu's left edge.
    EXPECT_EQ(child->x() + child->width(), frm->x());
    EXPECT_EQ(child->canvas->x(), 0);
}

TEST_F(MenuChain, ASlidingChildGrowsByAniSpeedAndEndsAtFullWidth) {
    gAniSpeed = 19;
    Show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !frm->slide.IsRunning(); }, 3000));
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_NE(child, nullptr);
    const int left = child->x();
    QList<int> widths;
    while (QTest::qWaitFor(
        [&] { return child->width() != (widths.isEmpty() ? -1 : widths.last()); }, 200)) {
        widths << child->width();
        if (child->width() == 240)
            break;
    }
    EXPECT_EQ(widths.last(), 240);
    EXPECT_EQ(child->x(), left); // grows to the right
}

TEST_F(MenuChain, ATallChildSitsOnTheButtonsTopEdge) {
    Show();
    Hover(4);
    menus::ChildFactory().newSubmenu = [this] {
        auto* w = new ScriptedLevel(true);
        w->rows = 30; // 600 px
        submenus.push_back(w);
        return static_cast<QWidget*>(w);
    };
    frm->Timer1_Timer();
    ASSERT_NE(Child(), nullptr);
    EXPECT_EQ(Child()->y() + Child()->height(), 738);
}

TEST_F(MenuChain, CaptureHandedDownWhenThePointerReachesTheChild) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_EQ(ChainCapture::Instance().Holder(), frm.get());
    // The home menu, holding the capture, sees the move over the child.
    QTest::mouseMove(child, QPoint(30, 10));
    EXPECT_EQ(ChainCapture::Instance().Holder(), child);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->HaveCapture());
    EXPECT_FALSE(frm->m_HaveCapture);
    // The next moves reach the child in its own coordinates.
    QTest::mouseMove(child, QPoint(31, 12));
    ASSERT_FALSE(child->moves.isEmpty());
    EXPECT_EQ(child->moves.last(), QPoint(31, 12));
}

TEST_F(MenuChain, CaptureHandedBackUpWhenThePointerReturns) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_NE(child, nullptr);
    child->GetCapture();
    ASSERT_EQ(ChainCapture::Instance().Holder(), child);
    // The pointer goes back over the home menu: the child lets go ...
    const QPoint overHome = frm->mapToGlobal(frm->ClientOrigin() + QPoint(50, 8));
    QTest::mouseMove(child, child->mapFromGlobal(overHome));
    EXPECT_FALSE(child->HaveCapture());
    EXPECT_EQ(ChainCapture::Instance().Holder(), nullptr);
    // ... and the home menu takes it with its next move.
    QTest::mouseMove(frm.get(), frm->ClientOrigin() + QPoint(52, 9));
    EXPECT_EQ(ChainCapture::Instance().Holder(), frm.get());
    EXPECT_TRUE(frm->m_HaveCapture);
    EXPECT_EQ(frm->m_SelIndex, 1);
}

TEST_F(MenuChain, TheChildTakingTheCaptureReHighlightsTheOpenCategory) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    // On its way to the child the pointer crosses Hot Buys ...
    frm->Form_MouseMove(Qt::NoButton, QPoint(50, 2 * 20 + 8));
    ASSERT_EQ(frm->m_SelIndex, 3);
    // ... and reaches the child, which takes the capture.
    QTest::mouseMove(child, QPoint(20, 10));
    EXPECT_EQ(ChainCapture::Instance().Holder(), child);
    EXPECT_EQ(frm->m_SelIndex, 4); // Travel, whose submenu is open
    EXPECT_TRUE(frm->picHighlight->isVisible());
}

TEST_F(MenuChain, HighlightOldCategoryChangesNothingWithoutAHighlightedRow) {
    Show();
    frm->m_OpenCategoryID = 40;
    frm->m_SelIndex = 0;
    frm->HighlightOldCategory();
    EXPECT_EQ(frm->m_SelIndex, 0);
    frm->m_SelIndex = 999; // the search box
    frm->HighlightOldCategory();
    EXPECT_EQ(frm->m_SelIndex, 999);
    frm->m_SelIndex = 1;
    frm->m_OpenCategoryID = 777; // not among the rows
    frm->HighlightOldCategory();
    EXPECT_EQ(frm->m_SelIndex, 1);
    frm->m_OpenCategoryID = 40;
    frm->HighlightOldCategory();
    EXPECT_EQ(frm->m_SelIndex, 4);
}

TEST_F(MenuChain, TheOpenerKeepsAChildThatHoldsTheCapture) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    ASSERT_NE(child, nullptr);
    child->GetCapture();
    frm->m_SelIndex = 4;
    frm->Timer1_Timer();
    EXPECT_EQ(Child(), child);
    EXPECT_EQ(child->unloads, 0);
}

TEST_F(MenuChain, RightArrowOpensTheCategoryAndHighlightsTheChildsFirstRow) {
    Show();
    Hover(4);
    frm->Timer1.stop();
    frm->Form_KeyDown(Qt::Key_Right);
    ASSERT_NE(Child(), nullptr);
    EXPECT_EQ(Child()->ParentCategoryID(), 40);
    EXPECT_EQ(Child()->keyboardHighlights, 1);
    // On an item row Right does nothing.
    Hover(1);
    frm->Form_KeyDown(Qt::Key_Right);
    EXPECT_EQ(submenus.size(), 1u);
}

TEST_F(MenuChain, OpeningTheHotCategoryStopsTheFlashForGood) {
    SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("Yes"));
    Show();
    ASSERT_TRUE(frm->timFlash.isActive());
    frm->timFlash_Timer(); // red
    Hover(3);
    frm->Timer1_Timer();
    EXPECT_FALSE(frm->timFlash.isActive());
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy")), "No");
    // Its name is black again on the canvas.
    const QImage img = frm->pMenu->Image.toImage();
    int red = 0;
    for (int y = 2 * 20 + 2; y < 3 * 20; ++y)
        for (int x = 28; x < 100; ++x) {
            const QColor c = img.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 70 && c.blue() < 70;
        }
    EXPECT_EQ(red, 0);
}

TEST_F(MenuChain, UnloadingTheHomeMenuUnloadsItsChild) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    frm->Unload();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->unloads, 1);
    EXPECT_EQ(frm->m_ChildForm, nullptr);
}

TEST_F(MenuChain, APressInsideTheChildIsNotOutsideTheChain) {
    Show();
    Hover(4);
    frm->Timer1_Timer();
    ScriptedLevel* child = Child();
    QTest::mouseClick(child, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(ChainCapture::Instance().Holder(), child); // the move before the press
}

TEST_F(MenuChain, KeyboardHighlightSkipsHeadingsAndPlaceholders) {
    ItemCollection c;
    EXPECT_EQ(menus::KeyboardHighlightRow(c), 0);
    for (const auto& [id, want] : std::vector<std::pair<int, int>>{
             {-19, 0}, {-1000, 0}, {-1001, 0}, {-999, 1}, {-1, 1}, {-4, 1}, {27, 1}}) {
        ItemCollection rows;
        rows.Add(Row(id, QStringLiteral("x"), true));
        EXPECT_EQ(menus::KeyboardHighlightRow(rows), want) << id;
    }
}

TEST_F(MenuChain, TheEdgeOfARectangleIsOutside) {
    const QRect r(100, 200, 50, 40);
    EXPECT_FALSE(menus::StrictlyInside(r, QPoint(100, 220)));
    EXPECT_FALSE(menus::StrictlyInside(r, QPoint(150, 220))); // Left + Width
    EXPECT_FALSE(menus::StrictlyInside(r, QPoint(120, 200)));
    EXPECT_FALSE(menus::StrictlyInside(r, QPoint(120, 240))); // Top + Height
    EXPECT_TRUE(menus::StrictlyInside(r, QPoint(101, 201)));
    EXPECT_TRUE(menus::StrictlyInside(r, QPoint(149, 239)));
    // The home menu's own hand-over test counts the edge in.
    EXPECT_TRUE(menus::InsideOrOnEdge(r, QPoint(150, 240)));
    EXPECT_FALSE(menus::InsideOrOnEdge(r, QPoint(151, 240)));
}

TEST_F(MenuChain, ALevelTurnedLeftOverItsGrandparentIsWhatThePointerIsOn) {
    // The cascade turned at the screen edge: the child lies over the
    // grandparent, and above it.
    ScriptedLevel grand, parent, child;
    grand.setGeometry(0, 0, 100, 100);
    parent.setGeometry(300, 0, 100, 100);
    child.setGeometry(50, 0, 100, 100);
    for (QWidget* w : {static_cast<QWidget*>(&grand), static_cast<QWidget*>(&parent),
                       static_cast<QWidget*>(&child)})
        w->show();
    parent.SetParentForm(&grand);
    child.SetParentForm(&parent);
    EXPECT_EQ(menus::ChainWindowAt(QPoint(60, 50)), &child);
    EXPECT_EQ(menus::ChainWindowAt(QPoint(20, 50)), &grand);
    EXPECT_TRUE(menus::IsBelowInChain(&child, &grand));
    EXPECT_FALSE(menus::IsBelowInChain(&grand, &child));
    // Over the part of the grandparent that the child covers, the pointer is
    // not over the grandparent; beside it, it is.
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(60, 50)), nullptr);
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(20, 50)), &grand);
    // The child holding the capture keeps it over itself.
    child.GetCapture();
    QTest::mouseMove(&child, child.mapFromGlobal(QPoint(60, 50)));
    EXPECT_TRUE(child.HaveCapture());
}

TEST_F(MenuChain, ThePointerOverTheGrandparentIsOverTheChain) {
    ScriptedLevel grand, parent, child;
    grand.setGeometry(0, 0, 100, 100);
    parent.setGeometry(300, 0, 100, 100);
    child.setGeometry(600, 0, 100, 100);
    for (QWidget* w : {static_cast<QWidget*>(&grand), static_cast<QWidget*>(&parent),
                       static_cast<QWidget*>(&child)})
        w->show();
    parent.SetParentForm(&grand);
    child.SetParentForm(&parent);
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(50, 50)), &grand);
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(350, 50)), &parent);
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(300, 50)), nullptr); // edge
    EXPECT_EQ(menus::WindowUnderPointInChain(&parent, QPoint(200, 50)), nullptr);
    // The child holding the capture gives it up over its grandparent.
    child.GetCapture();
    QTest::mouseMove(&child, child.mapFromGlobal(QPoint(50, 50)));
    EXPECT_FALSE(child.HaveCapture());
    EXPECT_EQ(ChainCapture::Instance().Holder(), nullptr);
}

TEST_F(MenuChain, TheHolderGetsEveryMouseEventInItsOwnCoordinates) {
    ScriptedLevel holder, other;
    holder.setGeometry(100, 100, 200, 200);
    other.setGeometry(500, 100, 200, 200);
    holder.show();
    other.show();
    ChainCapture::Instance().SetCapture(&holder);
    QTest::mouseMove(&other, QPoint(10, 20));
    ASSERT_FALSE(holder.moves.isEmpty());
    EXPECT_EQ(holder.moves.last(), QPoint(410, 20));
    EXPECT_TRUE(other.moves.isEmpty());
    ChainCapture::Instance().ReleaseCapture();
    QTest::mouseMove(&other, QPoint(11, 21));
    EXPECT_EQ(other.moves.size(), 1);
}

TEST_F(MenuChain, TheTooltipIsRaisedOnlyWhileLoaded) {
    PlaceButton(QRect(900, 738, 60, 30));
    Show();
    ASSERT_FALSE(gTooltipLoaded);
    Hover(4);
    frm->Timer1_Timer(); // opens to the left, with no tooltip to raise
    EXPECT_FALSE(gTooltipLoaded);
    EXPECT_EQ(menus::frmTooltip::Loaded(), nullptr);
}

} // namespace
