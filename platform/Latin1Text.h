#pragma once
// The service's one text codec: its bodies, replies and files are 8-bit
// Windows text (Windows-1252: Latin-1 plus the euro sign, curly quotes and
// dashes at 0x80 to 0x9F). Everything the programs send or read as the
// service's text goes through here, so a typed "€" and the "€" of a form
// file reach the server as the same byte. A character the code page has no
// byte for went to the server as "?" or as UTF-8 beside 8-bit bytes (a name
// "Иван" arrived as "????", and a password of such letters matched any other
// of the same length): fields whose text goes to the server refuse those
// characters however they arrive, and say so with one message.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace platform {

// Windows-1252 bytes of text. A control character U+0080-U+009F (what a
// Latin-1 reading of those bytes gives) keeps its byte. A character without
// a byte is left out: callers refuse such text before it gets here.
QByteArray EncodeAnsi(const QString& text);
// Windows-1252 text of bytes; the five bytes the code page leaves empty keep
// their Latin-1 value, as the Windows conversion does, so every byte comes
// back from EncodeAnsi unchanged.
QString DecodeAnsi(QByteArrayView bytes);
// The byte for c (0 to 255), or -1 when the code page has none.
int AnsiByte(QChar c);
// True when the code page has a byte for c.
bool IsAnsi(QChar c);

// A text file written by another program (an editor, a mail program): UTF-8
// when it starts with the UTF-8 byte-order mark or is valid UTF-8 (a
// sequence cut by the end of the bytes does not count against it), else
// Windows-1252. The mark is not part of the text.
QString DecodeOtherText(const QByteArray& bytes);
// True when DecodeOtherText reads bytes as UTF-8.
bool IsUtf8Text(const QByteArray& bytes);

// The one message shown when characters were refused.
QString NotAnsiMessage();
QString NotAnsiTitle();

// True when every character of text can be sent.
bool FitsAnsi(const QString& text);

// Removes from `text` every character the code page cannot carry and every
// character of `refused`; `cursor`, when given, is moved back by the
// characters removed before it.
QString WithoutRefused(const QString& text, const QString& refused = QString(),
                       int* cursor = nullptr);

// Tells the user (a message box) that characters were left out.
void TellNotAnsi();

// Keeps an edit to what the code page carries for typed, pasted and dropped
// text alike: other characters are removed as they arrive and the user is
// told once per edit.
void KeepAnsi(QLineEdit* edit);
void KeepAnsi(QPlainTextEdit* edit);

} // namespace platform
