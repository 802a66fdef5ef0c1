#pragma once
// The commands of the button's program menu (mnuInternet) and of the home
// menu's context menu of a shortcut row.
#include "core/clsItem.h"

#include <QPoint>

class QMenu;
class QWidget;
class frmButton;

namespace MenuCommands {

// Installs the home menu's context menu. InstallWindows (app/) calls it once.
void InstallMenuCommands();

// Connects the entries of the button window's program menu to their commands
// and sets their enabled and visible states for a pop-up now.
void ConnectInternetMenu(frmButton& button);
void ApplyInternetMenuRules(frmButton& button);

// The context menu of the home menu's row `row` (its item is taken now, so a
// refill before a command runs cannot change which item it acts on): shown at
// globalPos until an entry is chosen or the menu is dismissed.
void ShowContextMenu(int row, const QPoint& globalPos);
// The context menu that is popped up, nullptr when none is (tests choose
// from it).
QMenu* OpenContextMenu();

// The context commands.
void mnuContextOpen_Click(const ItemPtr& item);
void mnuContextRemove_Click(const ItemPtr& item);
void mnuContextSort_Click();

// The program menu's commands.
void mnuInternetLogin_Click();
void mnuInternetOptions_Click();
void mnuMoveButton_Click();
void mnuInternetRefer_Click();
void mnuInternetNewUser_Click();
void mnuInternetAbout_Click();
void mnuInternetLogoff_Click();
void mnuInternetClose_Click();

} // namespace MenuCommands
