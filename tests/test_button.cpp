// The button window: its load and unload, the left click in each login
// state, the auto-login, the right-click menu and where it pops up, the
// taskbar watch tick, the idle logout, the refresh every 61 minutes and the
// expiry of the news cache.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Taskbar.h"
#include "platform/TaskbarScripted.h"
#include "shell/ShellHooks.h"
#include "shell/frmButton.h"
#include "shell/frmLogin.h"
#include "support/Files.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <thread>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace modGlobals;
using platform::ScriptedTaskbar;

namespace {

const QString kLoginPage = QStringLiteral("/Vantrix/internal/loginUser.asp");
const QString kUpdatesPage = QStringLiteral("/Vantrix/internal/getUpdates.ASP");
const QString kLogPage = QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp");

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        frmLogin::SetSlideStepMs(0);
        menus.showHomeMenu = [this] {
            ++homeShown;
            gMainLoaded = true;
        };
        menus.unloadHomeMenu = [this] {
            ++homeUnloaded;
            gMainLoaded = false;
        };
        dialogs.showError = [this](const QString& msg, int, const QString&) { errors << msg; };

        ASSERT_GT(service.Start(), 0);
        service.SetReply(
            QStringLiteral("/url.txt"),
            (service.Host() + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        service.SetReply(kUpdatesPage, QByteArray("EOF"));
        service.SetReply(kLogPage, QByteArray("OK"));
        qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
        testsupport::TestWorld::UseServer(service.Host());
        gVersion = QStringLiteral("1.0.3");
    }

    void TearDown() override {
        frmLogin::Unload();
        frmButton::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qunsetenv("TARVEL_BOOTSTRAP_HOST");
        platform::SetWatchedWindow(0);
    }

    // Start-up's share: load, place, show.
    frmButton& Start(int position = 0) {
        gButtonPosition = position;
        frmButton& button = frmButton::Get();
        PlaceButtonAtStartup(&button);
        button.show();
        return button;
    }

    void WriteTable() {
        localservice::SampleRecord r;
        r.id = 5;
        r.parentId = 1;
        r.name = QStringLiteral("News");
        ASSERT_TRUE(
            localservice::WriteMenuTable(world.dataPath() + QStringLiteral("MenuItems.dat"), {r}));
    }

    void Ticks(frmButton& button, int n) {
        for (int i = 0; i < n; ++i)
            button.timLogout_Timer();
    }

    testsupport::TestWorld world;
    ScriptedTaskbar taskbar{platform::ABE_BOTTOM, 30};
    localservice::LocalService service;
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    testsupport::ScriptedMenuChain menus;
    testsupport::ScriptedDialogs dialogs;
    QStringList errors;
    int homeShown = 0, homeUnloaded = 0;
};

TEST_F(ButtonTest, LoadStartsBothTimersAndTakesTheButtonsSize) {
    frmButton& button = Start();
    EXPECT_TRUE(button.timTop->isActive());
    EXPECT_EQ(button.timTop->interval(), 1000);
    EXPECT_TRUE(button.timLogout->isActive());
    EXPECT_EQ(button.timLogout->interval(), 60000);
    EXPECT_EQ(button.size(), QSize(54, 22));
    EXPECT_TRUE(button.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(button.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(button.lstSort->isVisible());
    EXPECT_TRUE(button.lstSort->isSortingEnabled());
    // Floating above a 30-pixel taskbar at the bottom, overlapping it by 2.
    EXPECT_EQ(button.geometry(), QRect(0, 768 - 30 - 22 + 2, 54, 22));
    EXPECT_EQ(gScreenBottom, (768 - 30) * 15);
}

TEST_F(ButtonTest, ScreenBottomIsTheWholeScreenBesideAVerticalTaskbar) {
    taskbar.Dock(platform::ABE_RIGHT, 60);
    frmButton& button = Start();
    button.UpdatePosition();
    EXPECT_EQ(gScreenBottom, 768 * 15);
}

TEST_F(ButtonTest, ScreenBottomForEachTaskbarEdge) {
    frmButton& button = Start();
    const QList<QPair<int, int>> cases = {{platform::ABE_LEFT, 768 * 15},
                                          {platform::ABE_TOP, (768 - 40) * 15},
                                          {platform::ABE_RIGHT, 768 * 15},
                                          {platform::ABE_BOTTOM, (768 - 40) * 15}};
    for (const auto& [edge, bottom] : cases) {
        taskbar.Dock(edge, 40);
        button.UpdatePosition();
        EXPECT_EQ(gScreenBottom, bottom) << edge;
    }
}

TEST_F(ButtonTest, UnloadStopsTheTimersAndGivesTheRebarItsRoomBack) {
    Start(1);
    ASSERT_EQ(platform::WatchedWindow(), ScriptedTaskbar::kReBar);
    QPointer<frmButton> button = frmButton::Loaded();
    taskbar.moves.clear();
    frmButton::Unload();
    EXPECT_EQ(frmButton::Loaded(), nullptr);
    EXPECT_EQ(platform::WatchedWindow(), 0u);
    const QRect bar = taskbar.taskbarRect;
    EXPECT_EQ(taskbar.LastRebarMove(),
              QRect(58, 0, bar.right() + 1 - taskbar.notifyRect.width() - 68, bar.height() - 8));
    ASSERT_FALSE(button.isNull()); // destroyed later, but no longer ticking
    EXPECT_FALSE(button->timTop->isActive());
    EXPECT_FALSE(button->timLogout->isActive());
}

TEST_F(ButtonTest, TaskbarWatchReplacesTheFloatingButtonOnlyWhenTheTaskbarChanged) {
    frmButton& button = Start(0);
    button.timTop_Timer(); // first look: stores what it sees
    const QRect before = button.geometry();
    taskbar.moves.clear();
    button.timTop_Timer();
    EXPECT_EQ(button.geometry(), before);
    EXPECT_TRUE(taskbar.moves.isEmpty());

    taskbar.Dock(platform::ABE_BOTTOM, 48);
    button.timTop_Timer();
    EXPECT_EQ(button.geometry(), QRect(0, 768 - 48 - 22 + 2, 54, 22));
    EXPECT_EQ(gScreenBottom, (768 - 48) * 15);
}

TEST_F(ButtonTest, TaskbarWatchDoesNothingInTheTaskbar) {
    frmButton& button = Start(1);
    taskbar.Dock(platform::ABE_TOP, 40); // the rebar watcher re-places the button
    const QRect before = button.geometry();
    taskbar.moves.clear();
    button.timTop_Timer();
    EXPECT_EQ(button.geometry(), before);
    EXPECT_TRUE(taskbar.moves.isEmpty());
}

TEST_F(ButtonTest, IdleLogoutOnTheSixthMinuteWithLogoutTimeFive) {
    frmButton& button = Start();
    gUserID = 42;
    gUserName = QStringLiteral("bob");
    gLogoutTime = 5;
    Ticks(button, 5);
    EXPECT_EQ(gUserID, 42);
    button.timLogout_Timer();
    EXPECT_EQ(gUserID, 0);
    EXPECT_EQ(gUserName, QString());
    EXPECT_EQ(button.IdleMinutes(), 0); // the logout reset it
}

TEST_F(ButtonTest, AClickRestartsTheIdleMinutes) {
    frmButton& button = Start();
    gUserID = 42;
    gLogoutTime = 5;
    Ticks(button, 4);
    button.cmdGo->click(); // opens the home menu and resets the idle minutes
    EXPECT_EQ(homeShown, 1);
    Ticks(button, 5);
    EXPECT_EQ(gUserID, 42);
    button.timLogout_Timer();
    EXPECT_EQ(gUserID, 0);
}

TEST_F(ButtonTest, LogoutTimeZeroNeverLogsOut) {
    frmButton& button = Start();
    gUserID = 42;
    gLogoutTime = 0;
    button.SetConnectedCheck([] { return false; });
    Ticks(button, 200);
    EXPECT_EQ(gUserID, 42);
}

TEST_F(ButtonTest, RefreshOnThe61stTickWhenOnlineAndLoggedIn) {
    WriteTable();
    frmButton& button = Start();
    button.SetConnectedCheck([] { return true; });
    gUserID = 42;
    gCategoryLogFile = QStringLiteral("c42.dat");
    AppendLine(gCategoryLogFile, QStringLiteral("17"));
    Ticks(button, 60);
    EXPECT_TRUE(service.RequestsFor(kUpdatesPage).isEmpty());
    EXPECT_TRUE(service.RequestsFor(kLogPage).isEmpty());
    button.timLogout_Timer();
    EXPECT_EQ(button.RefreshMinutes(), 0);
    ASSERT_EQ(service.RequestsFor(kUpdatesPage).size(), 1);
    EXPECT_TRUE(service.RequestsFor(kUpdatesPage)[0].body.startsWith("UserID=42&"));
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return service.RequestsFor(kLogPage).size() == 1; }, 5000));
    EXPECT_EQ(service.RequestsFor(kLogPage)[0].body, QByteArray("UserID=42&ID=17"));
    // And again 61 ticks later.
    Ticks(button, 61);
    EXPECT_EQ(service.RequestsFor(kUpdatesPage).size(), 2);
}

