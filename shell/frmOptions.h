#pragma once
// The options dialog: the idle minutes before the automatic logout, the menu
// animation speed, where the desktop button sits and which browser's
// favorites feed the favorites menu. OK saves to the settings store (the
// per-user section "Options" & gUserID and the shared "Options"), updates the
// globals and places the button at once; Cancel changes nothing. The two
// taskbar positions can be chosen only where the taskbar has a rebar.
#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabBar;
class QPushButton;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // The dialog that is open, or nullptr.
    static frmOptions* Loaded();
    // The menu command: the open dialog brought forward, else a new one,
    // not modal.
    static void ShowModeless();
    // The home menu's sort command: StartupPage = 1, then modal.
    static void ShowSortPage();

    // 1 asks for the second page, which this dialog does not have: the
    // General page stays selected. Other values change nothing.
    void StartupPage(int newStartupPage);

    QTabBar* TabStrip1 = nullptr;
    QWidget* picPanel0 = nullptr;
    QLineEdit* txtLogoutTime = nullptr;
    QRadioButton* optPosition[3] = {};
    QSlider* Slider = nullptr;
    QWidget* Picture1 = nullptr;
    QRadioButton* optFavorites[2] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();
    // Hides the dialog (ending a modal show) and deletes it later;
    // gOptionsLoaded and Loaded() tell at once that it is gone.
    void Unload();

public slots:
    // Esc and the close box: Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void TabStrip1_Click();
};
