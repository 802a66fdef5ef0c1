// The login window: the remembered names, the remember box, where and how it
// slides out, Esc, the two links, the progress panel that the login drives,
// and a window that stays put under a running login.
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Latin1Text.h"
#include "platform/TaskbarScripted.h"
#include "shell/ShellHooks.h"
#include "shell/frmButton.h"
#include "shell/frmLogin.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace modGlobals;

namespace {

const QString kLoginPage = QStringLiteral("/Vantrix/internal/loginUser.asp");
const QString kSuccess = QStringLiteral("42\r\nTrue\r\nFalse\r\n1.0.3\r\nX\r\nBob\r\nkey");

class LoginWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        frmLogin::SetSlideStepMs(0);
        menus.showHomeMenu = [this] { ++homeShown; };
        menus.unloadHomeMenu = [] {};
        ASSERT_GT(service.Start(), 0);
        service.SetReply(
            QStringLiteral("/url.txt"),
            (service.Host() + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"), QByteArray("EOF"));
        service.SetReply(kLoginPage, kSuccess.toLatin1());
        qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
        gVersion = QStringLiteral("1.0.3");
        localservice::SampleRecord r;
        r.id = 5;
        r.parentId = 1;
        r.name = QStringLiteral("News");
        ASSERT_TRUE(
            localservice::WriteMenuTable(world.dataPath() + QStringLiteral("MenuItems.dat"), {r}));
        gButtonPosition = 0;
        button = &frmButton::Get();
        PlaceButtonAtStartup(button);
        button->show();
    }

    void TearDown() override {
        frmLogin::Unload();
        frmButton::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qunsetenv("TARVEL_BOOTSTRAP_HOST");
    }

    void Users(const QStringList& names) {
        for (int i = 0; i < names.size(); ++i)
            SaveSetting(QStringLiteral("Login"), QStringLiteral("User") + QString::number(i),
                        names[i]);
    }
    QStringList StoredUsers() const {
        QStringList out;
        for (int i = 0; i < 5; ++i)
            out << GetSetting(QStringLiteral("Login"), QStringLiteral("User") + QString::number(i),
                              QStringLiteral("(none)"));
        return out;
    }
    static QStringList Listed(const frmLogin& login) {
        QStringList out;
        for (int i = 0; i < login.cboUserName->count(); ++i)
            out << login.cboUserName->itemText(i);
        return out;
    }
    frmLogin& Show() {
        frmLogin& login = frmLogin::Get();
        login.ShowLogin();
        return login;
    }
    void LogIn(frmLogin& login, const QString& name, const QString& password) {
        login.cboUserName->setEditText(name);
        login.txtPassword->setText(password);
        login.cmdOK->click();
    }
    // Logs in as ann; when the login's progress first shows (the request on
    // its way) `during` is done to the window, and the window is then looked
    // at: the count of times it was still the loaded one (and `shown`, when
    // asked) comes back.
    int LogInDoing(frmLogin& login, const std::function<void(frmLogin&)>& during, bool shown) {
        QPointer<frmLogin> guard(&login);
        int checks = 0;
        testsupport::ScriptedLogin scripted;
        windows::LoginWindow& original = scripted.Before();
        scripted.setProgress = [&](int v) {
            original.SetProgress(v);
            if (v != 20 || !guard)
                return;
            during(*guard);
            QCoreApplication::processEvents();
            if (frmLogin::Loaded() == guard.data() && gLoginLoaded &&
                (!shown || guard->isVisible()))
                ++checks;
        };
        LogIn(login, QStringLiteral("ann"), QStringLiteral("pw"));
        return checks;
    }

    testsupport::TestWorld world;
    platform::ScriptedTaskbar taskbar{platform::ABE_BOTTOM, 30};
    localservice::LocalService service;
    testsupport::Installed<ShellButton> buttonWindow;
    testsupport::Installed<ShellLogin> loginWindow;
    testsupport::ScriptedMenuChain menus;
    frmButton* button = nullptr;
    int homeShown = 0;
};

TEST_F(LoginWindowTest, NoRememberedNamesLeavesTheListEmptyAndTheFocusInTheNameBox) {
    Users({"X", "X", "X", "X", "X"});
    frmLogin& login = Show();
    EXPECT_EQ(login.cboUserName->count(), 0);
    EXPECT_EQ(login.cboUserName->currentText(), QString());
    EXPECT_TRUE(login.cboUserName->hasFocus() ||
                QApplication::focusWidget() == login.cboUserName->lineEdit() ||
                login.cboUserName->lineEdit()->hasFocus());
    EXPECT_TRUE(gLoginLoaded);
    EXPECT_TRUE(login.HaveCapture());
    EXPECT_EQ(login.lblTitle->text(), QStringLiteral("Tarvel Login (v1.0.3)"));
}

TEST_F(LoginWindowTest, ThreeNamesAreListedTheFirstPrefilledAndTheFocusInThePassword) {
    Users({"ann", "bob", "cy"});
    frmLogin& login = Show();
    EXPECT_EQ(Listed(login), (QStringList{"ann", "bob", "cy"}));
    EXPECT_EQ(login.cboUserName->currentText(), QStringLiteral("ann"));
    EXPECT_TRUE(login.txtPassword->hasFocus());
}

TEST_F(LoginWindowTest, ANameOfExactlyXIsNeverListed) {
    Users({"X", "ann", "X", "bob", "x"});
    frmLogin& login = Show();
    EXPECT_EQ(Listed(login), (QStringList{"ann", "bob", "x"}));
}

TEST_F(LoginWindowTest, LoggingInWithTheFourthNameMovesItToTheFront) {
    Users({"ann", "bob", "cy", "dee", "eve"});
    frmLogin& login = Show();
    LogIn(login, QStringLiteral("dee"), QStringLiteral("pw"));
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(StoredUsers(), (QStringList{"dee", "ann", "bob", "cy", "eve"}));
    EXPECT_EQ(frmLogin::Loaded(), nullptr); // the login unloaded it
    EXPECT_FALSE(gLoginLoaded);
    EXPECT_EQ(homeShown, 1);
}

TEST_F(LoginWindowTest, ASixthNameDropsTheOldest) {
    Users({"ann", "bob", "cy", "dee", "eve"});
    frmLogin& login = Show();
    LogIn(login, QStringLiteral("fay"), QStringLiteral("pw"));
    EXPECT_EQ(StoredUsers(), (QStringList{"fay", "ann", "bob", "cy", "dee"}));
}

TEST_F(LoginWindowTest, EmptySlotsMoveAlongLikeNames) {
    Users({"ann", "X", "bob"});
    frmLogin& login = Show();
    LogIn(login, QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(StoredUsers(), (QStringList{"bob", "ann", "X", "X", "X"}));
}

TEST_F(LoginWindowTest, AutomaticLoginDoesNotRewriteTheNames) {
    Users({"ann", "bob"});
    SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User0"), QStringLiteral("ann"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("pw"));
    button->cmdGo->click();
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(StoredUsers(), (QStringList{"ann", "bob", "(none)", "(none)", "(none)"}));
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
}

TEST_F(LoginWindowTest, ProgressOnlyShowsTheProgressPanelWithoutCapture) {
    frmLogin& login = frmLogin::Get();
    login.ShowProgressOnly();
    EXPECT_TRUE(login.picPanel[1]->isVisible());
    EXPECT_FALSE(login.picPanel[0]->isVisible());
    EXPECT_FALSE(login.HaveCapture());
    EXPECT_EQ(login.HeightTwips(), 1470);
    EXPECT_EQ(login.lblMessage->text(), QStringLiteral("Contacting server..."));
}

TEST_F(LoginWindowTest, ClearingTheRememberBoxKeepsTheStoredPassword) {
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("old"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"), QStringLiteral("1"));
    frmLogin& login = Show();
    EXPECT_TRUE(login.chkRemember->isChecked());
    login.chkRemember->setChecked(false);
    LogIn(login, QStringLiteral("ann"), QStringLiteral("new"));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin")),
              QStringLiteral("0"));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("Password")),
              QStringLiteral("old"));
}

