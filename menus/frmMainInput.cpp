// The home menu's input: highlighting and capture hand-over on mouse moves,
// clicks that open items and submenus or close the menu, the keyboard walk
// through the rows and the search box, and the web search.
#include "menus/frmMain.h"

#include "core/ItemIds.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/ChainCapture.h"
#include "platform/Twips.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace modGlobals;

// --- Qt events to the handlers ---------------------------------------------

void frmMain::mouseMoveEvent(QMouseEvent* e) {
    Form_MouseMove(e->buttons(), ToClient(e->position().toPoint()));
    e->accept();
}

void frmMain::mousePressEvent(QMouseEvent* e) {
    Form_MouseDown(e->button(), ToClient(e->position().toPoint()));
    e->accept();
}

void frmMain::mouseReleaseEvent(QMouseEvent* e) {
    Form_MouseUp();
    e->accept();
}

void frmMain::mouseDoubleClickEvent(QMouseEvent* e) {
    Form_DblClick(ToClient(e->position().toPoint()));
    e->accept();
}

void frmMain::keyPressEvent(QKeyEvent* e) {
    Form_KeyDown(e->key());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t == QEvent::KeyPress) {
        // Key preview: the window sees the key before its control does;
        // then the control gets it, and the key goes no further (a key the
        // control ignores would otherwise reach the window a second time).
        QPointer<QObject> control(watched);
        Form_KeyDown(static_cast<QKeyEvent*>(event)->key());
        if (control)
            control->event(event);
        event->accept(); // stops the hand-on to the parents
        return true;
    }
    if (watched == txtSearch) {
        if (t == QEvent::FocusIn)
            txtSearch_GotFocus();
        else if (t == QEvent::FocusOut)
            txtSearch_LostFocus();
        else if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            return txtSearch_MouseDown(me->button(), me->position().toPoint());
        } else if (t == QEvent::MouseMove) {
            txtSearch_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        }
        return false;
    }
    if (watched == picSearch) {
        if (t == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            picSearch_MouseDown(me->button(), me->position().toPoint());
            return true;
        }
        if (t == QEvent::MouseMove) {
            picSearch_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        if (t == QEvent::MouseButtonRelease)
            return true;
    }
    return false;
}

// --- mouse ------------------------------------------------------------------

void frmMain::HighlightRow(int row) {
    m_SelIndex = row;
    DrawHighlight();
}

void frmMain::Form_MouseMove(Qt::MouseButtons, const QPoint& c) {
    if (!m_Loaded)
        return;
    // A level of the chain turned to the left may lie over this window: the
    // pointer is on that level, not on the rows hidden under it.
    QWidget* above = menus::ChainWindowAt(mapToGlobal(c + ClientOrigin()));
    if (above && above != this && menus::IsBelowInChain(above, this)) {
        ReleaseFormCapture();
        if (menus::MenuLevel* level = menus::AsMenuLevel(above))
            level->GetCapture();
        return;
    }
    GetCapture();
    const int row = RowAt(c.y());
    const int n = RowCount();
    const QRect strip = StripRect();
    if (!strip.contains(c))
        unsetCursor();
    if (c.x() >= 0 && c.x() < width() && row >= 1 && row <= n) {
        GetCapture();
        const ItemPtr item = m_Items->Item(row);
        if (item && item->ID != kSeparatorId) {
            if (row != m_LastRow) {
                m_LastRow = row;
                HighlightRow(row);
                menus::BringToTop(m_ChildForm);
                Timer1.start(); // the hover delay starts anew
                ++Timer1Starts;
            }
        } else {
            RedrawSearchArea();
            HideBar();
            Timer1.stop();
            m_LastRow = 0;
        }
        return;
    }
    if (strip.contains(c)) {
        ReleaseFormCapture();
        menus::MenuLevel* child = Child();
        if (m_ChildForm && !(child && child->ParentCategoryID() == kSearchWindowCategoryId))
            UnloadChild();
        HideBar();
        Timer1.stop();
        m_LastRow = 0;
        return;
    }
    if (!m_HaveCapture)
        return;
    if (!m_ChildForm) {
        if (row <= n) {
            RedrawSearchArea();
            Timer1.stop();
            m_LastRow = 0;
        }
    } else {
        const QPoint screen = mapToGlobal(c + ClientOrigin());
        if (menus::InsideOrOnEdge(m_ChildForm->frameGeometry(), screen)) {
            ReleaseFormCapture();
            if (menus::MenuLevel* level = Child())
                level->GetCapture();
        }
    }
    const ItemPtr selected =
        (m_SelIndex >= 1 && m_SelIndex <= n) ? m_Items->Item(m_SelIndex) : nullptr;
    if (selected && selected->IsItem) {
        UnloadChild();
        HideBar();
        m_SelIndex = 0;
        m_LastRow = 0;
    }
}

