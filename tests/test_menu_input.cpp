// The home menu's input: the keyboard walk through rows and search box, Enter
// and clicks that open items, the 250 ms opener delay, a press outside that
// closes the chain, and the search address.
//
// The press outside passed here while under a window manager the menu never
// saw it (no grab until the window is mapped): tests/x11/
// t_home_outside_click.sh covers that.
#include "core/modGlobals.h"
#include "menus/ChainCapture.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "platform/Taskbar.h"
#include "support/MenuRows.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;

using testsupport::Row;

namespace {

// Counts the presses a plain window receives.
class Desktop : public QWidget {
public:
    Desktop() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {}
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        ++presses;
        e->accept();
    }
};

class MenuInput : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        gAniSpeed = 25;
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        button->setGeometry(0, 738, 60, 30);
        button->show();
        gButtonHwnd = platform::HandleOf(button.get());
        gUserID = 1234;
        gVersion = QStringLiteral("1.0.3");
        gSessionKey = QStringLiteral("k1");
        testsupport::TestWorld::UseServer(QStringLiteral("server.test"));
        items = std::make_shared<ItemCollection>();
        for (const ItemPtr& r :
             {Row(12, QStringLiteral("News Today"), true), Row(15, QStringLiteral("Weather"), true),
              Row(-1, QString(), false), Row(40, QStringLiteral("Travel"), false),
              Row(41, QStringLiteral("Shopping"), false)})
            items->Add(r);
        frm = std::make_unique<frmMain>();
        frm->SetItemsSource([this] { return items; });
        frmMain* f = frm.get();
        menuChain.unloadHomeMenu = [f] { f->Unload(); };
    }
    void TearDown() override {
        menuChain.unloadHomeMenu = nullptr;
        frm->Unload();
        frm.reset();
        button.reset();
    }
    void Show() {
        frm->ShowMenu();
        QApplication::processEvents();
    }
    QPoint RowPoint(int row) const { return frm->ClientOrigin() + QPoint(50, (row - 1) * 20 + 8); }
    QStringList Opened() const {
        QStringList out;
        for (const auto& c : world.shell.calls)
            out << c.file;
        return out;
    }
    testsupport::TestWorld world;
    std::unique_ptr<QWidget> button;
    std::unique_ptr<frmMain> frm;
    ItemCollectionPtr items;
    testsupport::ScriptedMenuChain menuChain;
};

TEST_F(MenuInput, TheSearchBoxHasTheKeyboardWhenTheMenuOpens) {
    Show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return frm->m_SelIndex == 999; }, 2000));
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), frm->txtSearch);
    EXPECT_TRUE(frm->m_SearchTextCapture);
}

TEST_F(MenuInput, KeyboardWalkThroughRowsAndSearchBox) {
    Show();
    frm->m_SelIndex = 999;
    std::vector<int> walk;
    for (int i = 0; i < 5; ++i) {
        frm->Form_KeyDown(Qt::Key_Down);
        walk.push_back(frm->m_SelIndex);
    }
    // Down from the search box to row 1, over the divider, back to the box.
    EXPECT_EQ(walk, (std::vector<int>{1, 2, 4, 5, 999}));
    walk.clear();
    for (int i = 0; i < 5; ++i) {
        frm->Form_KeyDown(Qt::Key_Up);
        walk.push_back(frm->m_SelIndex);
    }
    EXPECT_EQ(walk, (std::vector<int>{5, 4, 2, 1, 999}));
}

TEST_F(MenuInput, UpWithNothingHighlightedGoesToTheSearchBox) {
    Show();
    frm->m_SelIndex = 0;
    frm->picHighlight->hide();
    frm->Form_KeyDown(Qt::Key_Up);
    EXPECT_EQ(frm->m_SelIndex, 999);
}

