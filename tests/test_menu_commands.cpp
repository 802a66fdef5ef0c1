// The commands of the button's program menu and of the home menu's context
// menu, against the sample service and its menu table: what each entry
// offers logged in and out, what the server is asked, what the user sees.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modTaskbar.h"
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "platform/Taskbar.h"
#include "platform/TaskbarScripted.h"
#include "platform/TransferControl.h"
#include "shell/DialogHooks.h"
#include "shell/MenuCommands.h"
#include "shell/ShellHooks.h"
#include "shell/frmAbout.h"
#include "shell/frmButton.h"
#include "shell/frmError.h"
#include "shell/frmLogin.h"
#include "shell/frmOptions.h"
#include "shell/frmRefer.h"
#include "support/Modal.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace modGlobals;

using testsupport::Dismiss;
using testsupport::WhenShown;

namespace {

// Chooses a context-menu entry by its name as a user does: highlight, Enter.
// What went wrong ("" when the entry was chosen) is there to check once the
// menu has closed.
std::shared_ptr<std::string> ChooseLater(const QString& entry) {
    auto missed = std::make_shared<std::string>("no menu came up");
    WhenShown([entry, missed](QWidget* w) {
        auto* menu = qobject_cast<QMenu*>(w);
        QAction* action = menu ? menu->findChild<QAction*>(entry) : nullptr;
        if (!menu || menu != MenuCommands::OpenContextMenu())
            *missed = "not the context menu: " + std::string(w->metaObject()->className());
        else if (!action)
            *missed = "no entry " + entry.toStdString();
        else
            missed->clear();
        if (!missed->empty()) {
            Dismiss(w);
            return;
        }
        menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    return missed;
}

class MenuCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        frmLogin::SetSlideStepMs(0);
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        localservice::SampleData data;
        data.dataFolder = world.dataPath();
        localservice::InstallSamplePages(service, data);
        gVersion = QStringLiteral("1.0.3");
        gUserID = 1234;
        gUserName = QStringLiteral("demo");
        gAniSpeed = 25;
        gButtonPosition = 0;
        MenuCommands::InstallMenuCommands();
        menuChain.unloadHomeMenu = [] { frmMain::Instance().Unload(); };
        dialogs.showError = [this](const QString& msg, int, const QString&) { errors << msg; };
        dialogs.showUpdatePrompt = [] { return false; }; // no update offer in these tests
        frmButton& button = frmButton::Get();
        button.show();
        gButtonHwnd = platform::HandleOf(&button);
        frmMain::Instance().SetItemsSource(nullptr);
    }
    void TearDown() override {
        frmMain::Instance().Unload();
        frmLogin::Unload();
        frmButton::Unload();
        if (frmOptions* options = frmOptions::Loaded())
            options->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EndWhenLastWindowGone(nullptr);
        service.Stop();
        (void)QTest::qWaitFor([] { return !modInternet::Inet1().StillExecuting(); }, 20000);
    }
    frmMain& ShowHome() {
        frmMain& home = frmMain::Instance();
        home.ShowMenu();
        QApplication::processEvents();
        return home;
    }
    QList<int> RowIds() const {
        QList<int> ids;
        const frmMain& home = frmMain::Instance();
        for (int i = 1; home.m_Items && i <= home.m_Items->Count(); ++i)
            ids << home.m_Items->Item(i)->ID;
        return ids;
    }
    void RightClickRow(int row) {
        frmMain& home = frmMain::Instance();
        home.Form_MouseDown(Qt::RightButton, QPoint(50, (row - 1) * 20 + 8));
    }
    qsizetype HomeFetches() const {
        return service.RequestsFor(QStringLiteral("/Vantrix/internal/getUserHomeMenu.ASP")).size();
    }
    void PopUpInternetMenu() {
        QTest::mousePress(frmButton::Get().cmdGo, Qt::RightButton);
        frmButton::Get().mnuInternet->hide();
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
    QStringList errors;
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    testsupport::Installed<ShellDialogs> shellDialogs;
    testsupport::ScriptedDialogs dialogs;
    testsupport::ScriptedMenuChain menuChain;
};

} // namespace

TEST_F(MenuCommandsTest, ProgramMenuFollowsLoginStateAndAutomaticLogin) {
    frmButton& b = frmButton::Get();
    struct Case {
        bool loggedIn;
        bool autoLogin;
    };
    for (const Case c :
         {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << "logged in " << c.loggedIn << " auto " << c.autoLogin);
        gUserID = c.loggedIn ? 1234 : 0;
        gUserName = c.loggedIn ? QStringLiteral("Tom & Jerry") : QString();
        gButtonPosition = 1; // stored beside Start, but there is no rebar here
        SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"),
                    c.autoLogin ? QStringLiteral("1") : QStringLiteral("0"));
        PopUpInternetMenu();
        EXPECT_EQ(b.mnuInternetLogin->isVisible(), !c.loggedIn && c.autoLogin);
        EXPECT_EQ(b.mnuInternetOptions->isEnabled(), c.loggedIn);
        EXPECT_EQ(b.mnuInternetRefer->isEnabled(), c.loggedIn);
        EXPECT_EQ(b.mnuInternetLogoff->isEnabled(), c.loggedIn);
        EXPECT_FALSE(b.mnuMoveButton->isVisible());
        EXPECT_TRUE(b.mnuInternetNewUser->isEnabled() && b.mnuInternetNewUser->isVisible());
        EXPECT_TRUE(b.mnuInternetAbout->isEnabled() && b.mnuInternetClose->isEnabled());
        // The name's "&" is shown, not taken as a mnemonic mark.
        const QString shown = QAction(b.mnuInternetLogoff->text()).iconText();
        EXPECT_EQ(shown,
                  c.loggedIn ? QStringLiteral("Log Off Tom & Jerry") : QStringLiteral("Log Off"));
    }
}

