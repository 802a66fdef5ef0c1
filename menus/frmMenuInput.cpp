// The submenu window's input: which row lies under the pointer (only rows
// that can be seen between the scroll strips count), highlighting and the
// hover delay of the opener, the capture hand-over up and down the chain,
// scrolling under the strips, clicks, the context menu and the keyboard walk.
#include "menus/frmMenu.h"

#include "core/ItemIds.h"
#include "core/modGlobals.h"
#include "menus/ChainCapture.h"
#include "menus/RowPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>

using namespace modGlobals;
using menus::kRowHeight;

namespace {

bool Selectable(const ItemPtr& item) {
    return item && CanBeSelected(*item);
}

} // namespace

// --- Qt events to the handlers ---------------------------------------------

void frmMenu::mouseMoveEvent(QMouseEvent* e) {
    picForm_MouseMove(CanvasFromWindow(e->position().toPoint()));
    e->accept();
}

void frmMenu::mousePressEvent(QMouseEvent* e) {
    picForm_MouseDown(e->button(), CanvasFromWindow(e->position().toPoint()));
    e->accept();
}

void frmMenu::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
}

void frmMenu::mouseDoubleClickEvent(QMouseEvent* e) {
    picForm_DblClick();
    e->accept();
}

void frmMenu::keyPressEvent(QKeyEvent* e) {
    Form_KeyDown(e->key());
}

// --- mouse ------------------------------------------------------------------

void frmMenu::OpenRow(const ItemPtr& item) {
    // OpenItem closes the chain, this window with it (deleted later).
    OpenItem(item, m_SearchText);
}

void frmMenu::picForm_MouseDown(Qt::MouseButton button, const QPoint& c) {
    if (m_Unloaded)
        return;
    const QPoint w = c + m_canvas->pos();
    if (w.x() < 0 || w.y() < 0 || w.x() >= width() || w.y() >= height()) {
        // Outside the window (below it, on the taskbar): the whole chain
        // closes and nothing opens.
        ReleaseFormCapture();
        Timer1.stop();
        CloseChain();
        return;
    }
    const int row =
        menus::VisibleRowAt(c, m_canvas->width(), RowCount(), VisibleTop(), VisibleBottom());
    const ItemPtr item = row > 0 ? m_Items->Item(row) : nullptr;
    if (button != Qt::RightButton) {
        if (!item) {
            ReleaseFormCapture();
            GetCapture();
        } else if (OpensOnClick(*item)) {
            HideTooltip();
            OpenRow(item);
        } else if (item->ID > 0 && !m_ChildForm) {
            Timer1.stop();
            if (m_SelIndex != row) {
                m_SelIndex = row;
                m_LastRow = row;
                DrawHighlight();
            }
            Timer1_Timer();
        } else {
            ReleaseFormCapture();
            GetCapture();
        }
        return;
    }
    if (!item || item->ID <= 0)
        return;
    Timer1.stop();
    // The commands act on this row, whatever m_SelIndex holds meanwhile.
    m_ContextRow = row;
    if (m_SelIndex != row) {
        m_SelIndex = row;
        m_LastRow = row;
        DrawHighlight();
    }
    mnuContextAdd->setEnabled(!item->IsAboveLine);
    if (PopupMenu)
        PopupMenu(mapToGlobal(w));
}

void frmMenu::picForm_MouseMove(const QPoint& c) {
    if (m_Unloaded)
        return;
    const QPoint w = c + m_canvas->pos();
    const bool across = w.x() >= 0 && w.x() < width();
    auto onStrip = [&](const menus::PictureBox* strip) {
        return strip->isVisible() && across && w.y() >= strip->y() &&
               w.y() <= strip->y() + strip->height() - 1;
    };
    // A deeper level turned to the left may lie over this window: the
    // pointer is on that level, not on the rows hidden under it.
    if (HandToLevelAbove(mapToGlobal(w)))
        return;
    if (onStrip(picScrollUp)) {
        ScrollUp();
        return;
    }
    if (onStrip(picScrollDown)) {
        ScrollDown();
        return;
    }
    const int row =
        menus::VisibleRowAt(c, m_canvas->width(), RowCount(), VisibleTop(), VisibleBottom());
    if (row > 0) {
        picScrollUp->BorderStyle = picScrollDown->BorderStyle = 0;
        const ItemPtr item = m_Items->Item(row);
        if (!Selectable(item)) {
            HideBar();
            Timer1.stop();
            HideTooltip();
            UnloadChild();
            m_LastRow = 0;
            return;
        }
        if (row != m_LastRow || picHighlight->isHidden()) {
            GetCapture();
            m_SelIndex = row;
            DrawHighlight();
            m_LastRow = row;
            Timer1.stop();
            if (!item->IsItem)
                Timer1.start(); // the hover delay before the child opens
            else
                UnloadChild();
        }
        return;
    }
    if (IsOverParentMenu(m_ParentForm, c))
        return;
    if (!m_ChildForm) {
        const ItemPtr selected = Selected();
        if (selected && selected->IsItem) {
            HideBar();
            HideTooltip();
        }
        return;
    }
    const QPoint screen = mapToGlobal(w);
    if (m_ChildForm->frameGeometry().contains(screen)) {
        QPointer<QWidget> child = m_ChildForm;
        ReleaseFormCapture();
        if (menus::MenuLevel* level = menus::AsMenuLevel(child.data()))
            level->GetCapture();
        menus::ChainCapture::Instance().GiveKeyboard(child);
        HideTooltip();
    }
}