TEST_F(MenuInput, ArrowsNeverStopOnASeparator) {
    items = std::make_shared<ItemCollection>();
    for (const ItemPtr& r : {Row(-1, QString(), false), Row(12, QStringLiteral("One"), true),
                             Row(-1, QString(), false), Row(-1, QString(), false)})
        items->Add(r);
    Show();
    frm->m_SelIndex = 999;
    frm->Form_KeyDown(Qt::Key_Down);
    EXPECT_EQ(frm->m_SelIndex, 2);
    frm->Form_KeyDown(Qt::Key_Down); // rows 3 and 4 are separators
    EXPECT_EQ(frm->m_SelIndex, 999);
    frm->Form_KeyDown(Qt::Key_Up);
    EXPECT_EQ(frm->m_SelIndex, 2);
    frm->Form_KeyDown(Qt::Key_Up); // row 1 is a separator
    EXPECT_EQ(frm->m_SelIndex, 999);
}

TEST_F(MenuInput, AnEmptyMenuIgnoresTheArrows) {
    items = std::make_shared<ItemCollection>();
    Show();
    frm->m_SelIndex = 999;
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Return})
        frm->Form_KeyDown(key);
    EXPECT_EQ(frm->m_SelIndex, 999);
    EXPECT_FALSE(frm->picHighlight->isVisible());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, EnterOnAnItemOpensItsRedirectAddress) {
    Show();
    frm->m_SelIndex = 999;
    frm->Form_KeyDown(Qt::Key_Down);
    frm->Form_KeyDown(Qt::Key_Down); // Weather (15)
    QTest::keyClick(frm.get(), Qt::Key_Return);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file,
              "http://server.test/Vantrix/internal/redirectMenuItem.asp?UserID=1234&MenuItemID=15"
              "&Version=1.0.3&Key=k1");
    EXPECT_FALSE(frm->isVisible());
    EXPECT_FALSE(gMainLoaded);
    // Unloaded from inside its own key handler: no capture left behind.
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), nullptr);
}

TEST_F(MenuInput, EnterOnACategoryOpensNothing) {
    Show();
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(4)));
    QTest::keyClick(frm.get(), Qt::Key_Return);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, EscUnloadsTheMenu) {
    Show();
    QTest::keyClick(frm.get(), Qt::Key_Escape);
    EXPECT_FALSE(frm->isVisible());
    EXPECT_FALSE(gMainLoaded);
}

TEST_F(MenuInput, TheSearchAddressIsEncodedExactly) {
    Show();
    frm->txtSearch->setText(QStringLiteral("C# & C++ \"tips\""));
    QTest::keyClick(frm->txtSearch, Qt::Key_Return);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file,
              "http://server.test/Vantrix/internal/../../Search/search.asp?query="
              "C%23+%26+C%2B%2B+%22tips%22&UserID=1234");
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(MenuInput, TheSearchGoesToTheBrowserInTheServicesCodePage) {
    // What the desktop is asked to open, after the shell's own conversion.
    testsupport::DesktopPages desktop;
    Show();
    testsupport::TypeText(frm->txtSearch, QString::fromUtf8("Caf\xc3\xa9 \xd0\x9c\xd0\xb8\xd1\x80 "
                                                            "\xe2\x82\xac"
                                                            "5"));
    // Cyrillic has no byte in the code page: left out, and the user is told.
    EXPECT_EQ(frm->txtSearch->text(), QString::fromUtf8("Caf\xc3\xa9  \xe2\x82\xac"
                                                        "5"));
    ASSERT_EQ(world.notifier.calls.size(), 3);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Characters left out"));
    QTest::keyClick(frm->txtSearch, Qt::Key_Return);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0],
              "http://server.test/Vantrix/internal/../../Search/search.asp?query="
              "Caf%E9++%805&UserID=1234");
}

TEST_F(MenuInput, TheLastLetterOfTheCodePageIsCarriedAndTheFirstBeyondItRefused) {
    testsupport::DesktopPages desktop;
    Show();
    // "ÿ" is the code page's byte 0xFF; "Ā" (U+0100) has none.
    testsupport::TypeText(frm->txtSearch, QStringLiteral("\u00FF\u0100x"));
    EXPECT_EQ(frm->txtSearch->text(), QStringLiteral("\u00FFx"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Characters left out"));
    QTest::keyClick(frm->txtSearch, Qt::Key_Return);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0],
              "http://server.test/Vantrix/internal/../../Search/search.asp?query="
              "%FFx&UserID=1234");
}

