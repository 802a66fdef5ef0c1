#include "shell/frmLogin.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modStartup.h"
#include "core/modTaskbar.h"
#include "platform/AppPath.h"
#include "platform/Latin1Text.h"
#include "platform/PointerGrab.h"
#include "platform/RequestWait.h"
#include "platform/Shell.h"
#include "platform/Twips.h"
#include "platform/Xcb.h"
#include "shell/frmButton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>

using namespace modGlobals;
using platform::TwipsRect;

namespace {

QPointer<frmLogin> g_login;
int g_loginRunning = 0;
int g_slideStepMs = 2;

constexpr int kWidthTwips = 3030;
constexpr int kFullHeight = 2010;
constexpr int kProgressHeight = 1470;
constexpr int kPanelTop = 240;

// The controls whose rectangles hand the mouse over to the control, in
// login-panel coordinates (twips): cboUserName, txtPassword, lblLink(0),
// lblLink(1), cmdOK, chkRemember. The remember box is among them so that a
// click can tick it; left out, the window kept the press for itself.
struct TwipsBox {
    int left, top, width, height;
};
constexpr TwipsBox kMouseControls[] = {
    {1200, 120, 1575, 315}, {1200, 480, 855, 285}, {240, 1200, 735, 255},
    {240, 1440, 735, 255},  {2160, 480, 600, 330}, {240, 840, 2655, 195},
};

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& rect,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setAlignment(align);
    return label;
}

// The design's sizes were measured for a narrower font than the desktop's: a
// text that would be cut is set smaller until it fits.
void FitText(QWidget* widget, const QString& text, int extra = 0) {
    QFont font = widget->font();
    while (font.pointSizeF() > 6.0 &&
           QFontMetrics(font).horizontalAdvance(text) + extra > widget->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    widget->setFont(font);
}

class LoginRunningMark {
public:
    LoginRunningMark() { ++g_loginRunning; }
    ~LoginRunningMark() { --g_loginRunning; }
    LoginRunningMark(const LoginRunningMark&) = delete;
    LoginRunningMark& operator=(const LoginRunningMark&) = delete;
};

} // namespace

frmLogin& frmLogin::Get() {
    if (!g_login) {
        g_login = new frmLogin();
        g_login->Form_Load();
    }
    return *g_login;
}

frmLogin* frmLogin::Loaded() {
    return g_login.data();
}

void frmLogin::Unload() {
    frmLogin* login = g_login.data();
    if (!login)
        return;
    g_login = nullptr;
    login->Form_Unload();
    login->hide();
    login->deleteLater();
}

void frmLogin::RunLogin(const QString& userName, const QString& password) {
    LoginRunningMark mark;
    // The window's progress shows the login's requests: its Escape, close
    // box and Cancel stop the menu table's download.
    frmLogin* shown = g_login.data();
    const platform::WaitWindow wait(shown, shown ? shown->cmdCancel : nullptr);
    LoginUser(userName, password);
}

bool frmLogin::LoginRunning() {
    return g_loginRunning > 0;
}

void frmLogin::SetSlideStepMs(int ms) {
    g_slideStepMs = ms;
}

