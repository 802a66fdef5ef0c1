#pragma once
// The login window: a small pop-up that slides out of the desktop button for
// a user name and a password, remembers the last five user names, offers the
// automatic login, and turns into a progress panel while the login runs.
// While the login panel shows, a click outside the window closes it.
#include <QList>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class frmLogin : public QWidget {
    Q_OBJECT
public:
    // The one login window, loaded on first use.
    static frmLogin& Get();
    static frmLogin* Loaded();
    static void Unload();

    // LoginUser with the "login running" mark that keeps the button and the
    // window from closing the window under it.
    static void RunLogin(const QString& userName, const QString& password);
    static bool LoginRunning();

    // Pause between two steps of the slide (ms); tests use 0.
    static void SetSlideStepMs(int ms);

    void GetCapture();
    void ReleaseFormCapture();
    bool HaveCapture() const { return m_HaveCapture; }
    void SaveLoginLog();
    void ShowProgressOnly();
    void ShowLogin();

    QLabel* lblTitle = nullptr;
    QWidget* picPanel[2] = {nullptr, nullptr};
    QLabel* Label1[4] = {nullptr, nullptr, nullptr, nullptr};
    QComboBox* cboUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QCheckBox* chkRemember = nullptr;
    QLabel* lblLink[2] = {nullptr, nullptr};
    QLabel* lblMessage = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The heights (twips) of the last slide or shrink, in order, and whether
    // the window opened below the button (tests).
    QList<int> LastSlideHeights() const { return m_SlideHeights; }
    bool OpenedBelow() const { return m_OpenedBelow; }
    // The window's height in twips.
    int HeightTwips() const;

    ~frmLogin() override;

    // Handlers that the tests drive like the user would.
    void cmdOK_Click();
    void cmdCancel_Click();
    void lblLink_Click(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    frmLogin();
    void Form_Load();
    void Form_Unload();
    void SetTitle();
    void ShowPanel(bool FullLogin);
    void SetHeightTwips(int h);
    void Step();
    bool IsOwnWindow(QWidget* widget) const;
    bool ClickOutsideCloses() const;
    void TakePointerGrab();

    QString m_Users[5];
    bool m_LoginShown = false;
    bool m_HaveCapture = false;
    bool m_GrabOnRelease = false;
    bool m_Blocked = false;
    bool m_Progress = false;
    bool m_OpenedBelow = false;
    bool m_Unloaded = false;
    QList<int> m_SlideHeights;
};
