// The form panel's input: the mouse shared with its own fields and lists and
// with the windows above it in the chain, the focus colours, and Submit.
#include "menus/frmForm.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/ChainCapture.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace modGlobals;

bool frmForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (watched == picFormBox) {
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            picForm_MouseDown(me->button(), me->position().toPoint());
            return true;
        }
        if (t == QEvent::MouseMove) {
            picForm_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        return false;
    }
    if (t == QEvent::KeyPress) {
        // The Submit button is the panel's default button: Enter in a field
        // or on a closed list submits.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && cmdSubmit->isVisible()) {
            cmdSubmit_Click();
            return true;
        }
        return false;
    }
    // A drop-down list or a text menu opening takes the focus only for as
    // long as it is open: the control keeps its colours.
    const bool lost = t == QEvent::FocusOut &&
                      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
                      !QApplication::activePopupWidget();
    if (auto* field = qobject_cast<QLineEdit*>(watched)) {
        if (t == QEvent::FocusIn)
            txtField_GotFocus(field);
        else if (lost)
            txtField_LostFocus(field);
    } else if (auto* list = qobject_cast<menus::FormCombo*>(watched)) {
        if (lost)
            cboSelect_LostFocus(list);
    }
    return false;
}

// --- mouse ------------------------------------------------------------------

void frmForm::picForm_MouseDown(Qt::MouseButton, const QPoint& p) {
    if (p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height()) {
        ReleaseFormCapture();
        CloseChain();
        return;
    }
    // A click on the background keeps the panel tracking.
    ReleaseFormCapture();
    GetCapture();
}

void frmForm::picForm_MouseMove(const QPoint& p) {
    if (m_Unloaded)
        return;
    // Over a field, a list or the button the control itself gets the pointer
    // (typing, clicking, opening the list); a move over the background takes
    // the capture back. A control passes the moves it does not use on to
    // the panel: those must not take the capture back either, or the next
    // click on the control would reach the panel instead.
    auto over = [&p](const QWidget* control) {
        const QRect r = control->geometry();
        return p.x() >= r.left() && p.x() <= r.left() + r.width() && p.y() >= r.top() &&
               p.y() <= r.top() + r.height();
    };
    bool onControl = cmdSubmit->isVisible() && over(cmdSubmit);
    for (size_t i = 1; i < txtField.size(); ++i)
        onControl = onControl || over(txtField[i]);
    for (size_t i = 1; i < cboSelect.size(); ++i)
        onControl = onControl || over(cboSelect[i]);
    if (onControl) {
        ReleaseFormCapture();
        return;
    }
    if (!m_HaveCapture) {
        GetCapture();
        return;
    }
    IsPointOverChain(m_ParentForm, p);
}

void frmForm::IsPointOverChain(QWidget* window, const QPoint& p) {
    const QPoint screen = picFormBox->mapToGlobal(p);
    // Where the panel lies over a window above it in the chain (the strip
    // where it meets its parent, or all of it when it opened to the left),
    // the pointer is on the panel.
    if (frameGeometry().contains(screen))
        return;
    int guard = 0;
    while (window && guard++ < 64) {
        if (menus::InsideOrOnEdge(window->frameGeometry(), screen)) {
            ReleaseFormCapture();
            // Our own parent takes it; it passes the capture further up by
            // its own mouse handling.
            if (menus::MenuLevel* parent = menus::AsMenuLevel(m_ParentForm.data()))
                parent->GetCapture();
            return;
        }
        menus::MenuLevel* level = menus::AsMenuLevel(window);
        window = level ? level->ParentForm() : nullptr;
    }
}

void frmForm::CloseChain() {
    // The home menu at the root of the chain: its unload closes every window
    // with this one.
    QPointer<QWidget> root = this;
    int guard = 0;
    while (guard++ < 64) {
        menus::MenuLevel* level = menus::AsMenuLevel(root.data());
        QWidget* up = level ? level->ParentForm() : nullptr;
        if (!up)
            break;
        root = up;
    }
    if (menus::MenuLevel* level = menus::AsMenuLevel(root.data()))
        level->Unload();
    Unload(); // without a home menu above (or should it have kept us)
}

// --- focus colours ------------------------------------------------------------

void frmForm::txtField_GotFocus(QLineEdit* field) {
    CtlGotFocus(field);
}

void frmForm::txtField_LostFocus(QLineEdit* field) {
    CtlLostFocus(field);
}

void frmForm::cboSelect_DropDown(menus::FormCombo* list) {
    // A list is coloured when it drops down, not when it merely has the
    // focus.
    CtlGotFocus(list);
}

void frmForm::cboSelect_LostFocus(menus::FormCombo* list) {
    CtlLostFocus(list);
}

// --- Submit -----------------------------------------------------------------

QString frmForm::SubmitAddress() const {
    QString url = m_SubmitURL + QLatin1Char('?');
    for (int i = 0; i < m_HiddenCount; ++i)
        url += QLatin1Char('&') + m_Hidden[static_cast<size_t>(i)];
    // Typed text is encoded: an "&" or "#" in it would otherwise split or
    // cut the query. Names and values are the file's and go as they stand.
    for (size_t i = 1; i < txtField.size(); ++i)
        url += QLatin1Char('&') + Tag(txtField[i]) + QLatin1Char('=') +
               modInternet::QueryEncode(txtField[i]->text());
    for (size_t k = 1; k < cboSelect.size(); ++k) {
        url += QLatin1Char('&') + Tag(cboSelect[k]) + QLatin1Char('=');
        const int selected = cboSelect[k]->currentIndex();
        const QStringList& values = m_SelectValues[k];
        if (selected >= 0 && selected < values.size())
            url += values[selected];
    }
    return url;
}

void frmForm::cmdSubmit_Click() {
    if (m_Unloaded)
        return;
    // Only web addresses reach the browser: a path, "file:" or
    // "javascript:" address would start a program or open a local file.
    const QString address = menus::BrowserAddress(SubmitAddress());
    if (!address.isEmpty())
        modInternet::OpenDocument(address);
    CloseChain();
}