frmLogin::frmLogin()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Tarvel Login"));
    setFixedWidth(platform::TwipsToPixelsX(kWidthTwips));
    setMouseTracking(true);
    // The layout is measured for an 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSizeF(8.0);
    setFont(dialogFont);

    lblTitle = MakeLabel(this, QString(), TwipsRect(0, 0, 3015, 255), Qt::AlignCenter);
    lblTitle->setAutoFillBackground(true);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Dark));
    titlePalette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Light));
    lblTitle->setPalette(titlePalette);

    for (int i = 0; i < 2; ++i) {
        picPanel[i] = new QWidget(this);
        picPanel[i]->setMouseTracking(true);
    }
    picPanel[0]->setGeometry(TwipsRect(0, kPanelTop, 3015, 1695));
    picPanel[1]->setGeometry(TwipsRect(0, kPanelTop, 3015, 1095));
    picPanel[1]->hide();

    QWidget* panel = picPanel[0];
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    Label1[0] = MakeLabel(panel, QStringLiteral("User Name:"), TwipsRect(0, 120, 1095, 255), right);
    cboUserName = new QComboBox(panel);
    cboUserName->setEditable(true);
    cboUserName->setInsertPolicy(QComboBox::NoInsert);
    cboUserName->setGeometry(TwipsRect(1200, 120, 1575, 315));
    Label1[1] = MakeLabel(panel, QStringLiteral("Password:"), TwipsRect(240, 480, 855, 255), right);
    txtPassword = new QLineEdit(panel);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setGeometry(TwipsRect(1200, 480, 855, 285));
    // Both go to the server, which takes Latin-1 only.
    platform::KeepAnsi(cboUserName->lineEdit());
    platform::KeepAnsi(txtPassword);
    cmdOK = new QPushButton(QStringLiteral("Login"), panel);
    cmdOK->setGeometry(TwipsRect(2160, 480, 600, 330));
    cmdOK->setDefault(true);
    chkRemember = new QCheckBox(QStringLiteral("Automatically log me in next time"), panel);
    chkRemember->setGeometry(TwipsRect(240, 840, 2655, 195));
    Label1[2] = MakeLabel(panel, QStringLiteral("Click here to create a new account"),
                          TwipsRect(240, 1200, 2655, 255));
    Label1[3] = MakeLabel(panel, QStringLiteral("Click here if you forgot your password"),
                          TwipsRect(240, 1440, 2655, 255));
    FitText(chkRemember, chkRemember->text(), 24);
    FitText(Label1[2], Label1[2]->text());
    FitText(Label1[3], Label1[3]->text());
    for (int i = 0; i < 2; ++i) {
        // Laid over the first two words of the sentence below it.
        lblLink[i] = MakeLabel(panel, QStringLiteral("Click here"),
                               TwipsRect(240, i == 0 ? 1200 : 1440, 735, 255));
        QFont font = Label1[i + 2]->font();
        font.setUnderline(true);
        lblLink[i]->setFont(font);
        // As wide as the words it covers, whatever the font (their ink may
        // reach a pixel past their advance).
        lblLink[i]->resize(lblLink[i]->fontMetrics().boundingRect(lblLink[i]->text()).width() + 1,
                           lblLink[i]->height());
        QPalette pal = lblLink[i]->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
        lblLink[i]->setPalette(pal);
        lblLink[i]->setAutoFillBackground(true);
        lblLink[i]->setCursor(Qt::PointingHandCursor);
        lblLink[i]->raise();
        lblLink[i]->installEventFilter(this);
    }

    lblMessage = MakeLabel(picPanel[1], QStringLiteral("Contacting server..."),
                           TwipsRect(480, 240, 2175, 255));
    ProgressBar1 = new QProgressBar(picPanel[1]);
    ProgressBar1->setGeometry(TwipsRect(480, 600, 2175, 255));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    // The cancel button lies below the window's visible height: never seen,
    // but Esc still reaches it.
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setGeometry(TwipsRect(120, 2280, 1200, 330));

    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, cmdCancel, &QPushButton::click);
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, this, [this] {
            if (picPanel[0]->isVisible())
                cmdOK_Click();
        });
    }
    cboUserName->installEventFilter(this);
    cboUserName->view()->installEventFilter(this);
    txtPassword->installEventFilter(this);
    setTabOrder(cboUserName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, chkRemember);
}

frmLogin::~frmLogin() {
    if (g_login == this)
        g_login = nullptr;
    if (!m_Unloaded)
        Form_Unload();
}

void frmLogin::Form_Load() {
    gLoginLoaded = true;
}

void frmLogin::Form_Unload() {
    if (m_Unloaded)
        return;
    m_Unloaded = true;
    ReleaseFormCapture();
    qApp->removeEventFilter(this);
    m_LoginShown = false;
    gLoginLoaded = false;
}

