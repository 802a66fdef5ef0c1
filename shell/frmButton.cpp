#include "shell/frmButton.h"

#include "core/MenuChain.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modTaskbar.h"
#include "menus/Layout.h"
#include "platform/Http.h"
#include "platform/KeepOnTop.h"
#include "platform/RequestWait.h"
#include "platform/Twips.h"
#include "shell/MenuCommands.h"
#include "shell/frmLogin.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QNetworkInterface>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace modGlobals;

namespace {

QPointer<frmButton> g_button;

// Design size of cmdGo, twips.
constexpr int kGoWidthTwips = 810;
constexpr int kGoHeightTwips = 330;
constexpr int kBigWidthPixels = 54;
constexpr int kSmallWidthPixels = 47;

QPixmap ButtonPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, QColor(120, 140, 210));
    gradient.setColorAt(1, menus::kHighlightTextColor);
    p.setPen(QColor(40, 50, 110));
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 4, 4);
    QFont font = p.font();
    font.setBold(true);
    font.setPointSizeF(8.25);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("Tarvel"));
    return pixmap;
}

// The program logo (1500 x 1845 twips): the button's colours with the name.
QPixmap LogoDrawing() {
    const QSize size = platform::TwipsToPixels(QSize(1500, 1845));
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(120, 140, 210));
    gradient.setColorAt(1, menus::kHighlightTextColor);
    p.setPen(QColor(40, 50, 110));
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(4.5, 4.5, size.width() - 9, size.height() - 9), 12, 12);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(size.width() / 5);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size.width(), size.height()), Qt::AlignCenter, QStringLiteral("Tarvel"));
    return pixmap;
}

bool ServerIsLocal() {
    QString host;
    quint16 port = 0;
    platform::SplitHostPort(gServerHost.isEmpty() ? modInternet::DefaultServerHost() : gServerHost,
                            &host, &port);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

frmButton& frmButton::Get() {
    if (!g_button) {
        g_button = new frmButton();
        g_button->Form_Load();
    }
    return *g_button;
}

frmButton* frmButton::Loaded() {
    return g_button.data();
}

QPixmap frmButton::LogoPicture() {
    if (const frmButton* button = g_button.data())
        return button->picLogo->pixmap();
    return LogoDrawing();
}

void frmButton::Unload() {
    frmButton* button = g_button.data();
    if (!button)
        return;
    g_button = nullptr;
    button->Form_Unload();
    button->close();
    button->deleteLater();
}

frmButton::frmButton()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(kAppTitle);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // An icon is not worth a long wait: a server that never answers, or
    // trickles, gives the next icon its turn after a few seconds.
    Icons.SetStallTimeoutMs(5000);

    cmdGo = new QPushButton(this);
    cmdGo->setObjectName(QStringLiteral("cmdGo"));
    cmdGo->setFlat(true);
    cmdGo->setFocusPolicy(Qt::NoFocus);
    cmdGo->setGeometry(platform::TwipsRect(0, 0, kGoWidthTwips, kGoHeightTwips));
    QFont font = cmdGo->font();
    font.setBold(true);
    font.setPointSizeF(8.25);
    cmdGo->setFont(font);
    cmdGo->installEventFilter(this);

    const int height = platform::TwipsToPixelsY(kGoHeightTwips);
    imgBigBtn = new QLabel(this);
    imgBigBtn->setPixmap(ButtonPicture(kBigWidthPixels, height));
    imgBigBtn->hide();
    imgSmallBtn = new QLabel(this);
    imgSmallBtn->setPixmap(ButtonPicture(kSmallWidthPixels, height));
    imgSmallBtn->hide();
    picLogo = new QLabel(this);
    picLogo->setPixmap(LogoDrawing());
    picLogo->hide();
    cmdGo->setIcon(imgBigBtn->pixmap());
    cmdGo->setIconSize(imgBigBtn->pixmap().size());

    lstSort = new QListWidget(this);
    lstSort->setSortingEnabled(true);
    lstSort->hide();
    // Takes the focus away from the button; out of sight.
    txtFocus = new QLineEdit(this);
    txtFocus->setGeometry(-40, -40, 10, 10);

    timTop = new QTimer(this);
    timTop->setInterval(1000);
    timLogout = new QTimer(this);
    timLogout->setInterval(60000);
    connect(timTop, &QTimer::timeout, this, &frmButton::timTop_Timer);
    connect(timLogout, &QTimer::timeout, this, &frmButton::timLogout_Timer);
    connect(cmdGo, &QPushButton::clicked, this, &frmButton::cmdGo_Click);

    mnuInternet = new QMenu(QStringLiteral("Internet"), this);
    mnuInternetLogin = mnuInternet->addAction(QStringLiteral("Login As..."));
    mnuInternetOptions = mnuInternet->addAction(QStringLiteral("&Options..."));
    mnuMoveButton = mnuInternet->addAction(QStringLiteral("Move &Button"));
    mnuInternetRefer = mnuInternet->addAction(QStringLiteral("&Refer my friends..."));
    mnuInternetNewUser = mnuInternet->addAction(QStringLiteral("&New User..."));
    mnuInternet->addSeparator();
    mnuInternetAbout = mnuInternet->addAction(QStringLiteral("&About Tarvel..."));
    mnuInternet->addSeparator();
    mnuInternetLogoff = mnuInternet->addAction(QStringLiteral("&Log Off"));
    mnuInternetClose = mnuInternet->addAction(QStringLiteral("&Close"));
    mnuInternetOptions->setEnabled(false);
    mnuInternetRefer->setEnabled(false);
    MenuCommands::ConnectInternetMenu(*this);
    // The hourly refresh shows no window: a click on the button stops its
    // download, and then does what a click does.
    platform::SetStopWithoutWindow(cmdGo, [this] { cmdGo_Click(); });
}