TEST_F(MenuCommandsTest, RemoveAsksForTheClickedRowAndRefetchesTheMenu) {
    frmMain& home = ShowHome();
    const QList<int> before = RowIds();
    ASSERT_GE(home.m_SepRow, 3);
    const int target = before.at(1); // row 2
    // A stale highlight on row 1 must not be what goes.
    home.m_SelIndex = 1;
    const qsizetype fetches = HomeFetches();
    const auto missed = ChooseLater(QStringLiteral("mnuContextRemove"));
    RightClickRow(2);
    ASSERT_EQ(*missed, "");

    const auto removes =
        service.RequestsFor(QStringLiteral("/Vantrix/internal/removeShortcut.asp"));
    ASSERT_EQ(removes.size(), 1);
    EXPECT_EQ(removes[0].method, "GET");
    EXPECT_EQ(removes[0].query, QStringLiteral("UserID=1234&MenuItemID=%1").arg(target).toLatin1());
    EXPECT_EQ(HomeFetches(), fetches + 1);
    QList<int> expected = before;
    expected.removeAt(1);
    EXPECT_EQ(RowIds(), expected);
    EXPECT_TRUE(home.IsLoaded());
    EXPECT_TRUE(home.HaveCapture());
    EXPECT_FALSE(home.picHighlight->isVisible());
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    // The server refuses: one box, the rows stay, nothing is fetched again.
    service.SetReply(QStringLiteral("/Vantrix/internal/removeShortcut.asp"), QByteArray("OK\r\n"));
    const auto missedAgain = ChooseLater(QStringLiteral("mnuContextRemove"));
    RightClickRow(1);
    ASSERT_EQ(*missedAgain, "");
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              QStringLiteral("Unable to remove item from Home Menu."));
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("frmMain.mnuContextRemove_Click"));
    EXPECT_EQ(world.notifier.calls[0].flags, platform::vbInformation);
    EXPECT_EQ(RowIds(), expected);
    EXPECT_EQ(HomeFetches(), fetches + 1);
}

TEST_F(MenuCommandsTest, ARemoveAnsweredWithAnErrorStatusIsRefusedWhateverItsBody) {
    frmMain& home = ShowHome();
    const QList<int> before = RowIds();
    const qsizetype fetches = HomeFetches();
    // A server error page that happens to read "OK" is no removal done.
    service.SetReply(QStringLiteral("/Vantrix/internal/removeShortcut.asp"), QByteArray("OK"), 500);
    const auto missed = ChooseLater(QStringLiteral("mnuContextRemove"));
    RightClickRow(2);
    ASSERT_EQ(*missed, "");
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/Vantrix/internal/removeShortcut.asp")).size(),
              1);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt,
              QStringLiteral("Unable to remove item from Home Menu."));
    EXPECT_EQ(RowIds(), before);
    EXPECT_EQ(HomeFetches(), fetches);
    EXPECT_TRUE(home.IsLoaded());
}

