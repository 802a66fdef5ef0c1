#pragma once
// The desktop button of Tarvel: a small frameless, always-on-top window filled
// by cmdGo. A left click opens or closes the home menu (logged in) or the
// login window (logged out); a right click pops up the program's menu. Its
// two timers watch the taskbar and count idle minutes (automatic logout, news
// cache expiry, the refresh every 61 minutes). It owns the icon download
// queue and the taskbar watcher.
#include "core/modTaskbar.h"
#include "shell/IconQueue.h"
#include "shell/TaskbarWatcher.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;

class frmButton : public QWidget {
    Q_OBJECT
public:
    // The one button window, loaded on first use (its timers run from then).
    static frmButton& Get();
    // The loaded window, nullptr when it is not loaded.
    static frmButton* Loaded();
    // Runs the unload handler and destroys the window.
    static void Unload();

    // Minutes since the news cache was filled.
    int m_NewsTimer = 0;
    // Idle minutes = 0.
    void ResetTimer();
    // Kept for the windows that call it; the button needs nothing.
    void BringToTop() {}
    // Queues an icon download for a menu window (see IconQueue).
    bool DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm,
                         IconQueue::Refill refill = nullptr);
    // The paint handler: gScreenBottom, and top-most while floating.
    void UpdatePosition();
    // cmdGo's picture (small in the Quick Launch toolbar) and width.
    void SetButtonFace(bool smallPicture, int widthTwips);

    // The tick handlers of timTop (1000 ms) and timLogout (60000 ms).
    void timTop_Timer();
    void timLogout_Timer();
    int IdleMinutes() const { return m_IdleMinutes; }
    int RefreshMinutes() const { return m_RefreshMinutes; }
    // Whether the computer has a connection (the refresh asks); tests script
    // it. nullptr returns to the default.
    void SetConnectedCheck(std::function<bool()> check);
    static bool InternetGetConnectedState();

    QPushButton* cmdGo = nullptr;
    QLabel* imgBigBtn = nullptr;
    QLabel* imgSmallBtn = nullptr;
    QLabel* picLogo = nullptr; // hidden; the dialogs show its picture
    QListWidget* lstSort = nullptr;
    QLineEdit* txtFocus = nullptr;
    QTimer* timTop = nullptr;
    QTimer* timLogout = nullptr;
    TaskbarWatcher SubClass1;
    IconQueue Icons;

    // The program's command menu (its commands: shell/MenuCommands.h).
    QMenu* mnuInternet = nullptr;
    QAction* mnuInternetLogin = nullptr;
    QAction* mnuInternetOptions = nullptr;
    QAction* mnuMoveButton = nullptr;
    QAction* mnuInternetRefer = nullptr;
    QAction* mnuInternetNewUser = nullptr;
    QAction* mnuInternetAbout = nullptr;
    QAction* mnuInternetLogoff = nullptr;
    QAction* mnuInternetClose = nullptr;

    // The program logo of the loaded button window, else a fresh drawing.
    static QPixmap LogoPicture();

    // Where the last right click popped the menu up (screen pixels).
    QPoint LastPopupPos() const { return m_LastPopupPos; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    ~frmButton() override;

private:
    frmButton();

    void Form_Load();
    void Form_Unload();
    void cmdGo_Click();
    void cmdGo_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void ApplyMenuRules();

    int m_IdleMinutes = 0;
    int m_RefreshMinutes = 0;
    bool m_SkipTopmost = false;
    bool m_Unloaded = false;
    modGlobals::TaskbarSnapshot m_Taskbar;
    std::function<bool()> m_Connected;
    QPoint m_LastPopupPos;
};
