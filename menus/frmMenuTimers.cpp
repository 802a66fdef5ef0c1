// The submenu window's two timers: the opener of the next level (250 ms
// after the pointer settles on a category row, or at once on a click or the
// Right arrow) and the tooltip of the highlighted row (100 ms after the
// highlight settles).
#include "menus/frmMenu.h"

#include "core/modGlobals.h"
#include "menus/ChainCapture.h"
#include "menus/Layout.h"
#include "menus/RowPainter.h"
#include "menus/frmTooltip.h"
#include "platform/Taskbar.h"
#include "platform/Twips.h"

#include <exception>

using namespace modGlobals;
using menus::kRowHeight;

void frmMenu::HideTooltip() {
    menus::frmTooltip::Unload();
}

void frmMenu::Timer1_Timer() {
    try {
        const ItemPtr item = Selected();
        if (m_ChildForm) {
            menus::MenuLevel* child = menus::AsMenuLevel(m_ChildForm.data());
            if (child && child->IsSubmenu() &&
                ((item && item->ID == child->ParentCategoryID()) || child->HaveCapture())) {
                if (child->HaveCapture())
                    HighlightOldCategory();
                menus::BringToTop(m_ChildForm);
                Timer1.stop();
                return;
            }
            UnloadChild();
        }
        Timer1.stop();
        // Only a category row that is there opens a child.
        if (!item || item->IsItem)
            return;
        menus::MenuLevel* level =
            menus::OpenChildLevel(m_ChildForm, this, *item, [this] { return !m_Unloaded; });
        if (level)
            PlaceChild(m_ChildForm, level, *item);
    } catch (const std::exception& e) {
        // One report, not one every 250 ms.
        Timer1.stop();
        ShowError(QString::fromLocal8Bit(e.what()), 0, QStringLiteral("frmMenu.Timer1_Timer"));
    }
}

void frmMenu::PlaceChild(QWidget* child, menus::MenuLevel* level, const clsItem& item) {
    const QRect screen = platform::ScreenRect();
    const int tppY = platform::TwipsPerPixelY();
    // Where a child rests at the latest: on a taskbar along the bottom, else
    // on the usable bottom the button has read.
    const QRect tray = platform::GetWindowRect(gTrayHwnd);
    const bool trayAtBottom =
        !tray.isNull() && tray.width() > tray.height() && tray.top() > screen.height() / 2;
    const bool trayElsewhere = !tray.isNull() && !trayAtBottom;
    int rest =
        trayAtBottom ? tray.top() : (gScreenBottom > 0 ? gScreenBottom / tppY : screen.height());
    if (trayElsewhere)
        rest = screen.height();
    // Taller than the room there is: the child scrolls instead of starting
    // above the screen.
    if (child->height() > rest)
        level->FitHeight(rest);
    const int C = child->height();
    const int rowTop = y() + m_canvas->y() + kRowHeight * (m_SelIndex - 1);
    int top = rowTop;
    if (trayElsewhere) {
        if (rowTop + C > screen.height() - platform::TwipsToPixelsY(menus::kBottomMarginTwips))
            top = screen.height() - C;
    } else if (rowTop + C > rest) {
        top = rest - C;
    }
    top = qMax(screen.top(), top);
    m_OpenCategoryID = item.ID;

    const menus::MenuLevel* parent = menus::AsMenuLevel(m_ParentForm.data());
    const int W = child->width();
    const int h = C;
    const bool left = (parent && parent->ReversedMenu()) || x() + width() + W > screen.width();
    QRect final;
    menus::Slide::Geometry geometry;
    if (!left) {
        const int l = x() + width() - platform::TwipsToPixelsX(menus::kChildOverlapTwips);
        final = QRect(l, top, W, h);
        geometry = [=](int w) { return QRect(l, top, w, h); };
    } else {
        // Left from here on, for this branch: the child reads this flag.
        m_ReversedMenu = true;
        const int right = x();
        // Never past the left edge of the screen.
        const int l = qMax(screen.left(), right - W);
        final = QRect(l, top, W, h);
        geometry = [=](int w) { return QRect(qMax(screen.left(), right - w), top, w, h); };
    }
    child->setGeometry(geometry(1));
    if (QWidget* canvas = level->picForm())
        canvas->move(canvas->x() < 0 ? 0 : canvas->x(), canvas->y());
    menus::BringToTop(child);
    if (gTooltipLoaded && menus::frmTooltip::Loaded())
        menus::BringToTop(menus::frmTooltip::Loaded());

    QPointer<frmMenu> self(this);
    QPointer<QWidget> target(child);
    childSlide_.Start(child, gAniSpeed, W, geometry, final, [self, target] {
        // A child closed during its slide never gets here.
        if (!self || !target || self->m_ChildForm != target)
            return;
        self->Timer1.stop();
        self->ReleaseFormCapture();
        if (menus::MenuLevel* l = menus::AsMenuLevel(target.data()))
            l->GetCapture();
        if (!target)
            return;
        // The child level gets the keyboard: its window is activated, not
        // only one of its widgets focused.
        menus::ChainCapture::Instance().GiveKeyboard(target);
        menus::BringToTop(target);
        if (gTooltipLoaded && menus::frmTooltip::Loaded())
            menus::BringToTop(menus::frmTooltip::Loaded());
        self->unsetCursor();
    });
}

void frmMenu::timTooltip_Timer() {
    timTooltip.stop();
    try {
        const ItemPtr item = Selected();
        QString text;
        if (!m_SearchText.isEmpty()) {
            if (!item || item->ID <= 0 || item->ParentID <= 0)
                return;
            text = item->Description;
            if (text.isEmpty())
                text = GetCategoryPath(item->ParentID) + QStringLiteral(" > ");
        } else if (item) {
            text = item->Description;
        }
        if (text.isEmpty() || picHighlight->isHidden())
            return;
        const QRect bar(picHighlight->mapToGlobal(QPoint(0, 0)), picHighlight->size());
        menus::frmTooltip::ShowAt(text, bar);
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 0, QStringLiteral("frmMenu.timTooltip_Timer"));
    }
}
