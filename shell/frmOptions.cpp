#include "shell/frmOptions.h"

#include "core/modGlobals.h"
#include "core/modQuickLaunch.h"
#include "core/modTaskbar.h"
#include "platform/Twips.h"
#include "shell/TextFit.h"
#include "shell/frmButton.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>

#include <algorithm>

using namespace modGlobals;
using platform::TwipsRect;

namespace {

QPointer<frmOptions> g_options;

constexpr int kDefaultSpeed = 19;
constexpr int kMaxSpeed = 25;

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QRadioButton* MakeOption(QWidget* parent, const QString& name, const QString& text,
                         const QRect& rect) {
    auto* option = new QRadioButton(text, parent);
    option->setObjectName(name);
    // The designed heights are less than the indicator's: the box grows
    // about its middle rather than cutting it.
    QRect r = rect;
    const int extra = option->sizeHint().height() - r.height();
    if (extra > 0)
        r.adjust(0, -extra / 2, 0, extra - extra / 2);
    option->setGeometry(r);
    return option;
}

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    SetUpFixedDialog(this, QSize(7200, 5640), false);

    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QStringLiteral("General"));
    TabStrip1->setGeometry(TwipsRect(120, 240, 6855, 360));
    TabStrip1->setDrawBase(false);
    TabStrip1->setExpanding(false);
    auto* tabFrame = new QLabel(this);
    tabFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    tabFrame->setGeometry(TwipsRect(120, 240 + 330, 6855, 4875 - 330));
    tabFrame->lower();

    picPanel0 = new QWidget(this);
    picPanel0->setObjectName(QStringLiteral("picPanel0"));
    picPanel0->setGeometry(TwipsRect(240, 720, 6495, 4275));
    QWidget* const panel = picPanel0;

    MakeLabel(panel,
              QStringLiteral("Automatically log out after how many minutes of inactivity? (Enter "
                             "0 to never have the program log you out.)"),
              TwipsRect(240, 240, 4215, 495));
    txtLogoutTime = new QLineEdit(QStringLiteral("0"), panel);
    txtLogoutTime->setObjectName(QStringLiteral("txtLogoutTime"));
    txtLogoutTime->setGeometry(TwipsRect(4560, 360, 615, 285));
    txtLogoutTime->setMaxLength(3);
    txtLogoutTime->installEventFilter(this);

    MakeLabel(panel, QStringLiteral("Position Internet button"), TwipsRect(240, 900, 1935, 255));
    optPosition[0] = MakeOption(
        panel, QStringLiteral("optPosition0"),
        QStringLiteral(
            "On the Windows Taskbar, next to the Start button (Requires Active Desktop)"),
        TwipsRect(600, 1140, 5775, 255));
    optPosition[1] =
        MakeOption(panel, QStringLiteral("optPosition1"),
                   QStringLiteral("In the Quick Launch Toolbar (Requires Active Desktop)"),
                   TwipsRect(600, 1380, 4455, 255));
    optPosition[2] = MakeOption(panel, QStringLiteral("optPosition2"),
                                QStringLiteral("Bottom left corner of the screen"),
                                TwipsRect(600, 1620, 2775, 255));
    MakeLabel(panel, QStringLiteral("*"), TwipsRect(360, 1440, 195, 195));
    MakeLabel(panel, QStringLiteral("*"), TwipsRect(360, 1680, 135, 195));

    MakeLabel(panel, QStringLiteral("Menu Animation Speed"), TwipsRect(240, 2100, 2415, 195));
    MakeLabel(panel, QStringLiteral("Slowest"), TwipsRect(660, 2460, 555, 255));
    Slider = new QSlider(Qt::Horizontal, panel);
    Slider->setObjectName(QStringLiteral("Slider"));
    Slider->setRange(0, kMaxSpeed);
    Slider->setTickPosition(QSlider::TicksBelow);
    Slider->setTickInterval(1);
    Slider->setPageStep(5);
    Slider->setGeometry(TwipsRect(1320, 2400, 2535, 435));
    MakeLabel(panel, QStringLiteral("Fastest (No Animation)"), TwipsRect(3960, 2460, 1695, 255));

    MakeLabel(panel, QStringLiteral("Use Favorites From"), TwipsRect(240, 3000, 3375, 255));
    Picture1 = new QWidget(panel);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(600, 3180, 2400, 540));
    optFavorites[0] = MakeOption(Picture1, QStringLiteral("optFavorites0"),
                                 QStringLiteral("Internet Explorer"), TwipsRect(0, 60, 1575, 195));
    optFavorites[1] =
        MakeOption(Picture1, QStringLiteral("optFavorites1"),
                   QStringLiteral("Netscape Communicator"), TwipsRect(0, 300, 2175, 195));
    MakeLabel(panel, QStringLiteral("* Choose one of these options if your taskbar flickers."),
              TwipsRect(240, 3960, 3975, 255));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(TwipsRect(4440, 5220, 1200, 330));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(TwipsRect(5820, 5220, 1200, 330));

    setTabOrder(txtLogoutTime, optPosition[0]);
    setTabOrder(optPosition[0], optPosition[1]);
    setTabOrder(optPosition[1], optPosition[2]);
    setTabOrder(optPosition[2], Slider);
    setTabOrder(Slider, optFavorites[0]);
    setTabOrder(optFavorites[0], optFavorites[1]);
    setTabOrder(optFavorites[1], cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(TabStrip1, &QTabBar::tabBarClicked, this, &frmOptions::TabStrip1_Click);

    platform::CenterOnScreen(this);
    Form_Load();
    FitLabels(this);
}

