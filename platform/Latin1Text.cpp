#include "platform/Latin1Text.h"

#include "platform/Notifier.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextCursor>

namespace platform {

namespace {

// 0x80 to 0x9F.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

int AnsiByte(QChar c) {
    const char16_t u = c.unicode();
    // A control character of 0x80-0x9F keeps its byte: text that a Latin-1
    // reading took in goes back unchanged.
    if (u <= 0xFF)
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

bool IsAnsi(QChar c) {
    return AnsiByte(c) >= 0;
}

QByteArray EncodeAnsi(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const int b = AnsiByte(c);
        if (b >= 0)
            out += static_cast<char>(b);
    }
    return out;
}

QString DecodeAnsi(QByteArrayView bytes) {
    // Written in place: the menu table's rows are read through here.
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (const char ch : bytes) {
        const auto c = static_cast<uchar>(ch);
        *to++ = (c >= 0x80 && c < 0xA0) ? QChar(kHigh[c - 0x80]) : QChar(c);
    }
    return out;
}

bool IsUtf8Text(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    // Stateful: an incomplete sequence at the end is held back, not an error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes); // decoding happens on conversion
    return !utf8.hasError();
}

QString DecodeOtherText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    // Stateful: an incomplete sequence at the end is held back, not an error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeAnsi(bytes);
}

QString NotAnsiMessage() {
    return QStringLiteral("Only letters, digits and signs of Western European languages can be "
                          "sent to the server. The other characters were left out.");
}

QString NotAnsiTitle() {
    return QStringLiteral("Characters left out");
}

bool FitsAnsi(const QString& text) {
    for (const QChar c : text)
        if (!IsAnsi(c))
            return false;
    return true;
}

QString WithoutRefused(const QString& text, const QString& refused, int* cursor) {
    QString out;
    out.reserve(text.size());
    int removedBefore = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!IsAnsi(c) || refused.contains(c)) {
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

void TellNotAnsi() {
    MsgBox(NotAnsiMessage(), vbInformation, NotAnsiTitle());
}

void KeepAnsi(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        if (FitsAnsi(text))
            return;
        int cursor = edit->cursorPosition();
        const QString clean = WithoutRefused(text, QString(), &cursor);
        edit->setText(clean);
        edit->setCursorPosition(cursor);
        TellNotAnsi();
    });
}

void KeepAnsi(QPlainTextEdit* edit) {
    // A multi-line box has no "edited" signal of its own; the text set again
    // here fits, so the second change it raises ends at the first test.
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit] {
        const QString text = edit->toPlainText();
        if (FitsAnsi(text))
            return;
        int cursor = edit->textCursor().position();
        const QString clean = WithoutRefused(text, QString(), &cursor);
        edit->setPlainText(clean);
        QTextCursor moved = edit->textCursor();
        moved.setPosition(std::min<int>(cursor, static_cast<int>(clean.size())));
        edit->setTextCursor(moved);
        TellNotAnsi();
    });
}

} // namespace platform
