#include "enlist/EnlistControls.h"

#include "platform/Latin1Text.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

EnlistTextBox::EnlistTextBox(QWidget* parent) : QLineEdit(parent) {
    // Whatever reached the text by another way (an input method, a paste
    // called from code) is cleaned after the fact.
    connect(this, &QLineEdit::textEdited, this, &EnlistTextBox::CleanEdited);
}

QString EnlistTextBox::Clean(const QString& text) const {
    return platform::WithoutRefused(text, Refused);
}

void EnlistTextBox::CleanEdited(const QString& text) {
    int cursor = cursorPosition();
    const QString clean = platform::WithoutRefused(text, Refused, &cursor);
    if (clean == text)
        return;
    setText(clean);
    setCursorPosition(cursor);
    if (!platform::FitsAnsi(text))
        platform::TellNotAnsi();
}

void EnlistTextBox::InsertClean(const QString& text) {
    if (isReadOnly() || !isEnabled())
        return;
    const QString clean = Clean(text);
    const qsizetype room = maxLength() - (this->text().size() - selectedText().size());
    if (!clean.isEmpty() || hasSelectedText())
        insert(clean.left(qMax<qsizetype>(0, room)));
    if (!platform::FitsAnsi(text))
        platform::TellNotAnsi();
}

void EnlistTextBox::PasteClean(QClipboard::Mode mode) {
    InsertClean(QGuiApplication::clipboard()->text(mode));
}

void EnlistTextBox::mouseReleaseEvent(QMouseEvent* event) {
    // The X11 selection pasted with the middle button.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !isReadOnly()) {
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        PasteClean(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void EnlistTextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, [this] { PasteClean(); });
    }
    menu->popup(event->globalPos());
}

void EnlistTextBox::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasText() || isReadOnly()) {
        QLineEdit::dropEvent(event);
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    InsertClean(event->mimeData()->text());
    event->acceptProposedAction();
    setFocus(Qt::MouseFocusReason);
}

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
    if (event->matches(QKeySequence::Paste)) {
        PasteClean();
        event->accept();
        return;
    }
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
