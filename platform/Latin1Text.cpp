#include "platform/Latin1Text.h"

#include "platform/Notifier.h"

#include <QLineEdit>

namespace platform {

QString NotLatin1Message() {
    return QStringLiteral("Only letters, digits and signs of Western European languages can be "
                          "sent to the server. The other characters were left out.");
}

QString NotLatin1Title() {
    return QStringLiteral("Characters left out");
}

bool FitsLatin1(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

QString WithoutRefused(const QString& text, const QString& refused, int* cursor) {
    QString out;
    out.reserve(text.size());
    int removedBefore = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() > 0xFF || refused.contains(c)) {
            if (cursor && i < *cursor)
                ++removedBefore;
            continue;
        }
        out += c;
    }
    if (cursor)
        *cursor -= removedBefore;
    return out;
}

void TellNotLatin1() {
    MsgBox(NotLatin1Message(), vbInformation, NotLatin1Title());
}

void KeepLatin1(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        if (FitsLatin1(text))
            return;
        int cursor = edit->cursorPosition();
        const QString clean = WithoutRefused(text, QString(), &cursor);
        edit->setText(clean);
        edit->setCursorPosition(cursor);
        TellNotLatin1();
    });
}

} // namespace platform