void frmMain::Form_MouseDown(Qt::MouseButton button, const QPoint& c) {
    if (!m_Loaded)
        return;
    const int clientW = m_ClientWidth / platform::TwipsPerPixelX();
    const int clientH = m_ClientHeight / platform::TwipsPerPixelY();
    if (c.x() < 0 || c.y() < 0 || c.x() > clientW || c.y() > clientH) {
        ReleaseFormCapture();
        Timer1.stop();
        Unload(); // unloads the open child with it
        return;
    }
    if (SearchButtonRect().contains(c)) {
        SubmitSearch();
        return;
    }
    const int row = RowAt(c.y());
    const int n = RowCount();
    const ItemPtr item = (row >= 1 && row <= n) ? m_Items->Item(row) : nullptr;
    if (button == Qt::RightButton) {
        if (item && row <= m_SepRow) {
            // The commands act on the row that was clicked.
            if (m_SelIndex != row)
                HighlightRow(row);
            m_LastRow = row;
            if (ShowContextMenu)
                ShowContextMenu(row, mapToGlobal(c + ClientOrigin()));
        }
        if (!m_Loaded)
            return;
        ReleaseFormCapture();
        GetCapture();
        Timer1.stop();
        return;
    }
    if (c.x() > 0 && c.x() < width() && item) {
        if (item->IsItem && item->ID != kSeparatorId) {
            // The row clicked, not whatever m_SelIndex held (kSearchBoxRow after the
            // search box, or a row left behind by the keyboard).
            OpenItem(item, QString());
            return;
        }
        if (!item->IsItem && item->ID > 0) {
            if (!m_ChildForm) {
                Timer1.stop();
                if (m_SelIndex != row)
                    HighlightRow(row);
                m_LastRow = row;
                Timer1_Timer();
            }
            return;
        }
    }
    ReleaseFormCapture();
    GetCapture();
}

void frmMain::Form_MouseUp() {
    if (!m_Loaded)
        return;
    ReleaseFormCapture();
    GetCapture();
}

void frmMain::Form_DblClick(const QPoint& c) {
    if (!m_Loaded)
        return;
    const int row = RowAt(c.y());
    const ItemPtr item = (row >= 1 && row <= RowCount()) ? m_Items->Item(row) : nullptr;
    // Any row but the divider: a double click on a category opens it like an
    // item (its redirect page), and the menu closes.
    if (item && item->ID != kSeparatorId)
        OpenItem(item, QString());
}

// --- the search strip and the text box ---------------------------------------

void frmMain::picSearch_MouseDown(Qt::MouseButton button, const QPoint& p) {
    const QRect r(QPoint(0, 0), picSearch->size());
    if (p.x() < 0 || p.y() < 0 || p.x() > r.width() || p.y() > r.height()) {
        Form_MouseDown(button, p + StripRect().topLeft());
        return;
    }
    ReleaseSearchPicture();
    CaptureSearchPicture();
}

void frmMain::picSearch_MouseMove(const QPoint& p) {
    if (!m_Loaded)
        return;
    if (!m_SearchPicCapture) {
        CaptureSearchPicture();
        return;
    }
    CaptureSearchPicture();
    if (txtSearch->geometry().contains(p)) {
        ReleaseSearchPicture();
        CaptureSearchText();
    } else if (p.x() < 0 || p.y() < 0 || p.x() > picSearch->width() ||
               p.y() > picSearch->height()) {
        ReleaseSearchPicture();
        GetCapture();
    }
}