void frmLogin::closeEvent(QCloseEvent* event) {
    if (g_login == this) {
        if (LoginRunning()) {
            event->ignore(); // the login unloads the window when it ends
            return;
        }
        g_login = nullptr;
        Form_Unload();
        deleteLater();
    }
    event->accept();
}

void frmLogin::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The dialog frame of a window without a title bar.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmLogin::SetTitle() {
    lblTitle->setText(QStringLiteral("Tarvel Login (v") + modStartup::VersionText() +
                      QLatin1Char(')'));
}

int frmLogin::HeightTwips() const {
    return platform::PixelsToTwipsY(height());
}

void frmLogin::SetHeightTwips(int h) {
    m_SlideHeights.append(h);
    resize(width(), std::max(1, platform::TwipsToPixelsY(h)));
}

void frmLogin::Step() {
    repaint();
    if (g_slideStepMs > 0) {
        // Lets the window manager see each step; clicks wait until the end.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(static_cast<unsigned long>(g_slideStepMs));
    }
}

void frmLogin::ShowPanel(bool FullLogin) {
    QPointer<frmLogin> self(this);
    const int H = FullLogin ? kFullHeight : kProgressHeight;
    const int buttonTop = GetButtonTop();
    const int buttonLeft = GetButtonLeft();
    const frmButton* button = frmButton::Loaded();
    const int buttonWidth = button ? platform::PixelsToTwipsX(button->width()) : 0;
    const int buttonHeight = button ? platform::PixelsToTwipsY(button->height()) : 0;
    const int widthTwips = platform::PixelsToTwipsX(width());
    m_SlideHeights.clear();

    if (buttonTop < H) {
        // No room above the button: open below it.
        m_OpenedBelow = true;
        const int left = buttonLeft + widthTwips <= platform::ScreenWidthTwips()
                             ? buttonLeft
                             : buttonLeft + buttonWidth - widthTwips;
        move(platform::TwipsToPixelsX(left), platform::TwipsToPixelsY(buttonTop + buttonHeight));
        SetHeightTwips(0);
        show();
        for (int h = 0; h <= H; h += 105) {
            SetHeightTwips(h);
            Step();
            if (!self)
                return;
        }
        SetHeightTwips(H);
    } else {
        // Grows upwards with its bottom edge on the button's top edge.
        m_OpenedBelow = false;
        const int x = platform::TwipsToPixelsX(buttonLeft);
        move(x, platform::TwipsToPixelsY(buttonTop - HeightTwips()));
        SetHeightTwips(0);
        show();
        for (int h = 0; h <= H; h += 30) {
            m_SlideHeights.append(h);
            setGeometry(x, platform::TwipsToPixelsY(buttonTop - h), width(),
                        std::max(1, platform::TwipsToPixelsY(h)));
            Step();
            if (!self)
                return;
        }
        SetHeightTwips(H);
    }
    raise();
}

void frmLogin::ShowProgressOnly() {
    SetTitle();
    picPanel[1]->show();
    picPanel[0]->hide();
    m_Progress = true;
    // ShowPanel shows the window once it is in place: shown here first, it
    // would flash at its default place and size.
    QPointer<frmLogin> self(this);
    ShowPanel(false);
    if (self)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmLogin::ShowLogin() {
    SetTitle();
    picPanel[0]->show();
    picPanel[1]->hide();
    m_Progress = false;
    QPointer<frmLogin> self(this);
    ShowPanel(true);
    if (!self)
        return;
    GetCapture();
    activateWindow();
    cboUserName->setFocus();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!self)
        return;

    cboUserName->clear();
    for (int i = 0; i < 5; ++i) {
        m_Users[i] = GetSetting(QStringLiteral("Login"),
                                QStringLiteral("User") + QString::number(i), QStringLiteral("X"));
        if (m_Users[i] != QLatin1String("X"))
            cboUserName->addItem(m_Users[i]);
    }
    if (cboUserName->count() > 0) {
        cboUserName->setCurrentIndex(0);
        cboUserName->setEditText(cboUserName->itemText(0));
        txtPassword->setFocus();
    } else {
        cboUserName->setCurrentIndex(-1);
        cboUserName->setEditText(QString());
        cboUserName->setFocus();
    }
    chkRemember->setChecked(
        GetSettingLong(QStringLiteral("Login"), QStringLiteral("AutoLogin"), 0) == 1);
    m_LoginShown = true;
}