frmButton::~frmButton() {
    if (g_button == this)
        g_button = nullptr;
    if (!m_Unloaded)
        Form_Unload();
}

void frmButton::Form_Load() {
    m_IdleMinutes = 0;
    SubClass1.ClearAskingFlag();
    resize(cmdGo->size());
    UpdatePosition();
    timTop->start();
    timLogout->start();
}

void frmButton::Form_Unload() {
    if (m_Unloaded)
        return;
    m_Unloaded = true;
    platform::SetStopWithoutWindow(nullptr, {});
    timTop->stop();
    timLogout->stop();
    Icons.Clear();
    // Detaches the watcher and gives the rebar back its room.
    ReleaseTaskbar();
}

void frmButton::closeEvent(QCloseEvent* event) {
    // Closed by the desktop rather than by the program: the program's Close,
    // once the handler under way (a login applying the menu update) has
    // returned. Unloading the button alone left the home menu on the screen
    // and the process running without a button.
    if (g_button == this && event->spontaneous()) {
        event->ignore();
        platform::Defer(qApp, [] {
            if (frmButton::Loaded())
                MenuCommands::mnuInternetClose_Click();
        });
        return;
    }
    if (g_button == this) {
        g_button = nullptr;
        Form_Unload();
        deleteLater();
    }
    event->accept();
}

void frmButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdatePosition();
}

void frmButton::ResetTimer() {
    m_IdleMinutes = 0;
}

bool frmButton::DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm,
                                IconQueue::Refill refill) {
    return Icons.Add(URL, FileName, frm, std::move(refill));
}

void frmButton::UpdatePosition() {
    if (m_SkipTopmost) {
        m_SkipTopmost = false;
        return;
    }
    UpdateScreenBottom();
    // Re-placed while the user types in another window (the login window
    // right after it opened, when the panel has moved the button): the button
    // goes back on top without taking the keyboard.
    if (gButtonPosition == 0)
        platform::KeepOnTop(this);
}

void frmButton::SetButtonFace(bool smallPicture, int widthTwips) {
    const QLabel* picture = smallPicture ? imgSmallBtn : imgBigBtn;
    cmdGo->setIcon(picture->pixmap());
    cmdGo->setIconSize(picture->pixmap().size());
    const int width = platform::TwipsToPixelsX(widthTwips);
    cmdGo->resize(width, cmdGo->height());
}