TEST_F(MenuCommandsTest, OpenRunsTheClickedRowsItemAndSortOpensTheOptionsModally) {
    frmMain& home = ShowHome();
    const int second = RowIds().at(1);
    home.m_SelIndex = 1;
    const auto missedOpen = ChooseLater(QStringLiteral("mnuContextOpen"));
    RightClickRow(2);
    ASSERT_EQ(*missedOpen, "");
    EXPECT_FALSE(gMainLoaded); // opening closes the menu chain first
    // Whatever the row opens carries its id, not row 1's.
    for (const auto& call : world.shell.calls)
        EXPECT_TRUE(call.file.contains(QString::number(second))) << call.file.toStdString();

    ShowHome();
    bool homeOpenWhenOptionsShown = true;
    int tab = -1;
    bool modal = false;
    bool optionsShown = false;
    const auto missedSort = ChooseLater(QStringLiteral("mnuContextSort"));
    WhenShown([&](QWidget*) {
        // The menu's own pop-up closes first; then the dialog.
        WhenShown([&](QWidget* w) {
            auto* options = qobject_cast<frmOptions*>(w);
            optionsShown = options != nullptr;
            if (!options) {
                Dismiss(w);
                return;
            }
            homeOpenWhenOptionsShown = gMainLoaded;
            tab = options->TabStrip1->currentIndex();
            modal = options->isModal();
            options->cmdCancel->click();
        });
    });
    RightClickRow(1);
    ASSERT_EQ(*missedSort, "");
    ASSERT_TRUE(optionsShown);
    EXPECT_FALSE(homeOpenWhenOptionsShown);
    EXPECT_EQ(tab, 0); // no second page: General stays
    EXPECT_TRUE(modal);
    EXPECT_FALSE(gOptionsLoaded);
}

TEST_F(MenuCommandsTest, NewUserAboutReferOptionsAndLogin) {
    frmButton& b = frmButton::Get();
    PopUpInternetMenu();
    b.mnuInternetNewUser->trigger();
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, world.appPath() + QStringLiteral("/Enlist"));
    EXPECT_EQ(world.shell.calls[0].parameters, QStringLiteral("/addnew"));
    EXPECT_EQ(world.shell.calls[0].directory, QStringLiteral("0"));

    QString aboutCaption;
    bool aboutLoadedWhileShown = false;
    WhenShown([&](QWidget* w) {
        aboutCaption = w->windowTitle();
        aboutLoadedWhileShown = gAboutLoaded;
        if (auto* about = qobject_cast<frmAbout*>(w))
            about->cmdOK->click();
        else
            Dismiss(w);
    });
    b.mnuInternetAbout->trigger();
    EXPECT_EQ(aboutCaption, QStringLiteral("About Tarvel"));
    EXPECT_TRUE(aboutLoadedWhileShown);
    EXPECT_FALSE(gAboutLoaded);

    QString referCaption;
    WhenShown([&](QWidget* w) {
        referCaption = w->windowTitle();
        if (auto* refer = qobject_cast<frmRefer*>(w))
            refer->cmdCancel->click();
        else
            Dismiss(w);
    });
    b.mnuInternetRefer->trigger();
    EXPECT_EQ(referCaption, QStringLiteral("Refer your friends"));
    EXPECT_FALSE(gReferLoaded);
    EXPECT_TRUE(service.RequestsFor(QStringLiteral("/Vantrix/internal/submitPotentialUsers.asp"))
                    .isEmpty());

    b.mnuInternetOptions->trigger();
    ASSERT_NE(frmOptions::Loaded(), nullptr);
    EXPECT_TRUE(frmOptions::Loaded()->isVisible());
    EXPECT_FALSE(frmOptions::Loaded()->isModal());
    // Chosen again: the same dialog, not a second one.
    frmOptions* first = frmOptions::Loaded();
    b.mnuInternetOptions->trigger();
    EXPECT_EQ(frmOptions::Loaded(), first);

    gUserID = 0;
    SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"), QStringLiteral("1"));
    PopUpInternetMenu();
    b.mnuInternetLogin->trigger();
    ASSERT_NE(frmLogin::Loaded(), nullptr);
    EXPECT_TRUE(frmLogin::Loaded()->isVisible());
}

