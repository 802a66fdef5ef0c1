#include "menus/frmTooltip.h"

#include "core/modGlobals.h"
#include "menus/MenuLevel.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QPainter>

using namespace modGlobals;

namespace menus {

namespace {
QPointer<frmTooltip> g_tooltip;
}

frmTooltip::frmTooltip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setObjectName(QStringLiteral("frmTooltip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
    setPalette(pal);
    setAutoFillBackground(true);
    // Design: client 1080 x 225 twips, label at 60 twips from the left.
    resize(platform::TwipsToPixelsX(1080) + 2, platform::TwipsToPixelsY(225) + 2);
    lblTooltip = new QLabel(QStringLiteral("ToolTipText"), this);
    lblTooltip->setObjectName(QStringLiteral("lblTooltip"));
    lblTooltip->setPalette(pal);
    lblTooltip->setTextFormat(Qt::PlainText);
    lblTooltip->move(platform::TwipsToPixelsX(60) + 1, 1);
    lblTooltip->resize(platform::TwipsToPixelsX(855), platform::TwipsToPixelsY(195));
    Form_Load();
}

frmTooltip::~frmTooltip() {
    if (g_tooltip == this)
        Form_Unload();
}

void frmTooltip::Form_Load() {
    gTooltipLoaded = true;
}
void frmTooltip::Form_Unload() {
    gTooltipLoaded = false;
}

frmTooltip& frmTooltip::Load() {
    if (!g_tooltip)
        g_tooltip = new frmTooltip();
    return *g_tooltip;
}

frmTooltip* frmTooltip::Loaded() {
    return g_tooltip;
}

void frmTooltip::Unload() {
    if (!g_tooltip)
        return;
    frmTooltip* t = g_tooltip;
    g_tooltip = nullptr;
    t->hide();
    gTooltipLoaded = false;
    t->deleteLater();
}

void frmTooltip::paintEvent(QPaintEvent*) {
    // The fixed single border of the design.
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmTooltip::PlaceAbove(const QRect& anchor) {
    // The label's own width and 12 pixels: its left offset and the border
    // are inside those 12.
    const int width = lblTooltip->width() + 12;
    const int height = lblTooltip->height() + 2;
    resize(width, height);
    const QRect screen = platform::ScreenRect();
    int left = anchor.left();
    if (left + width > screen.right() + 1)
        left = screen.right() + 1 - width;
    move(left, anchor.top() - height);
}

void frmTooltip::ShowAt(const QString& text, const QRect& anchor) {
    frmTooltip& t = Load();
    // A plain-text label shows "&" as it stands, which is what the doubling
    // of ampersands achieves with an access-key label.
    t.lblTooltip->setText(text);
    t.lblTooltip->adjustSize();
    t.lblTooltip->resize(t.lblTooltip->width(),
                         qMax(t.lblTooltip->height(), platform::TwipsToPixelsY(195)));
    t.PlaceAbove(anchor);
    t.show();
    BringToTop(&t);
}

} // namespace menus