void frmButton::SetConnectedCheck(std::function<bool()> check) {
    m_Connected = std::move(check);
}

bool frmButton::InternetGetConnectedState() {
    // A configured connection: an interface other than the loopback that is
    // up, or the service on this machine (the local stand-in).
    if (ServerIsLocal())
        return true;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& nic : interfaces) {
        const auto flags = nic.flags();
        if ((flags & QNetworkInterface::IsUp) && (flags & QNetworkInterface::IsRunning) &&
            !(flags & QNetworkInterface::IsLoopBack) && !nic.addressEntries().isEmpty())
            return true;
    }
    return false;
}

void frmButton::timTop_Timer() {
    if (gButtonPosition != 0)
        return;
    // Reads the taskbar only; places the button again only when it changed.
    if (TaskbarWatchTick(m_Taskbar))
        UpdatePosition();
}

void frmButton::timLogout_Timer() {
    ++m_IdleMinutes;
    ++m_NewsTimer;

    if (gLogoutTime >= 1 && m_IdleMinutes > gLogoutTime)
        LogoutUser();

    ++m_RefreshMinutes;
    if (m_RefreshMinutes > 60) {
        m_RefreshMinutes = 0;
        const bool connected = m_Connected ? m_Connected() : InternetGetConnectedState();
        if (connected) {
            SubmitCategoryLog();
            // Without its table the store has nothing to bring up to date;
            // asking would report the same error every hour.
            if (ItemManager().DatabaseIsLoaded())
                ItemManager().DownloadUpdates();
        }
    }

    if (m_NewsTimer >= 61) {
        DropNewsCache();
        m_NewsTimer = 0;
    }
}

void frmButton::cmdGo_Click() {
    // A login under way already answers this click.
    if (frmLogin::LoginRunning())
        return;
    ResetTimer();
    if (gUserID != 0) {
        gAniSpeed = GetSettingLong(UserOptionsSection(), QStringLiteral("AniSpeed"), 19);
        txtFocus->setFocus();
        if (gMainLoaded)
            windows::menuChain().UnloadHomeMenu();
        else
            windows::menuChain().ShowHomeMenu();
        return;
    }
    if (gLoginLoaded) {
        frmLogin::Unload();
        return;
    }
    if (GetSettingLong(QStringLiteral("Login"), QStringLiteral("AutoLogin"), 0) == 1) {
        frmLogin::Get().ShowProgressOnly();
        frmLogin::RunLogin(GetSetting(QStringLiteral("Login"), QStringLiteral("User0")),
                           GetSetting(QStringLiteral("Login"), QStringLiteral("Password")));
        if (gUserID == 0) {
            // The slide lets timers run: the window may be unloaded (and
            // destroyed) before it has finished opening.
            QPointer<frmLogin> login(&frmLogin::Get());
            login->ShowLogin();
            if (login)
                login->raise();
        }
        return;
    }
    QPointer<frmLogin> login(&frmLogin::Get());
    login->ShowLogin();
    if (!login)
        return;
    login->raise();
    txtFocus->setFocus();
    m_SkipTopmost = true;
    login->activateWindow();
    m_SkipTopmost = false;
}

void frmButton::ApplyMenuRules() {
    MenuCommands::ApplyInternetMenuRules(*this);
}

void frmButton::cmdGo_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton)
        return;
    windows::menuChain().UnloadHomeMenu();
    if (!frmLogin::LoginRunning())
        frmLogin::Unload();
    ApplyMenuRules();

    const int heightTwips = platform::PixelsToTwipsY(height());
    const int top = GetButtonTop();
    QPoint at;
    if (heightTwips <= top)
        at = globalPos; // room above the button
    else
        at = QPoint(0, platform::TwipsToPixelsY(heightTwips + top));
    m_LastPopupPos = at;
    mnuInternet->popup(at);
}

bool frmButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmdGo && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            cmdGo_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