TEST_F(MenuCommandsTest, LogOffThenCloseEndsTheProgram) {
    ShowHome();
    ItemManager();
    PopUpInternetMenu();
    frmButton::Get().mnuInternetLogoff->trigger();
    EXPECT_EQ(gUserID, 0);
    EXPECT_TRUE(gUserName.isEmpty());

    gUserID = 1234;
    bool ended = false;
    EndWhenLastWindowGone([&ended] { ended = true; });
    frmButton::Get().mnuInternetClose->trigger();
    EXPECT_EQ(gUserID, 0);
    EXPECT_EQ(frmButton::Loaded(), nullptr);
    EXPECT_FALSE(gMainLoaded);
    EXPECT_FALSE(gItemManager);
    EXPECT_TRUE(QTest::qWaitFor([&ended] { return ended; }, 3000));
}

TEST_F(MenuCommandsTest, CloseEndsAtOnceOverTheOptionsAndAnErrorWindow) {
    // Close left the process running under an open Options window, whose OK
    // then stored the options of user 0.
    frmButton& b = frmButton::Get();
    PopUpInternetMenu();
    b.mnuInternetOptions->trigger();
    QPointer<frmOptions> options = frmOptions::Loaded();
    ASSERT_TRUE(options && options->isVisible());
    frmError::ShowError(QStringLiteral("Something failed"), 5, QStringLiteral("here"));
    QPointer<frmError> error = frmError::Loaded();
    ASSERT_TRUE(error && error->isVisible());

    bool ended = false;
    EndWhenLastWindowGone([&ended] { ended = true; });
    PopUpInternetMenu();
    b.mnuInternetClose->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&ended] { return ended; }, 3000));
    EXPECT_FALSE(error && error->isVisible());
    ASSERT_FALSE(options && options->isVisible());
    QFile ini(world.configHome() + QStringLiteral("/Tarvel/Tarvel.ini"));
    ASSERT_TRUE(!ini.exists() || ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("[Options0]"));
}

TEST_F(MenuCommandsTest, AnIdleLogoutTakesBackTheProgramMenuItCameUnder) {
    // The menu popped up before the logout kept offering Options, Refer and
    // "Log Off demo", and Options then opened for user 0.
    frmButton& b = frmButton::Get();
    QTest::mousePress(b.cmdGo, Qt::RightButton);
    ASSERT_TRUE(b.mnuInternet->isVisible());
    ASSERT_TRUE(b.mnuInternetOptions->isEnabled());
    gLogoutTime = 1;
    b.timLogout_Timer();
    b.timLogout_Timer();
    ASSERT_EQ(gUserID, 0);
    const bool shown = b.mnuInternet->isVisible();
    EXPECT_FALSE(shown && b.mnuInternetOptions->isEnabled());
    EXPECT_FALSE(shown && b.mnuInternetRefer->isEnabled());
    EXPECT_FALSE(shown && b.mnuInternetLogoff->text().contains(QStringLiteral("demo")));
    b.mnuInternet->hide();
}

TEST_F(MenuCommandsTest, MoveButtonLeavesTheTaskbarButKeepsTheStoredPosition) {
    platform::ScriptedTaskbar bar;
    FindTaskbarWindows();
    ASSERT_NE(gReBarHwnd, 0u);
    SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), QStringLiteral("1"));
    gButtonPosition = 1;
    SetWatcherWindow(gReBarHwnd);
    gUserID = 0;
    PopUpInternetMenu();
    frmButton& b = frmButton::Get();
    ASSERT_TRUE(b.mnuMoveButton->isVisible());
    b.mnuMoveButton->trigger();
    EXPECT_EQ(gButtonPosition, 0);
    EXPECT_EQ(platform::WatchedWindow(), 0u);
    EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")), "1");
    // Floating at the bottom left, no longer inside the taskbar.
    const QRect r = platform::GetWindowRect(gButtonHwnd);
    EXPECT_EQ(r.left(), 0);
    EXPECT_LT(r.top(), bar.taskbarRect.top());
}
