#include "shell/MenuCommands.h"

#include "core/MenuChain.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modQuickLaunch.h"
#include "core/modTaskbar.h"
#include "menus/MenuLevel.h"
#include "menus/frmMain.h"
#include "platform/AppPath.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"
#include "shell/frmAbout.h"
#include "shell/frmButton.h"
#include "shell/frmLogin.h"
#include "shell/frmOptions.h"
#include "shell/frmRefer.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

using namespace modGlobals;

namespace MenuCommands {

namespace {

QPointer<QMenu> g_contextMenu;

// A menu caption shows "&" as a mnemonic mark; a name's own "&" is doubled.
QString MenuText(QString text) {
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

void InstallMenuCommands() {
    frmMain::SetInstanceContextMenu(&ShowContextMenu);
}

void ConnectInternetMenu(frmButton& button) {
    QObject::connect(button.mnuInternetLogin, &QAction::triggered, &button,
                     &mnuInternetLogin_Click);
    QObject::connect(button.mnuInternetOptions, &QAction::triggered, &button,
                     &mnuInternetOptions_Click);
    QObject::connect(button.mnuMoveButton, &QAction::triggered, &button, &mnuMoveButton_Click);
    QObject::connect(button.mnuInternetRefer, &QAction::triggered, &button,
                     &mnuInternetRefer_Click);
    QObject::connect(button.mnuInternetNewUser, &QAction::triggered, &button,
                     &mnuInternetNewUser_Click);
    QObject::connect(button.mnuInternetAbout, &QAction::triggered, &button,
                     &mnuInternetAbout_Click);
    QObject::connect(button.mnuInternetLogoff, &QAction::triggered, &button,
                     &mnuInternetLogoff_Click);
    QObject::connect(button.mnuInternetClose, &QAction::triggered, &button,
                     &mnuInternetClose_Click);
}

void ApplyInternetMenuRules(frmButton& button) {
    const bool loggedIn = gUserID != 0;
    button.mnuInternetLogin->setVisible(
        !loggedIn && GetSettingLong(QStringLiteral("Login"), QStringLiteral("AutoLogin"), 0) == 1);
    button.mnuInternetOptions->setEnabled(loggedIn);
    button.mnuInternetRefer->setEnabled(loggedIn);
    button.mnuInternetLogoff->setEnabled(loggedIn);
    button.mnuInternetLogoff->setText(gUserName.isEmpty()
                                          ? QStringLiteral("&Log Off")
                                          : QStringLiteral("&Log Off ") + MenuText(gUserName));
    // Moving out of the taskbar needs a taskbar rebar to be in (never on
    // Linux, where the button always floats).
    button.mnuMoveButton->setVisible(gButtonPosition == 1 && !loggedIn && gReBarHwnd != 0);
}

void ShowContextMenu(int row, const QPoint& globalPos) {
    frmMain& home = frmMain::Instance();
    const ItemPtr item = home.m_Items ? home.m_Items->Item(row) : nullptr;
    if (!item)
        return;
    QMenu menu(QStringLiteral("Context"), &home);
    menu.setObjectName(QStringLiteral("mnuContext"));
    QAction* open = menu.addAction(QStringLiteral("&Open"));
    open->setObjectName(QStringLiteral("mnuContextOpen"));
    menu.setDefaultAction(open);
    QAction* remove = menu.addAction(QStringLiteral("&Remove from Home Menu"));
    remove->setObjectName(QStringLiteral("mnuContextRemove"));
    menu.addSeparator();
    QAction* sort = menu.addAction(QStringLiteral("&Sort Home Menu Items..."));
    sort->setObjectName(QStringLiteral("mnuContextSort"));
    g_contextMenu = &menu;
    // Chosen first, run after the pop-up has closed and given the pointer
    // back: the commands open windows and message boxes of their own.
    QAction* chosen = menu.exec(globalPos);
    g_contextMenu = nullptr;
    if (chosen == open)
        mnuContextOpen_Click(item);
    else if (chosen == remove)
        mnuContextRemove_Click(item);
    else if (chosen == sort)
        mnuContextSort_Click();
}

QMenu* OpenContextMenu() {
    return g_contextMenu.data();
}

void mnuContextOpen_Click(const ItemPtr& item) {
    OpenItem(item, QString());
}

void mnuContextRemove_Click(const ItemPtr& item) {
    if (!item)
        return;
    const QString reply = modInternet::GetURLText(
        QStringLiteral("removeShortcut.asp?UserID=") + QString::number(gUserID) +
            QStringLiteral("&MenuItemID=") + QString::number(item->ID),
        false);
    if (reply != QLatin1String("OK")) {
        platform::MsgBox(QStringLiteral("Unable to remove item from Home Menu."),
                         platform::vbInformation, QStringLiteral("frmMain.mnuContextRemove_Click"));
        return;
    }
    ItemManager().ClearHomeMenuCollection();
    QPointer<frmMain> home(&frmMain::Instance());
    if (!home->IsLoaded())
        return;
    home->UpdateMenu();
    home->picHighlight->hide();
    if (QPointer<QWidget> child = home->m_ChildForm) {
        home->m_ChildForm = nullptr;
        if (menus::MenuLevel* level = menus::AsMenuLevel(child.data()))
            level->Unload();
        else
            child->hide();
    }
    QCoreApplication::processEvents();
    if (!home || !home->IsLoaded())
        return;
    home->ReleaseFormCapture();
    home->GetCapture();
}

void mnuContextSort_Click() {
    windows::menuChain().UnloadHomeMenu();
    frmOptions::ShowSortPage();
}

void mnuInternetLogin_Click() {
    QPointer<frmLogin> login(&frmLogin::Get());
    login->ShowLogin();
    if (!login)
        return;
    login->raise();
    login->activateWindow();
}

void mnuInternetOptions_Click() {
    frmOptions::ShowModeless();
}

void mnuMoveButton_Click() {
    modQuickLaunch::RemoveQuickLaunchShortcuts();
    gButtonPosition = 0;
    SetWatcherWindow(0);
    // The stored position stays: the next start places the button as before.
    PositionButton(gButtonPosition);
}

void mnuInternetRefer_Click() {
    frmRefer::ShowModal();
}

void mnuInternetNewUser_Click() {
    platform::shell().Execute(platform::AppPath() + QStringLiteral("/Enlist"),
                              QStringLiteral("/addnew"), QStringLiteral("0"));
}

void mnuInternetAbout_Click() {
    frmAbout::ShowModal();
}

void mnuInternetLogoff_Click() {
    LogoutUser();
}

void mnuInternetClose_Click() {
    LogoutUser();
    windows::menuChain().UnloadHomeMenu();
    frmLogin::Unload();
    frmButton::Unload();
    // Every other window goes too, as its own Cancel or close box would take
    // it (nothing is stored): a dialog left open kept the process alive, and
    // its OK would have stored its values for the logged-out user 0.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible())
            window->close();
    }
    // With the button gone and no window left, the process ends (see
    // EndWhenLastWindowGone).
    gItemManager.reset();
}

} // namespace MenuCommands
