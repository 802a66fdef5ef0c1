// The home menu's two timers: the submenu opener (250 ms after the pointer
// settles on a category row, or at once on a click or Right arrow) and the
// flash of the hot category's name.
#include "menus/frmMain.h"

#include "core/ItemIds.h"
#include "core/modGlobals.h"
#include "menus/ChainCapture.h"
#include "menus/frmTooltip.h"
#include "platform/Twips.h"

#include <QApplication>

#include <exception>

using namespace modGlobals;

void frmMain::Timer1_Timer() {
    try {
        const QRect bar(picHighlight->mapToGlobal(QPoint(0, 0)), picHighlight->size());
        const int tppX = platform::TwipsPerPixelX();
        const int tppY = platform::TwipsPerPixelY();
        gHighlightRect = {bar.left() * tppX, bar.top() * tppY, (bar.right() + 1) * tppX,
                          (bar.bottom() + 1) * tppY};
        const int n = RowCount();
        if (n == 0 || m_SelIndex < 1 || m_SelIndex > n) {
            Timer1.stop();
            return;
        }
        const ItemPtr R = m_Items->Item(m_SelIndex);
        if (!R) {
            Timer1.stop();
            return;
        }

        if (m_ChildForm) {
            menus::MenuLevel* child = Child();
            if (child && child->IsSubmenu() && child->ParentCategoryID() == R->ID) {
                menus::BringToTop(m_ChildForm);
                if (child->HaveCapture()) {
                    HighlightOldCategory();
                    menus::BringToTop(m_ChildForm);
                }
                Timer1.stop();
                return;
            }
            // Hidden at once and deleted later: no pending events need to run
            // here (running them would let clicks into the middle of the tick).
            UnloadChild();
        }

        if (R->ID == kHotBuyCategoryId && timFlash.isActive()) {
            SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("No"));
            timFlash.stop();
            if (m_FlashRow >= 0)
                PrintName(m_FlashRow, Qt::black);
        }

        Timer1.stop();
        if (R->IsItem)
            return; // only categories have children

        // Category rows without an icon file show the icon of the home-menu
        // category the chain starts from.
        gCategoryIcon = R->Icon;
        menus::MenuLevel* level =
            menus::OpenChildLevel(m_ChildForm, this, *R, [this] { return m_Loaded; });
        if (!level)
            return;
        const QPointer<QWidget> child = m_ChildForm;

        const QRect screen = platform::ScreenRect();
        const int B = ButtonRect().top();
        // A child taller than the room above the button scrolls instead of
        // starting above the screen.
        if (height() <= B && child->height() > B)
            level->FitHeight(B);
        const int C = child->height();
        const int T = y();
        const int bottom = T + (m_SelIndex - 1) * kRowHeight + C;
        int childTop = bar.top() - 2;
        if (height() <= B) {
            if (bottom > B)
                childTop = B - C;
        } else if (bottom > screen.height() - platform::TwipsToPixelsY(menus::kBottomMarginTwips)) {
            childTop = screen.height() - C;
        }
        childTop = qMax(screen.top(), childTop); // never above the screen

        m_ReversedMenu = false;
        const int w = child->width();
        const int homeLeft = x();
        const int homeRight = x() + width();
        const int top = childTop;
        const int h = C;
        m_OpenCategoryID = R->ID;
        // Raising is enough: the window system keeps the other topmost
        // windows (the desktop button) painted.
        menus::BringToTop(child);

        QPointer<frmMain> self(this);
        auto finish = [self, child] {
            if (!self || !child)
                return;
            if (menus::MenuLevel* l = menus::AsMenuLevel(child.data()))
                if (QWidget* canvas = l->picForm())
                    canvas->move(0, canvas->y());
            // The child level gets the keyboard: its window is activated,
            // not only one of its widgets focused.
            menus::ChainCapture::Instance().GiveKeyboard(child);
        };
        if (homeRight + w <= screen.width()) {
            const int left = homeRight - platform::TwipsToPixelsX(menus::kChildOverlapTwips);
            child->setGeometry(left, top, 1, h);
            childSlide_.Start(
                child, gAniSpeed, w, [=](int i) { return QRect(left, top, i, h); },
                QRect(left, top, w, h), finish);
        } else {
            m_ReversedMenu = true;
            child->setGeometry(homeLeft, top, 1, h);
            if (QWidget* canvas = level->picForm())
                canvas->move(0, canvas->y());
            menus::BringToTop(child);
            if (gTooltipLoaded && menus::frmTooltip::Loaded())
                menus::BringToTop(menus::frmTooltip::Loaded());
            // Never past the left edge of the screen.
            const int leftmost = screen.left();
            childSlide_.Start(
                child, gAniSpeed, w,
                [=](int i) { return QRect(qMax(leftmost, homeLeft - i), top, i, h); },
                QRect(qMax(leftmost, homeLeft - w), top, w, h), finish);
        }
    } catch (const std::exception& e) {
        Timer1.stop(); // one report, not one every 250 ms
        ShowError(QString::fromLocal8Bit(e.what()), 0, QStringLiteral("frmMain.Timer1_Timer"));
    }
}

void frmMain::timFlash_Timer() {
    // Without a hot category in the list there is nothing to flash (the
    // first row is not it).
    if (m_FlashRow < 0)
        return;
    if (timFlashTag != QLatin1String("X")) {
        PrintName(m_FlashRow, FlashColor());
        timFlashTag = QStringLiteral("X");
    } else {
        PrintName(m_FlashRow, Qt::black);
        timFlashTag.clear();
    }
}