frmOptions::~frmOptions() {
    if (g_options == this || !g_options)
        gOptionsLoaded = false;
}

void frmOptions::Unload() {
    // Unloaded now, deleted later: this may run inside its own click.
    if (g_options == this)
        g_options = nullptr;
    gOptionsLoaded = false;
    hide();
    deleteLater();
}

void frmOptions::reject() {
    Unload();
}

frmOptions* frmOptions::Loaded() {
    return g_options.data();
}

void frmOptions::ShowModeless() {
    if (!g_options)
        g_options = new frmOptions();
    g_options->setModal(false);
    g_options->show();
    g_options->raise();
    g_options->activateWindow();
}

void frmOptions::ShowSortPage() {
    if (!g_options)
        g_options = new frmOptions();
    g_options->StartupPage(1);
    g_options->exec();
}

void frmOptions::StartupPage(int newStartupPage) {
    if (newStartupPage != 1)
        return;
    // The design asks for a second tab; with only "General" there, the
    // General page stays (an index past the end would select nothing).
    if (TabStrip1->count() > 1)
        TabStrip1->setCurrentIndex(1);
    TabStrip1_Click();
}

void frmOptions::TabStrip1_Click() {}

void frmOptions::Form_Load() {
    gOptionsLoaded = true;
    const QString section = UserOptionsSection();
    const QString logoutTime =
        GetSetting(section, QStringLiteral("LogoutTime"), QStringLiteral("0"));
    // A stored text longer than the box takes is shown whole, as stored.
    txtLogoutTime->setMaxLength(std::max<int>(3, logoutTime.size()));
    txtLogoutTime->setText(logoutTime);
    // Not a number: the default; out of the slider's range: its nearest end.
    const int speed = GetSettingLong(section, QStringLiteral("AniSpeed"), kDefaultSpeed);
    Slider->setValue(std::clamp(speed, 0, kMaxSpeed));

    const bool rebar = gReBarHwnd != 0;
    optPosition[0]->setEnabled(rebar);
    optPosition[1]->setEnabled(rebar);
    switch (gButtonPosition) {
    case 1:
        optPosition[0]->setChecked(true);
        break;
    case 2:
        optPosition[1]->setChecked(true);
        break;
    default:
        optPosition[2]->setChecked(true);
        break;
    }
    optFavorites[gFavoritesPosition == 1 ? 1 : 0]->setChecked(true);
    if (!rebar)
        optPosition[2]->setChecked(true);
}

void frmOptions::cmdOK_Click() {
    const QString section = UserOptionsSection();
    int minutes = 0;
    const QString logoutText = txtLogoutTime->text().trimmed();
    if (TextToLong(logoutText, &minutes)) {
        SaveSetting(section, QStringLiteral("LogoutTime"), txtLogoutTime->text());
        gLogoutTime = minutes;
    }

    SaveSetting(section, QStringLiteral("AniSpeed"), QString::number(Slider->value()));
    gAniSpeed = Slider->value();

    const int was = gButtonPosition;
    QPointer<frmButton> button(frmButton::Loaded());
    const auto toOrigin = [&button] {
        if (button)
            button->move(0, 0);
    };
    if (optPosition[0]->isChecked()) {
        modQuickLaunch::RemoveQuickLaunchShortcuts();
        if (was == 0)
            toOrigin();
        gButtonPosition = 1;
        SetWatcherWindow(gReBarHwnd);
    } else if (optPosition[1]->isChecked()) {
        bool placed = true;
        if (was != 2)
            placed = modQuickLaunch::CreateQuickLaunchSpace();
        if (placed) {
            if (was == 0)
                toOrigin();
            gButtonPosition = 2;
        } else {
            // The set-up failed and put the folder back: the button floats,
            // and the stored position must say so rather than "2".
            gButtonPosition = 0;
        }
    } else {
        modQuickLaunch::RemoveQuickLaunchShortcuts();
        gButtonPosition = 0;
    }
    PositionButton(gButtonPosition);
    SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"),
                QString::number(gButtonPosition));
    if (button)
        button->UpdatePosition();

    gFavoritesPosition = optFavorites[0]->isChecked() ? 0 : 1;
    SaveSetting(QStringLiteral("Options"), QStringLiteral("FavoritesPosition"),
                QString::number(gFavoritesPosition));
    SetFavoritesFolder(gFavoritesPosition);
    Unload();
}

void frmOptions::cmdCancel_Click() {
    Unload();
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtLogoutTime) {
        if (event->type() == QEvent::FocusIn)
            CtlGotFocus(txtLogoutTime);
        else if (event->type() == QEvent::FocusOut)
            CtlLostFocus(txtLogoutTime);
    }
    return QDialog::eventFilter(watched, event);
}
