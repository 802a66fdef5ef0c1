#pragma once
// Message boxes behind one small interface so that tests can read and answer
// them. Flags and results keep the values of the design's message-box calls.
#include <QString>

namespace platform {

enum MsgBoxFlags : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual int MsgBox(const QString& prompt, int flags, const QString& title) = 0;
};

// The notifier in use; real QMessageBox unless a test installed another. The
// caller of SetNotifier keeps ownership; nullptr returns to the real one.
Notifier& notifier();
void SetNotifier(Notifier* replacement);

// A server's reply as a message may quote it: its printable characters and
// line breaks, at most maxChars of them on at most maxLines lines, "..." when
// cut. A reply of megabytes would take minutes to lay out in a message box,
// one of line breaks makes it taller than the screen, and control bytes show
// as nothing useful. (Whatever the prompt, the real box is never taller than
// the screen: a longer text is cut there too.)
QString QuoteReply(const QString& reply, qsizetype maxChars = 300, int maxLines = 10);

// Shorthand for notifier().MsgBox.
int MsgBox(const QString& prompt, int flags = vbOKOnly, const QString& title = QString());

} // namespace platform
