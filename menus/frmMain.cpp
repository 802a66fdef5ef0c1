// The home menu's state, its members of the chain, and its showing,
// placement, refresh and unloading.
#include "menus/frmMain.h"

#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modTaskbar.h"
#include "menus/ChainCapture.h"
#include "menus/frmTooltip.h"
#include "platform/Latin1Text.h"
#include "platform/PointerGrab.h"
#include "platform/Taskbar.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QPainter>

#include <exception>

using namespace modGlobals;
using menus::ChainCapture;

frmMain::frmMain(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmMain"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white); // pMenu's design foreground
    setPalette(pal);

    pMenu = new menus::PictureBox(this);
    pMenu->setObjectName(QStringLiteral("pMenu"));
    picHighlight = new menus::PictureBox(this);
    picHighlight->setObjectName(QStringLiteral("picHighlight"));
    picHighlight->BackColor = QColor(0xe4, 0xe9, 0xf7);
    picHighlight->hide();
    // The canvas and the bar only show pictures; the pointer belongs to the
    // window under them.
    pMenu->setAttribute(Qt::WA_TransparentForMouseEvents);
    picHighlight->setAttribute(Qt::WA_TransparentForMouseEvents);

    picSearch = new menus::PictureBox(this);
    picSearch->setObjectName(QStringLiteral("picSearch"));
    picSearch->setMouseTracking(true);
    picSearch->setFocusPolicy(Qt::ClickFocus);
    const QSize box(platform::TwipsToPixelsX(kSearchBoxWidthTwips),
                    platform::TwipsToPixelsY(kSearchBoxHeightTwips));
    picSearch->resize(box);
    lblSearch = new QLabel(QStringLiteral("Search:"), picSearch);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->hide(); // the painted caption is what shows
    txtSearch = new QLineEdit(picSearch);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setMaxLength(50);
    txtSearch->setFrame(false);
    txtSearch->setMouseTracking(true);
    // The search icon sits at the strip's left; the text field takes the rest.
    txtSearch->setGeometry(20, 2, box.width() - 22, box.height() - 4);
    QFont f = txtSearch->font();
    f.setPixelSize(12);
    txtSearch->setFont(f);
    picSearch->installEventFilter(this);
    txtSearch->installEventFilter(this);
    // The query goes to the server in its 8-bit code page.
    platform::KeepAnsi(txtSearch);

    Timer1.setInterval(250);
    timFlash.setInterval(500);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(&timFlash, &QTimer::timeout, this, &frmMain::timFlash_Timer);
    connect(txtSearch, &QLineEdit::returnPressed, this, &frmMain::SubmitSearch);
    m_Items = std::make_shared<ItemCollection>();
}

frmMain::~frmMain() {
    if (ChainCapture::Instance().Holder() && (ChainCapture::Instance().Holder() == this ||
                                              isAncestorOf(ChainCapture::Instance().Holder())))
        ChainCapture::Instance().ReleaseCapture();
    UnloadChild();
}

namespace {

// Top-level widgets are not destroyed with the application object; the
// window lives until the process ends, like the design's single form.
QPointer<frmMain>& TheInstance() {
    static QPointer<frmMain> instance;
    return instance;
}

std::function<void(int, const QPoint&)>& InstanceContextMenu() {
    static std::function<void(int, const QPoint&)> show;
    return show;
}

} // namespace

frmMain& frmMain::Instance() {
    QPointer<frmMain>& instance = TheInstance();
    if (!instance) {
        instance = new frmMain();
        instance->ShowContextMenu = InstanceContextMenu();
    }
    return *instance;
}

void frmMain::SetInstanceContextMenu(std::function<void(int, const QPoint&)> show) {
    InstanceContextMenu() = std::move(show);
    if (TheInstance())
        TheInstance()->ShowContextMenu = InstanceContextMenu();
}

// --- members of the chain ---------------------------------------------------

void frmMain::GetCapture() {
    // An unloaded window takes nothing: a mouse-up after a click that
    // opened an item must not leave a hidden window holding the pointer.
    if (!m_Loaded)
        return;
    ChainCapture::Instance().SetCapture(this);
    m_HaveCapture = true;
}

void frmMain::ReleaseFormCapture() {
    ChainCapture::Instance().ReleaseCapture();
    m_HaveCapture = false;
}

void frmMain::CaptureSearchPicture() {
    if (!m_Loaded)
        return;
    ChainCapture::Instance().SetCapture(picSearch);
    m_SearchPicCapture = true;
}

void frmMain::ReleaseSearchPicture() {
    ChainCapture::Instance().ReleaseCapture();
    m_SearchPicCapture = false;
}

void frmMain::CaptureSearchText() {
    if (!m_Loaded)
        return;
    ChainCapture::Instance().SetCapture(txtSearch);
    m_SearchTextCapture = true;
}

void frmMain::ReleaseSearchText() {
    ChainCapture::Instance().ReleaseCapture();
    m_SearchTextCapture = false;
}

void frmMain::HighlightOldCategory() {
    if (!m_Items)
        return;
    const int row = menus::OldCategoryRow(*m_Items, m_SelIndex, m_OpenCategoryID);
    if (row > 0 && row <= RowCount()) {
        m_SelIndex = row;
        DrawHighlight();
    }
}