TEST_F(MenuInput, TypingGoesIntoTheSearchBoxAndUpLeavesIt) {
    Show();
    QTest::keyClicks(frm->txtSearch, QStringLiteral("maps"));
    EXPECT_EQ(frm->txtSearch->text(), "maps");
    frm->m_SelIndex = 999;
    QTest::keyClick(frm->txtSearch, Qt::Key_Up); // seen by the window first
    EXPECT_EQ(frm->m_SelIndex, 5);
    EXPECT_TRUE(frm->picHighlight->isVisible());
    EXPECT_EQ(frm->txtSearch->text(), "maps");
    // The search text is at most 50 characters.
    frm->txtSearch->clear();
    QTest::keyClicks(frm->txtSearch, QString(60, QLatin1Char('x')));
    EXPECT_EQ(frm->txtSearch->text().size(), 50);
}

TEST_F(MenuInput, EnterInAnEmptySearchBoxDoesNothing) {
    Show();
    frm->txtSearch->clear();
    QTest::keyClick(frm->txtSearch, Qt::Key_Return);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, TheSearchButtonSubmitsAndDoesNothingWhenEmpty) {
    Show();
    const QPoint buttonCentre = frm->SearchButtonRect().center();
    frm->Form_MouseDown(Qt::LeftButton, buttonCentre);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_TRUE(frm->isVisible());
    frm->txtSearch->setText(QStringLiteral("maps"));
    frm->Form_MouseDown(Qt::LeftButton, buttonCentre);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.endsWith("search.asp?query=maps&UserID=1234"));
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(MenuInput, TheOpenerWaits250msAndOnlyANewRowRestartsIt) {
    Show();
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(4)));
    ASSERT_TRUE(frm->Timer1.isActive());
    EXPECT_EQ(frm->Timer1.interval(), 250);
    const int starts = frm->Timer1Starts;
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(4)) + QPoint(10, 3));
    EXPECT_EQ(frm->Timer1Starts, starts); // same row: the delay runs on
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(5)));
    EXPECT_TRUE(frm->Timer1.isActive());
    EXPECT_EQ(frm->Timer1Starts, starts + 1); // another row: it starts anew
    // The divider hides the bar and stops the pending opening.
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(3)));
    EXPECT_FALSE(frm->Timer1.isActive());
    EXPECT_FALSE(frm->picHighlight->isVisible());
    EXPECT_EQ(frm->m_LastRow, 0);
}

TEST_F(MenuInput, TheOpenerTickWithNoSubmenuWindowOpensNothing) {
    Show();
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(4)));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !frm->Timer1.isActive(); }, 3000));
    EXPECT_TRUE(frm->m_ChildForm.isNull());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, APressOutsideEveryChainWindowClosesIt) {
    Desktop desktop;
    desktop.setGeometry(600, 100, 200, 200);
    desktop.show();
    Show();
    frm->GetCapture();
    QTest::mouseClick(&desktop, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_FALSE(frm->isVisible());
    EXPECT_FALSE(gMainLoaded);
    EXPECT_EQ(desktop.presses, 0); // the press closed the menu and went no further
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), nullptr);
    // Afterwards the desktop gets its clicks again.
    QTest::mouseClick(&desktop, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(desktop.presses, 1);
}

