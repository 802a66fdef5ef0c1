#pragma once
// The server link carries 8-bit text (Latin-1): a character beyond it went to
// the server as "?" (a name "Иван" arrived as "????", and a password of such
// letters matched any other of the same length). Fields whose text goes to
// the server refuse those characters however they arrive, and say so.
#include <QString>

class QLineEdit;

namespace platform {

// The one message shown when characters were refused.
QString NotLatin1Message();
QString NotLatin1Title();

// True when every character of text can be sent.
bool FitsLatin1(const QString& text);

// Removes from `text` every character outside Latin-1 and every character of
// `refused`; `cursor`, when given, is moved back by the characters removed
// before it.
QString WithoutRefused(const QString& text, const QString& refused = QString(),
                       int* cursor = nullptr);

// Tells the user (a message box) that characters were left out.
void TellNotLatin1();

// Keeps `edit` to Latin-1 for typed, pasted and dropped text alike: other
// characters are removed as they arrive and the user is told once per edit.
void KeepLatin1(QLineEdit* edit);

} // namespace platform