void frmMain::ChildClosed(QWidget* child) {
    if (child && m_ChildForm == child) {
        childSlide_.Stop();
        m_ChildForm = nullptr;
    }
}

menus::MenuLevel* frmMain::Child() const {
    return menus::AsMenuLevel(m_ChildForm.data());
}

void frmMain::UnloadChild() {
    childSlide_.Stop();
    menus::UnloadChildLevel(m_ChildForm);
}

// --- showing and placement --------------------------------------------------

void frmMain::ResetState() {
    // Nothing of an earlier opening carries over: a stale row index would
    // point into another user's (or a shorter) list.
    m_SelIndex = 0;
    m_LastRow = 0;
    m_SepRow = 0;
    m_FlashRow = -1;
    m_OpenCategoryID = 0;
    m_ReversedMenu = false;
    m_HaveCapture = m_SearchPicCapture = m_SearchTextCapture = false;
    m_ClientHeight = 0;
    m_RequestedIcons.clear();
    timFlashTag.clear();
    if (picHighlight)
        picHighlight->hide();
    // An unloaded window's text box is empty when it loads again: a search
    // typed before Esc is not offered to the next opening.
    if (txtSearch)
        txtSearch->clear();
}

int frmMain::HighlightHeightTwips(int twipsPerPixelY) {
    return twipsPerPixelY == 12 ? 260 : 300;
}

QRect frmMain::ButtonRect() const {
    const QRect r = platform::GetWindowRect(gButtonHwnd);
    const int left = GetButtonLeft() / platform::TwipsPerPixelX();
    const int top = GetButtonTop() / platform::TwipsPerPixelY();
    return QRect(left, top, r.isNull() ? 0 : r.width(), r.isNull() ? 0 : r.height());
}

void frmMain::ShowMenu() {
    // Shown again while open: the old chain and slide end first.
    slide.Stop();
    Timer1.stop();
    UnloadChild();
    ResetState();
    m_Loaded = true;
    gMainLoaded = true;
    QPointer<frmMain> self(this);
    ChainCapture::Instance().SetCloser([self] {
        if (self)
            self->Unload();
    });
    FillHomeMenu();
    PositionHomeMenu();
    CaptureSearchText();
    if (GetSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("No")) ==
        QLatin1String("Yes"))
        timFlash.start();
}

void frmMain::PositionHomeMenu() {
    const QRect button = ButtonRect();
    const QRect screen = platform::ScreenRect();
    const int H = height();
    const int W = width();
    if (H > button.top() && button.top() + button.height() + H <= screen.height()) {
        // No room above the button but room below it (the taskbar is at the
        // top of the screen).
        int left = button.left();
        if (button.left() + W > screen.width())
            left = button.left() + button.width() - W;
        m_OpenedAbove = false;
        setGeometry(left, button.top() + button.height(), W, H);
        show();
    } else {
        m_OpenedAbove = true;
        const int left = button.left();
        const int bottom = button.top();
        setGeometry(left, bottom - 1, W, 1);
        show();
        slide.Start(
            this, gAniSpeed, H, [=](int h) { return QRect(left, bottom - h, W, h); },
            QRect(left, bottom - H, W, H));
    }
    menus::BringToTop(this);
    activateWindow();
    txtSearch->setFocus();
}

void frmMain::UpdateMenu() {
    try {
        slide.Finish();
        pMenu->Image.fill(Qt::transparent);
        HideBar();
        int rememberedID = 0;
        if (m_SelIndex == menus::kSearchBoxRow)
            rememberedID = menus::kSearchBoxRow;
        else if (ItemPtr item = m_Items ? m_Items->Item(m_SelIndex) : nullptr)
            rememberedID = item->ID;
        const bool hadRow = m_SelIndex >= 1 && m_SelIndex != menus::kSearchBoxRow;
        {
            // The refetch blocks; a held X11 grab would freeze the pointer.
            platform::GrabPause pause;
            FillHomeMenu();
        }
        if (m_OpenedAbove) {
            const int bottom = ButtonRect().top();
            move(x(), bottom - height());
        }
        m_LastRow = 0;
        if (!hadRow)
            return; // the search box or nothing keeps its state
        m_SelIndex = 0;
        const int row = menus::FindRow(*m_Items, rememberedID);
        if (row > 0 && row <= RowCount()) {
            m_SelIndex = row;
            DrawHighlight();
        }
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 0, QStringLiteral("frmMain.UpdateMenu"));
    }
}

void frmMain::Unload() {
    slide.Stop();
    childSlide_.Stop();
    timFlash.stop();
    Timer1.stop();
    UnloadChild();
    menus::frmTooltip::Unload();
    m_Items = std::make_shared<ItemCollection>();
    gMainLoaded = false;
    m_Loaded = false;
    QWidget* holder = ChainCapture::Instance().Holder();
    if (holder && (holder == this || isAncestorOf(holder)))
        ChainCapture::Instance().ReleaseCapture();
    unsetCursor();
    ResetState();
    hide();
}

QPoint frmMain::ClientOrigin() const {
    const int b = skinForm.Border();
    return QPoint(b, b);
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    skinForm.PaintFrame(p, size());
}