void frmLogin::cmdOK_Click() {
    if (m_Progress || LoginRunning())
        return; // a second Enter while the login runs
    QPointer<frmLogin> self(this);
    picPanel[1]->show();
    picPanel[0]->hide();
    m_Progress = true;
    // No capture while the login runs: a click outside must not close the
    // window under it.
    ReleaseFormCapture();

    m_SlideHeights.clear();
    const int x = this->x();
    for (int h = kFullHeight; h >= kProgressHeight; h -= 60) {
        SetHeightTwips(h);
        if (!m_OpenedBelow)
            move(x, platform::TwipsToPixelsY(GetButtonTop() - h));
        Step();
        if (!self)
            return;
    }
    SetHeightTwips(kProgressHeight);
    if (!m_OpenedBelow)
        move(x, platform::TwipsToPixelsY(GetButtonTop() - kProgressHeight));
    repaint();

    const bool remember = chkRemember->isChecked();
    if (remember)
        SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), txtPassword->text());
    SaveSetting(QStringLiteral("Login"), QStringLiteral("AutoLogin"),
                remember ? QStringLiteral("1") : QStringLiteral("0"));
    RunLogin(cboUserName->currentText(), txtPassword->text());
}

void frmLogin::SaveLoginLog() {
    if (!m_LoginShown)
        return;
    const QString name = cboUserName->currentText();
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User0"), name);
    int k = 1;
    for (int i = 0; i < 5; ++i) {
        if (m_Users[i] != name && k <= 4) {
            SaveSetting(QStringLiteral("Login"), QStringLiteral("User") + QString::number(k),
                        m_Users[i]);
            ++k;
        }
    }
    for (; k <= 4; ++k)
        SaveSetting(QStringLiteral("Login"), QStringLiteral("User") + QString::number(k),
                    QStringLiteral("X"));
}

void frmLogin::cmdCancel_Click() {
    if (LoginRunning())
        return;
    Unload();
}

void frmLogin::lblLink_Click(int index) {
    modInternet::GetWebHost();
    if (index == 0)
        platform::shell().Execute(platform::AppPath() + QStringLiteral("/Enlist"),
                                  QStringLiteral("/addnew"), QStringLiteral("0"));
    else
        modInternet::OpenDocument(QStringLiteral("http://") + gServerHost +
                                  QStringLiteral("/Tarvel/Lookup.asp"));
    Unload();
    if (frmButton* button = frmButton::Loaded())
        button->BringToTop();
}

void frmLogin::GetCapture() {
    m_HaveCapture = true;
    qApp->installEventFilter(this);
    TakePointerGrab();
}

void frmLogin::TakePointerGrab() {
    m_GrabOnRelease = false;
    // The desktop's clicks reach the window only through a pointer grab;
    // the other platforms have none to give. Under a modal window (a message
    // box of this window's own) the grab would take the box's clicks, which
    // the blocked window then drops: it waits until the box is gone.
    if (!platform::OnX11() || !isVisible() || m_Blocked)
        return;
    // Taken while a button is held, the grab would take the release from the
    // control that had the press (a link acts on its release): it is taken
    // once the buttons are up.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        m_GrabOnRelease = true;
        return;
    }
    // Qt's grab brings every click on our windows here; the X server's part
    // of it is kept (asked again when refused, as right after the message
    // box closes under a busy window manager) by the program's one grab.
    // Qt's grab is taken only once: asked again it lets go first, and a
    // click made at that moment went to the desktop.
    if (QWidget::mouseGrabber() != this)
        grabMouse();
    platform::PointerGrab::Instance().Hold(this);
}