bool frmMenu::HandToLevelAbove(const QPoint& screen) {
    QWidget* top = menus::ChainWindowAt(screen);
    if (!top || top == this || !menus::IsBelowInChain(top, this))
        return false;
    QPointer<QWidget> level = top;
    ReleaseFormCapture();
    if (menus::MenuLevel* l = menus::AsMenuLevel(level.data()))
        l->GetCapture();
    menus::ChainCapture::Instance().GiveKeyboard(level);
    HideTooltip();
    return true;
}

bool frmMenu::IsOverParentMenu(QWidget* form, const QPoint& c) {
    const QPoint screen = mapToGlobal(c + m_canvas->pos());
    QWidget* over = menus::WindowUnderPointInChain(form, screen);
    if (!over)
        return false;
    ReleaseFormCapture();
    const ItemPtr selected = Selected();
    if (selected && selected->IsItem) {
        HideBar();
        m_SelIndex = 0;
    }
    Timer1.stop();
    // The window under the pointer takes the capture at once, so that a
    // click that follows the move is its own and not lost between holders.
    if (menus::MenuLevel* level = menus::AsMenuLevel(over))
        level->GetCapture();
    return true;
}

void frmMenu::picForm_DblClick() {
    const ItemPtr item = Selected();
    if (!item)
        return;
    HideTooltip();
    OpenRow(item);
}

// --- scrolling ----------------------------------------------------------------

void frmMenu::ScrollUp() {
    const int top = picScrollUp->y() + picScrollUp->height();
    if (top <= m_canvas->y()) {
        m_canvas->move(m_canvas->x(), top);
        picScrollUp->BorderStyle = 0;
        picScrollUp->hide();
        HideTooltip();
        RequestIconsInSight();
        return;
    }
    ScrollStep(+1);
}

void frmMenu::ScrollDown() {
    const int b = skinForm.Border();
    const int clientBottom = b + height() - 2 * b;
    if (m_canvas->y() + m_canvas->height() <= clientBottom) {
        picScrollDown->BorderStyle = 0;
        picScrollDown->hide();
        HideTooltip();
        return;
    }
    ScrollStep(-1);
}

void frmMenu::ScrollStep(int direction) {
    // One row per pointer event, pixel by pixel; never past either end.
    UnloadChild();
    Timer1.stop();
    menus::PictureBox* other = direction > 0 ? picScrollDown : picScrollUp;
    menus::PictureBox* self = direction > 0 ? picScrollUp : picScrollDown;
    other->show();
    self->BorderStyle = 1;
    self->update();
    const int b = skinForm.Border();
    const int highest = picScrollUp->y() + picScrollUp->height();
    const int lowest = b + height() - 2 * b - m_canvas->height();
    for (int i = 0; i < kRowHeight; ++i) {
        const int y = qBound(qMin(lowest, highest), m_canvas->y() + direction, highest);
        if (y == m_canvas->y())
            break;
        m_canvas->move(m_canvas->x(), y);
        repaint();
    }
    HideTooltip();
    RequestIconsInSight();
}

void frmMenu::ShowRowInView(int row) {
    if (!m_Scrolls || row < 1)
        return;
    const int b = skinForm.Border();
    const int strip = picScrollUp->height();
    const int clientBottom = b + height() - 2 * b;
    const int highest = b + strip;
    const int lowest = qMin(highest, clientBottom - m_canvas->height());
    int y = m_canvas->y();
    const int rowTop = y + (row - 1) * kRowHeight;
    const int viewTop = b + strip;
    const int viewBottom = clientBottom - strip;
    if (rowTop < viewTop)
        y += viewTop - rowTop;
    else if (rowTop + kRowHeight > viewBottom)
        y -= rowTop + kRowHeight - viewBottom;
    y = qBound(lowest, y, highest);
    m_canvas->move(m_canvas->x(), y);
    // A strip shows while rows lie beyond it.
    picScrollUp->setVisible(y < highest);
    picScrollDown->setVisible(y + m_canvas->height() > clientBottom);
    picScrollUp->BorderStyle = picScrollDown->BorderStyle = 0;
    repaint();
    RequestIconsInSight();
}

// --- keyboard ---------------------------------------------------------------

void frmMenu::Form_KeyDown(int key) {
    if (m_Unloaded)
        return;
    const int n = RowCount();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const ItemPtr first = m_Items->Item(1);
        if (!first || first->ID == 0 || IsLabelId(first->ID))
            return;
        if (key == Qt::Key_Up && m_SelIndex == 0)
            return; // no highlight: Up stays where it is
        // One step (over a separator), wrapping at either end, and on to the
        // next row that can carry the highlight; none: nothing changes.
        const int step = key == Qt::Key_Up ? -1 : 1;
        int row = m_SelIndex;
        for (int tries = 0; tries < n; ++tries) {
            row += step;
            if (row < 1)
                row = n;
            else if (row > n)
                row = 1;
            if (Selectable(m_Items->Item(row)))
                break;
        }
        if (!Selectable(m_Items->Item(row)) || row == m_SelIndex)
            return;
        Timer1.stop();
        m_SelIndex = row;
        m_LastRow = row;
        ShowRowInView(row);
        DrawHighlight();
        break;
    }
    case Qt::Key_Right: {
        if (picHighlight->isHidden())
            return;
        const ItemPtr item = Selected();
        if (item && !item->IsItem)
            Timer1_Timer();
        if (menus::MenuLevel* child = menus::AsMenuLevel(m_ChildForm.data()))
            child->KeyboardHighlight();
        break;
    }
    case Qt::Key_Left:
    case Qt::Key_Escape:
        Unload();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const ItemPtr item = picHighlight->isHidden() ? nullptr : Selected();
        if (item && item->IsItem && Selectable(item)) {
            HideTooltip();
            OpenRow(item);
        }
        break;
    }
    default:
        break;
    }
}