bool frmMain::txtSearch_MouseDown(Qt::MouseButton button, const QPoint& p) {
    if (!QRect(QPoint(0, 0), txtSearch->size()).contains(p)) {
        Form_MouseDown(button, p + txtSearch->pos() + StripRect().topLeft());
        return true; // not the text box's click
    }
    ReleaseSearchText();
    CaptureSearchText();
    return false;
}

void frmMain::txtSearch_MouseMove(const QPoint& p) {
    if (!m_Loaded)
        return;
    if (!m_SearchTextCapture) {
        CaptureSearchText();
        return;
    }
    CaptureSearchText();
    if (!m_ChildForm) {
        const QPoint w = p + txtSearch->pos() + StripRect().topLeft();
        if (w.x() >= 0 && w.x() < width() && w.y() >= 0 && w.y() < StripRect().top()) {
            ReleaseSearchText();
            GetCapture();
        }
    } else {
        ReleaseSearchText();
    }
}

void frmMain::txtSearch_GotFocus() {
    if (!m_Loaded)
        return;
    HideBar();
    UnloadChild();
    DrawSearchBox();
    m_SelIndex = menus::kSearchBoxRow;
    CtlGotFocus(txtSearch);
}

void frmMain::txtSearch_LostFocus() {
    CtlLostFocus(txtSearch);
}

void frmMain::FocusSearchBox() {
    activateWindow();
    txtSearch->setFocus();
    // The window system may hand over the focus later, or the box had it
    // all along: the state follows the keyboard at once.
    if (m_SelIndex != menus::kSearchBoxRow) {
        HideBar();
        UnloadChild();
        DrawSearchBox();
        m_SelIndex = menus::kSearchBoxRow;
    }
}

void frmMain::SubmitSearch() {
    const QString text = txtSearch->text();
    if (text.isEmpty() || !m_Loaded)
        return;
    // Every character that means something in an address is encoded (a
    // "#" would cut the query and the user id off), the space still as "+".
    modInternet::OpenServerPage(QStringLiteral("../../Search/search.asp?query=") +
                                modInternet::QueryEncode(text) + QStringLiteral("&UserID=") +
                                QString::number(gUserID));
    Unload();
}

// --- keyboard ---------------------------------------------------------------

void frmMain::Form_KeyDown(int key) {
    if (!m_Loaded)
        return;
    const int n = RowCount();
    auto isDivider = [this](int row) {
        const ItemPtr item = m_Items->Item(row);
        return !item || item->ID == kSeparatorId;
    };
    switch (key) {
    case Qt::Key_Up: {
        if (n == 0)
            return; // an empty menu has nowhere to go
        if (picHighlight->isHidden() && m_SelIndex == 0) {
            FocusSearchBox();
            return;
        }
        int row = (m_SelIndex == menus::kSearchBoxRow || m_SelIndex > n) ? n : m_SelIndex - 1;
        while (row >= 1 && isDivider(row))
            --row;
        if (row < 1) {
            FocusSearchBox();
            return;
        }
        HighlightRow(row);
        m_LastRow = row;
        break;
    }
    case Qt::Key_Down: {
        if (n == 0)
            return;
        if (m_SelIndex == n) {
            FocusSearchBox();
            return;
        }
        int row = (m_SelIndex == menus::kSearchBoxRow || m_SelIndex < 0 || m_SelIndex > n)
                      ? 1
                      : m_SelIndex + 1;
        while (row <= n && isDivider(row))
            ++row;
        if (row > n) {
            FocusSearchBox();
            return;
        }
        HighlightRow(row);
        m_LastRow = row;
        break;
    }
    case Qt::Key_Right: {
        if (picHighlight->isHidden() || m_SelIndex < 1 || m_SelIndex > n)
            return;
        const ItemPtr item = m_Items->Item(m_SelIndex);
        if (item && !item->IsItem)
            Timer1_Timer();
        if (menus::MenuLevel* child = Child())
            child->KeyboardHighlight();
        break;
    }
    case Qt::Key_Escape:
        Unload();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // Only the row the bar shows: a row left behind by the divider or
        // the search box is not what the user sees highlighted.
        if (picHighlight->isHidden() || m_SelIndex < 1 || m_SelIndex > n)
            return;
        const ItemPtr item = m_Items->Item(m_SelIndex);
        if (item && item->IsItem && item->ID != kSeparatorId)
            OpenItem(item, QString());
        break;
    }
    default:
        break;
    }
}
