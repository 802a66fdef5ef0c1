#pragma once
// The two kinds of field of the wizard, with the events its handlers hang on:
// a text box that reports gaining and losing the focus and hands every typed
// character to a KeyPress handler that may swallow it (key code 0), and a
// pick-only list that reports dropping down and losing the focus.
//
// Every text box sends its text to the server, so none takes characters
// outside Latin-1, however they arrive (typed, pasted, dropped); a box may
// refuse more (Refused). Pasted and dropped text is cleaned before it is cut
// to the length limit, so the limit keeps as much of it as it can.
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

#include <functional>

class EnlistTextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit EnlistTextBox(QWidget* parent = nullptr);

    // Receives the character code (13 for Enter) by reference; setting it to
    // 0 keeps the key out of the box.
    std::function<void(int& keyAscii)> KeyPress;

    // Sets text from code without the length limit cutting it: the design's
    // text boxes limit only what the user types.
    void SetTextUncut(const QString& text);

    // Characters the box never takes, besides those outside Latin-1.
    QString Refused;
    // text without the refused characters.
    QString Clean(const QString& text) const;
    // Inserts the clipboard's text at the cursor, cleaned and then cut to
    // the room the length limit leaves.
    void PasteClean(QClipboard::Mode mode = QClipboard::Clipboard);

signals:
    void GotFocus();
    void LostFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void InsertClean(const QString& text);
    void CleanEdited(const QString& text);
};

class EnlistCombo : public QComboBox {
    Q_OBJECT
public:
    explicit EnlistCombo(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void DropDown();
    void LostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};
