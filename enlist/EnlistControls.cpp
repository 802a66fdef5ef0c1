#include "enlist/EnlistControls.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>

EnlistTextBox::EnlistTextBox(QWidget* parent) : QLineEdit(parent) {}

void EnlistTextBox::SetTextUncut(const QString& text) {
    if (text.size() > maxLength())
        setMaxLength(text.size());
    setText(text);
}

void EnlistTextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // QLineEdit selects the whole text when reached with Tab; the wizard's
    // boxes are highlighted but keep the text unselected.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason)
        deselect();
    // A context menu closing hands the focus back; that is no new focus.
    if (reason != Qt::PopupFocusReason)
        emit GotFocus();
}

void EnlistTextBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit LostFocus();
}

void EnlistTextBox::keyPressEvent(QKeyEvent* event) {
    int keyAscii = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        keyAscii = 13;
    else if (!event->text().isEmpty())
        keyAscii = event->text().at(0).unicode();
    if (keyAscii != 0 && KeyPress) {
        KeyPress(keyAscii);
        if (keyAscii == 0) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

EnlistCombo::EnlistCombo(QWidget* parent) : QComboBox(parent) {}

void EnlistCombo::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

void EnlistCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Dropping the list down moves the focus into the pop-up; the list still
    // counts as focused until the user leaves it. Some platforms report that
    // move with another reason, hence the look at the pop-up itself.
    const bool popupShown = view() && view()->window() != window() && view()->window()->isVisible();
    if (event->reason() != Qt::PopupFocusReason && !popupShown)
        emit LostFocus();
}