TEST_F(LoginWindowTest, TickingTheRememberBoxStoresThePassword) {
    frmLogin& login = Show();
    EXPECT_FALSE(login.chkRemember->isChecked());
    login.chkRemember->setChecked(true);
    LogIn(login, QStringLiteral("ann"), QStringLiteral("s3cret"));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin")),
              QStringLiteral("1"));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("Password")),
              QStringLiteral("s3cret"));
    const auto requests = service.RequestsFor(kLoginPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, QByteArray("UserName=ann&Password=s3cret&Version=1.0.3"));
}

TEST_F(LoginWindowTest, SlidesUpOutOfTheButtonInStepsOfThirty) {
    const QRect b = button->frameGeometry();
    frmLogin& login = Show();
    EXPECT_FALSE(login.OpenedBelow());
    const QList<int> heights = login.LastSlideHeights();
    ASSERT_GE(heights.size(), 3);
    EXPECT_EQ(heights[2] - heights[1], 30);
    EXPECT_EQ(heights.last(), 2010);
    EXPECT_EQ(login.geometry(), QRect(b.left(), b.top() - 134, 202, 134));
}

TEST_F(LoginWindowTest, AtTheTopOfTheScreenItOpensDownwardsInStepsOf105) {
    button->move(200, 0);
    frmLogin& login = Show();
    EXPECT_TRUE(login.OpenedBelow());
    const QList<int> heights = login.LastSlideHeights();
    ASSERT_GE(heights.size(), 3);
    EXPECT_EQ(heights[2] - heights[1], 105);
    EXPECT_EQ(heights.last(), 2010);
    EXPECT_EQ(login.geometry(), QRect(200, 22, 202, 134));
}