TEST_F(MenuInput, AModalDialogKeepsItsClicksWhileTheMenuIsOpen) {
    Show();
    frm->GetCapture();
    QDialog dialog;
    dialog.setModal(true);
    dialog.setGeometry(600, 300, 200, 100);
    QPushButton ok(QStringLiteral("OK"), &dialog);
    ok.setGeometry(10, 10, 80, 30);
    int clicks = 0;
    QObject::connect(&ok, &QPushButton::clicked, [&] { ++clicks; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
    QTest::mouseClick(&ok, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(frm->isVisible());
    dialog.hide();
}

TEST_F(MenuInput, AClickOnARowOpensThatRowNotTheSearchBoxSelection) {
    Show();
    frm->m_SelIndex = 999; // the search box had the keyboard
    QTest::mouseClick(frm.get(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=12&"));
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), nullptr);
}

TEST_F(MenuInput, AClickOnTheLastRowOpensIt) {
    items->Add(Row(77, QStringLiteral("Last"), true));
    Show();
    QTest::mouseClick(frm.get(), Qt::LeftButton, Qt::NoModifier, RowPoint(6));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=77&"));
}

TEST_F(MenuInput, TheTextBoxHoldingTheCaptureHandsAClickOnARowToTheWindow) {
    Show();
    ASSERT_EQ(menus::ChainCapture::Instance().Holder(), frm->txtSearch);
    // The press lands on the window, goes to the text box that holds the
    // capture, and from there to the window's own handler.
    QTest::mouseClick(frm.get(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=15&"));
}

TEST_F(MenuInput, RightClickMenuOnlyOnShortcutRows) {
    Show();
    QList<int> rows;
    frm->ShowContextMenu = [&](int row, const QPoint&) { rows << row; };
    frm->m_SelIndex = 999;
    frm->Form_MouseDown(Qt::RightButton, frm->ToClient(RowPoint(4))); // a category below
    EXPECT_TRUE(rows.isEmpty());
    frm->Form_MouseDown(Qt::RightButton, frm->ToClient(RowPoint(2)));
    EXPECT_EQ(rows, QList<int>{2});
    EXPECT_EQ(frm->m_SelIndex, 2); // the commands act on the row clicked
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, DoubleClickOpensTheRowUnderThePointer) {
    Show();
    frm->Form_DblClick(frm->ToClient(RowPoint(1)));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=12&"));
}

TEST_F(MenuInput, DoubleClickOnACategoryOpensItsRedirectAddress) {
    Show();
    frm->Form_DblClick(frm->ToClient(RowPoint(4)));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls[0].file.contains("MenuItemID=40&"));
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(MenuInput, DoubleClickOnTheDividerOpensNothing) {
    Show();
    frm->m_SelIndex = 2; // left behind by the pointer
    frm->Form_DblClick(frm->ToClient(RowPoint(3)));
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MenuInput, MovingIntoTheStripLendsItTheCapture) {
    Show();
    frm->GetCapture();
    const QPoint strip = frm->StripRect().center();
    frm->Form_MouseMove(Qt::NoButton, strip);
    EXPECT_FALSE(frm->m_HaveCapture);
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), nullptr);
    // The next move lands on the strip's text box, which takes it.
    QTest::mouseMove(frm->txtSearch, QPoint(5, 5));
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), frm->txtSearch);
    // Back over the rows, the window takes it again; the next move there is
    // its own and highlights the row.
    QTest::mouseMove(frm.get(), RowPoint(1));
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), frm.get());
    QTest::mouseMove(frm.get(), RowPoint(1) + QPoint(1, 0));
    EXPECT_EQ(frm->m_SelIndex, 1);
}

TEST_F(MenuInput, NothingHappensWhileThePointerRests) {
    Show();
    frm->Form_MouseMove(Qt::NoButton, frm->ToClient(RowPoint(1)));
    // An item row starts the opener, whose tick ends it for good.
    frm->Timer1_Timer();
    EXPECT_FALSE(frm->Timer1.isActive());
    EXPECT_FALSE(frm->timFlash.isActive());
    EXPECT_FALSE(frm->slide.IsRunning());
}

} // namespace

TEST_F(MenuInput, LoggingOutClosesTheMenuSoItsRowsOpenNothingAfterwards) {
    // The idle logout, Log Off and the update all end in LogoutUser.
    Show();
    ASSERT_TRUE(frm->isVisible());
    LogoutUser();
    EXPECT_EQ(gUserID, 0);
    EXPECT_FALSE(frm->isVisible());
    EXPECT_FALSE(gMainLoaded);
    EXPECT_EQ(menus::ChainCapture::Instance().Holder(), nullptr);
    // A click where the first row was, and Enter: nothing opens for user 0.
    QTest::mouseClick(frm.get(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    QTest::keyClick(frm.get(), Qt::Key_Return);
    EXPECT_TRUE(Opened().isEmpty()) << Opened().join(QLatin1Char(' ')).toStdString();
    // Logging out with the menu closed leaves it closed.
    LogoutUser();
    EXPECT_FALSE(frm->isVisible());
}