TEST_F(ButtonTest, RefreshRunsLoggedOutToo) {
    WriteTable();
    frmButton& button = Start();
    button.SetConnectedCheck([] { return true; });
    Ticks(button, 61);
    ASSERT_EQ(service.RequestsFor(kUpdatesPage).size(), 1);
    EXPECT_TRUE(service.RequestsFor(kUpdatesPage)[0].body.startsWith("UserID=0&"));
}

TEST_F(ButtonTest, NoRefreshWhenOffline) {
    WriteTable();
    frmButton& button = Start();
    button.SetConnectedCheck([] { return false; });
    gUserID = 42;
    Ticks(button, 61);
    EXPECT_EQ(button.RefreshMinutes(), 0);
    EXPECT_TRUE(service.RequestsFor(kUpdatesPage).isEmpty());
}

TEST_F(ButtonTest, RefreshSkipsTheUpdateWhileTheTableIsNotOpen) {
    frmButton& button = Start(); // no MenuItems.dat
    button.SetConnectedCheck([] { return true; });
    gUserID = 42;
    Ticks(button, 61 * 3);
    EXPECT_TRUE(service.RequestsFor(kUpdatesPage).isEmpty());
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(ButtonTest, AClickOnTheButtonStopsTheHourlyRefreshAndThenActs) {
    WriteTable();
    const QString table = world.dataPath() + QStringLiteral("MenuItems.dat");
    const QByteArray before = testsupport::ReadFile(table);
    const QString stamp = GetSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"));
    // A full reload trickled just fast enough to pass the stall check.
    localservice::Reply reload;
    reload.body = "12/8/2026 10:15:00 AM\r\n";
    for (int id = 1000; id < 3000; ++id)
        reload.body += "I," + QByteArray::number(id) + ",Item,,Text,True,5,False,,0,\r\n";
    reload.trickleBytes = 256;
    reload.trickleMs = 50;
    service.SetReply(kUpdatesPage, reload);
    frmButton& button = Start();
    button.SetConnectedCheck([] { return true; });
    Ticks(button, 60);
    // Built here, posted by the user's hand while the refresh waits.
    const QPoint at = button.cmdGo->rect().center();
    auto* press = new QMouseEvent(QEvent::MouseButtonPress, at, button.cmdGo->mapToGlobal(at),
                                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    auto* release = new QMouseEvent(QEvent::MouseButtonRelease, at, button.cmdGo->mapToGlobal(at),
                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QPushButton* go = button.cmdGo;
    std::thread user([go, press, release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        QCoreApplication::postEvent(go, press);
        QCoreApplication::postEvent(go, release);
    });
    QElapsedTimer clock;
    clock.start();
    button.timLogout_Timer();
    const qint64 took = clock.elapsed();
    user.join();
    EXPECT_LT(took, 1500);
    EXPECT_EQ(service.RequestsFor(kUpdatesPage).size(), 1);
    EXPECT_FALSE(gLoginLoaded); // not inside the refresh
    // Once the refresh has returned, the click does what a click does.
    EXPECT_TRUE(QTest::qWaitFor([] { return gLoginLoaded; }, 2000));
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated")), stamp);
    gItemManager.reset();
    EXPECT_EQ(testsupport::ReadFile(table), before);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ButtonTest, NewsCacheEmptiesOnThe61stMinuteAfterItsReset) {
    frmButton& button = Start();
    button.SetConnectedCheck([] { return false; });
    Ticks(button, 30);
    button.m_NewsTimer = 0; // the news menu filled the cache
    gNewsCollection->Add(std::make_shared<clsItem>());
    const ItemCollectionPtr shown = gNewsCollection; // an open news menu holds these rows
    Ticks(button, 60);
    EXPECT_EQ(gNewsCollection->Count(), 1);
    EXPECT_EQ(button.m_NewsTimer, 60);
    button.timLogout_Timer();
    EXPECT_EQ(gNewsCollection->Count(), 0);
    // Replaced, not emptied under the open menu.
    EXPECT_NE(gNewsCollection, shown);
    EXPECT_EQ(shown->Count(), 1);
    EXPECT_EQ(button.m_NewsTimer, 0);
}

TEST_F(ButtonTest, ClickLoggedInOpensAndClosesTheHomeMenu) {
    frmButton& button = Start();
    gUserID = 42;
    SaveSetting(QStringLiteral("Options42"), QStringLiteral("AniSpeed"), QStringLiteral("4"));
    button.cmdGo->click();
    EXPECT_EQ(homeShown, 1);
    EXPECT_EQ(gAniSpeed, 4);
    button.cmdGo->click();
    EXPECT_EQ(homeUnloaded, 1);
    EXPECT_EQ(homeShown, 1);
}

TEST_F(ButtonTest, ClickLoggedOutOpensAndClosesTheLoginWindow) {
    frmButton& button = Start();
    button.cmdGo->click();
    ASSERT_NE(frmLogin::Loaded(), nullptr);
    EXPECT_TRUE(gLoginLoaded);
    EXPECT_TRUE(frmLogin::Loaded()->isVisible());
    EXPECT_TRUE(frmLogin::Loaded()->picPanel[0]->isVisible());
    // The login window holds the capture: a press on the button closes it and
    // goes no further.
    QTest::mouseClick(button.cmdGo, Qt::LeftButton);
    EXPECT_FALSE(gLoginLoaded);
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
    button.cmdGo->click();
    EXPECT_TRUE(gLoginLoaded);
    frmLogin::Loaded()->ReleaseFormCapture();
    button.cmdGo->click(); // with the capture released the click itself closes it
    EXPECT_FALSE(gLoginLoaded);
}

TEST_F(ButtonTest, ALoginWindowGoneWhileItOpensIsNotTouchedAgain) {
    frmButton& button = Start();
    // Something that runs while the window slides out (a timer) closes it.
    frmLogin::SetSlideStepMs(1); // the slide lets timers run between its steps
    const auto destroyed = std::make_shared<bool>(false);
    QTimer::singleShot(0, [destroyed] {
        if (frmLogin* login = frmLogin::Loaded())
            QObject::connect(login, &QObject::destroyed, [destroyed] { *destroyed = true; });
        frmLogin::Unload();
    });
    button.cmdGo->click();
    EXPECT_TRUE(*destroyed); // gone before the click handler ended
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
    EXPECT_FALSE(gLoginLoaded);
}

TEST_F(ButtonTest, AutoLoginWithAWrongPasswordLeavesTheLoginWindowOpenAndOnTop) {
    service.SetReply(kLoginPage, QByteArray("NO"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User0"), QStringLiteral("bob"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("stale"));
    frmButton& button = Start();
    button.cmdGo->click();
    const auto logins = service.RequestsFor(kLoginPage);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins[0].body, QByteArray("UserName=bob&Password=stale&Version=1.0.3"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Login failed"));
    EXPECT_EQ(gUserID, 0);
    frmLogin* login = frmLogin::Loaded();
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(login->picPanel[0]->isVisible());
    EXPECT_TRUE(login->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(login->cboUserName->currentText(), QStringLiteral("bob"));
}

TEST_F(ButtonTest, MoveButtonIsOfferedOnlyBesideStartAndLoggedOut) {
    frmButton& button = Start(1);
    QTest::mousePress(button.cmdGo, Qt::RightButton);
    EXPECT_TRUE(button.mnuInternet->isVisible());
    EXPECT_TRUE(button.mnuMoveButton->isVisible());
    EXPECT_FALSE(button.mnuInternetOptions->isEnabled());
    EXPECT_FALSE(button.mnuInternetLogoff->isEnabled());
    button.mnuInternet->hide();

    gUserID = 42;
    gUserName = QStringLiteral("bob");
    QTest::mousePress(button.cmdGo, Qt::RightButton);
    EXPECT_FALSE(button.mnuMoveButton->isVisible());
    EXPECT_TRUE(button.mnuInternetLogoff->isEnabled());
    EXPECT_EQ(button.mnuInternetLogoff->text(), QStringLiteral("&Log Off bob"));
    button.mnuInternet->hide();

    gUserID = 0;
    gButtonPosition = 0;
    QTest::mousePress(button.cmdGo, Qt::RightButton);
    EXPECT_FALSE(button.mnuMoveButton->isVisible());
    button.mnuInternet->hide();
}

TEST_F(ButtonTest, RightClickClosesTheMenusAndTheLoginWindow) {
    frmButton& button = Start();
    button.cmdGo->click();
    ASSERT_TRUE(gLoginLoaded);
    frmLogin::Loaded()->ReleaseFormCapture();
    gMainLoaded = true;
    QTest::mousePress(button.cmdGo, Qt::RightButton);
    EXPECT_FALSE(gLoginLoaded);
    EXPECT_EQ(homeUnloaded, 1);
    button.mnuInternet->hide();
}

TEST_F(ButtonTest, MenuPopsUpAtThePointerWithRoomAboveElseBelowTheButton) {
    frmButton& button = Start();
    QTest::mousePress(button.cmdGo, Qt::RightButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(button.LastPopupPos(), button.cmdGo->mapToGlobal(QPoint(10, 5)));
    button.mnuInternet->hide();

    button.move(300, 0); // the button at the top of the screen
    QTest::mousePress(button.cmdGo, Qt::RightButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(button.LastPopupPos(), QPoint(0, 22));
    button.mnuInternet->hide();
}

TEST_F(ButtonTest, MenuCommandsArePresentInOrder) {
    frmButton& button = Start();
    QStringList captions;
    for (const QAction* action : button.mnuInternet->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(captions,
              (QStringList{"Login As...", "&Options...", "Move &Button", "&Refer my friends...",
                           "&New User...", "-", "&About Tarvel...", "-", "&Log Off", "&Close"}));
}

TEST_F(ButtonTest, ButtonFaceFollowsThePlacement) {
    frmButton& button = Start(2);
    EXPECT_EQ(button.cmdGo->width(), 47);
    PositionButton(0);
    EXPECT_EQ(button.cmdGo->width(), 54);
}

TEST_F(ButtonTest, ConnectionCountsTheLocalServiceAsOnline) {
    gServerHost = QStringLiteral("127.0.0.1:8080");
    EXPECT_TRUE(frmButton::InternetGetConnectedState());
    gServerHost = QStringLiteral("localhost");
    EXPECT_TRUE(frmButton::InternetGetConnectedState());
}

TEST_F(ButtonTest, TheProgramEndsOnceTheButtonIsGoneAndNoWindowIsLeft) {
    Start();
    int quits = 0;
    EndWhenLastWindowGone([&quits] { ++quits; });
    auto dialog = std::make_unique<QWidget>(); // say, the error dialog
    dialog->show();
    frmButton::Unload();
    QTest::qWait(50);
    EXPECT_EQ(quits, 0);
    dialog->close();
    EXPECT_TRUE(QTest::qWaitFor([&quits] { return quits == 1; }, 2000));
    QTest::qWait(20);
    EXPECT_EQ(quits, 1);
    EndWhenLastWindowGone(nullptr);
}

TEST_F(ButtonTest, HidingOtherWindowsDoesNotEndTheProgram) {
    Start();
    int quits = 0;
    EndWhenLastWindowGone([&quits] { ++quits; });
    frmButton::Get().cmdGo->click(); // the login window
    ASSERT_TRUE(gLoginLoaded);
    frmLogin::Unload();
    QTest::qWait(50);
    EXPECT_EQ(quits, 0);
    EndWhenLastWindowGone(nullptr);
}

} // namespace