TEST_F(LoginWindowTest, AtTheRightEdgeItAlignsWithTheButtonsRightEdge) {
    button->move(1024 - 54, 0);
    frmLogin& login = Show();
    EXPECT_EQ(login.geometry().right(), button->geometry().right());
}

TEST_F(LoginWindowTest, OkShrinksToTheProgressPanelKeepingTheBottomOnTheButton) {
    service.SetReply(kLoginPage, QByteArray("NO"));
    const QRect b = button->frameGeometry();
    frmLogin& login = Show();
    QList<int> heights;
    int progressTop = 0;
    testsupport::ScriptedLogin scripted;
    scripted.unload = [&heights, &progressTop] {
        frmLogin* l = frmLogin::Loaded();
        heights = l->LastSlideHeights();
        progressTop = l->geometry().bottom();
        frmLogin::Unload();
    };
    LogIn(login, QStringLiteral("ann"), QStringLiteral("pw"));
    ASSERT_GE(heights.size(), 2);
    EXPECT_EQ(heights.first(), 2010);
    EXPECT_EQ(heights[0] - heights[1], 60);
    EXPECT_EQ(heights.last(), 1470);
    EXPECT_EQ(progressTop, b.top() - 1); // the bottom stays on the button's top edge
}

TEST_F(LoginWindowTest, EscClosesTheLoginWindow) {
    frmLogin& login = Show();
    EXPECT_FALSE(login.cmdCancel->geometry().intersects(login.rect())); // never seen
    QTest::keyClick(login.txtPassword, Qt::Key_Escape);
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
    EXPECT_FALSE(gLoginLoaded);
}

TEST_F(LoginWindowTest, EnterLogsIn) {
    frmLogin& login = Show();
    login.cboUserName->setEditText(QStringLiteral("ann"));
    login.txtPassword->setText(QStringLiteral("pw"));
    QTest::keyClick(login.txtPassword, Qt::Key_Return);
    EXPECT_EQ(gUserID, 42);
}

TEST_F(LoginWindowTest, EnterInTheOpenUserListOnlyPicksTheName) {
    // Enter on a remembered name in the dropped-down list logged in at once,
    // with the password box still empty. Here the key reaches the list; under
    // X11 it reaches the name box once the list has closed, which
    // tests/x11/t_login_user_list.sh covers.
    Users({"ann", "bob"});
    frmLogin& login = Show();
    login.cboUserName->setFocus();
    login.cboUserName->showPopup();
    QAbstractItemView* list = login.cboUserName->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }, 2000));
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(service.RequestsFor(kLoginPage).isEmpty());
    EXPECT_EQ(gUserID, 0);
    ASSERT_EQ(frmLogin::Loaded(), &login);
    EXPECT_TRUE(login.picPanel[0]->isVisible()); // not the progress panel
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(login.cboUserName->currentText(), QStringLiteral("bob"));
    // The password typed next, Enter logs in as the picked name.
    // (The offscreen platform leaves the closed list the active window.)
    login.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&login] { return QApplication::activeWindow() == &login; }));
    login.txtPassword->setFocus();
    QTest::keyClicks(login.txtPassword, QStringLiteral("pw"));
    QTest::keyClick(login.txtPassword, Qt::Key_Return);
    const auto requests = service.RequestsFor(kLoginPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, QByteArray("UserName=bob&Password=pw&Version=1.0.3"));
}

TEST_F(LoginWindowTest, NewAccountLinkStartsEnlistAndCloses) {
    frmLogin& login = Show();
    QTest::mouseClick(login.lblLink[0], Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, world.appPath() + QStringLiteral("/Enlist"));
    EXPECT_EQ(world.shell.calls[0].parameters, QStringLiteral("/addnew"));
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
}