void frmLogin::ReleaseFormCapture() {
    m_HaveCapture = false;
    m_GrabOnRelease = false;
    platform::PointerGrab::Instance().Release(this);
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

bool frmLogin::event(QEvent* event) {
    if (event->type() == QEvent::WindowBlocked) {
        m_Blocked = true;
        if (QWidget::mouseGrabber() == this)
            releaseMouse();
    } else if (event->type() == QEvent::WindowUnblocked) {
        m_Blocked = false;
        if (m_HaveCapture)
            TakePointerGrab();
    }
    return QWidget::event(event);
}

bool frmLogin::ClickOutsideCloses() const {
    return !m_Progress && !LoginRunning();
}

bool frmLogin::IsOwnWindow(QWidget* widget) const {
    // Pop-ups of the window's controls (the user list) count as inside.
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}

void frmLogin::mousePressEvent(QMouseEvent* event) {
    const int x = platform::PixelsToTwipsX(static_cast<int>(event->position().x()));
    const int y = platform::PixelsToTwipsY(static_cast<int>(event->position().y()));
    const bool outside = x < 0 || y < 0 || x > platform::PixelsToTwipsX(width()) ||
                         y > platform::PixelsToTwipsY(height());
    if (!ClickOutsideCloses()) {
        event->accept();
        return;
    }
    ReleaseFormCapture();
    if (outside) {
        Unload();
        return;
    }
    GetCapture();
}

void frmLogin::mouseMoveEvent(QMouseEvent* event) {
    if (!ClickOutsideCloses() || !m_LoginShown)
        return;
    const int x = platform::PixelsToTwipsX(static_cast<int>(event->position().x()));
    const int y = platform::PixelsToTwipsY(static_cast<int>(event->position().y()));
    for (const TwipsBox& box : kMouseControls) {
        const int top = box.top + kPanelTop;
        if (box.left < x && x < box.left + box.width && top < y && y < top + box.height) {
            ReleaseFormCapture();
            return;
        }
    }
    GetCapture();
}

bool frmLogin::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == cboUserName || watched == txtPassword) {
        if (type == QEvent::FocusIn)
            CtlGotFocus(static_cast<QWidget*>(watched));
        else if (type == QEvent::FocusOut)
            CtlLostFocus(static_cast<QWidget*>(watched));
    }
    if (watched == cboUserName->view() &&
        (type == QEvent::ShortcutOverride || type == QEvent::KeyPress)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter in the open list only picks the name. Left to the list,
            // the list closed on the shortcut check, and the same key then
            // reached the window's Enter (Login) with no password typed.
            event->accept();
            if (type == QEvent::KeyPress) {
                const QModelIndex picked = cboUserName->view()->currentIndex();
                if (picked.isValid())
                    cboUserName->setCurrentIndex(picked.row());
                cboUserName->hidePopup();
            }
            return true;
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (watched == lblLink[i] && type == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                lblLink[i]->rect().contains(mouse->position().toPoint())) {
                lblLink_Click(i);
                return true;
            }
        }
    }
    if (type == QEvent::MouseButtonRelease && m_GrabOnRelease) {
        // Once this release has reached its control: taken while it is on
        // its way, the grab would still divert it to the window.
        platform::Defer(this, [this] {
            if (m_GrabOnRelease && m_HaveCapture && QGuiApplication::mouseButtons() == Qt::NoButton)
                TakePointerGrab();
        });
    }
    // Capture: a press on any other window of the program closes the window
    // and goes no further, as it would not have reached that window. A modal
    // window over it (its message box) takes its own clicks.
    if (type == QEvent::MouseButtonPress && m_HaveCapture && !m_Blocked &&
        watched->isWidgetType() && watched != this) {
        auto* widget = static_cast<QWidget*>(watched);
        if (!IsOwnWindow(widget) && ClickOutsideCloses()) {
            ReleaseFormCapture();
            Unload();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