TEST_F(LoginWindowTest, ForgottenPasswordLinkOpensTheLookupPage) {
    frmLogin& login = Show();
    login.lblLink_Click(1);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file,
              QStringLiteral("http://") + service.Host() + QStringLiteral("/Tarvel/Lookup.asp"));
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/url.txt")).size(), 1);
    EXPECT_EQ(frmLogin::Loaded(), nullptr);
}

TEST_F(LoginWindowTest, APressInsideKeepsTheWindowAndItsCapture) {
    frmLogin& login = Show();
    QTest::mouseClick(&login, Qt::LeftButton, Qt::NoModifier, QPoint(5, 60));
    EXPECT_NE(frmLogin::Loaded(), nullptr);
    EXPECT_TRUE(login.HaveCapture());
    // The moves a pointer grab delivers to the window itself: over a control
    // the capture is handed to the control; off the controls it is taken back.
    auto move = [&login](QPoint at) {
        QMouseEvent event(QEvent::MouseMove, at, login.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&login, &event);
    };
    move(QPoint(100, 16 + 12)); // inside cboUserName
    EXPECT_FALSE(login.HaveCapture());
    move(QPoint(5, 16 + 60)); // left of every control
    EXPECT_TRUE(login.HaveCapture());
    move(QPoint(150, 16 + 40)); // inside cmdOK
    EXPECT_FALSE(login.HaveCapture());
    move(QPoint(5, 16 + 60));
    EXPECT_TRUE(login.HaveCapture());
    // Over the remember box the mouse goes to the box, so a click ticks it.
    move(QPoint(100, 79));
    EXPECT_FALSE(login.HaveCapture());
}

TEST_F(LoginWindowTest, TheProgressBarFollowsTheLogin) {
    QList<int> seen;
    testsupport::ScriptedLogin scripted;
    windows::LoginWindow& original = scripted.Before();
    scripted.setProgress = [&seen, &original](int v) {
        original.SetProgress(v);
        seen << frmLogin::Loaded()->ProgressBar1->value();
    };
    frmLogin& login = Show();
    LogIn(login, QStringLiteral("ann"), QStringLiteral("pw"));
    EXPECT_EQ(seen, (QList<int>{20, 100}));
}

TEST_F(LoginWindowTest, NothingClosesTheWindowUnderARunningLogin) {
    frmLogin& login = Show();
    // A click outside, a click on the button, Esc and a close request while
    // the progress panel shows.
    const int checks = LogInDoing(
        login,
        [this](frmLogin& w) {
            QTest::mouseClick(button->cmdGo, Qt::LeftButton);
            QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
            QTest::keyClick(&w, Qt::Key_Escape);
            w.close();
        },
        true);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(service.RequestsFor(kLoginPage).size(), 1);
    EXPECT_EQ(frmLogin::Loaded(), nullptr); // unloaded by the login at its end
}

TEST_F(LoginWindowTest, NameAndPasswordTakeOnlyWhatTheServerCanCarry) {
    // The password "пароль1" went out as "??????1" and matched any six letters.
    frmLogin& login = Show();
    QLineEdit* name = login.cboUserName->lineEdit();
    name->setFocus();
    for (const QChar c : QStringLiteral("J\u00f6rg\u0418")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(name, &press);
    }
    EXPECT_EQ(login.cboUserName->currentText(), QStringLiteral("J\u00f6rg"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, platform::NotAnsiMessage());
    QApplication::clipboard()->setText(QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c1"));
    login.txtPassword->setFocus();
    QTest::keyClick(login.txtPassword, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(login.txtPassword->text(), "1");
    EXPECT_EQ(world.notifier.calls.size(), 2); // one message for the whole paste
    QTest::keyClick(login.txtPassword, Qt::Key_Return);
    const auto requests = service.RequestsFor(kLoginPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, QByteArray("UserName=J\xf6rg&Password=1&Version=1.0.3"));
}

} // namespace

// While a login runs, a second Enter or OK sends no second login and Cancel
// leaves the window to the login, which unloads it when it ends.
TEST_F(LoginWindowTest, EnterOkAndCancelUnderARunningLoginChangeNothing) {
    frmLogin& login = Show();
    const int checks = LogInDoing(
        login,
        [](frmLogin& w) {
            QTest::keyClick(w.txtPassword, Qt::Key_Return);
            w.cmdOK_Click();
            w.cmdCancel_Click();
        },
        false);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(gUserID, 42);
    EXPECT_EQ(service.RequestsFor(kLoginPage).size(), 1);
    EXPECT_EQ(homeShown, 1);
}
