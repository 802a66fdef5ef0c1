#include "platform/Notifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace platform {

namespace {

// Room kept for the window manager's frame and a panel.
constexpr int kFrameRoom = 80;

// A prompt of a thousand lines made a box four times the screen's height,
// its OK button out of reach: the text is cut, with "...", to what fits.
void FitScreen(QMessageBox& box, const QString& prompt) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const int room = screen->availableGeometry().height() - kFrameRoom;
    const auto fits = [&box, room] { return box.sizeHint().height() <= room; };
    if (fits())
        return;
    // The longest start of the prompt that still fits.
    qsizetype low = 0, high = prompt.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        box.setText(prompt.left(mid) + QStringLiteral("..."));
        if (fits())
            low = mid;
        else
            high = mid - 1;
    }
    box.setText(prompt.left(low) + QStringLiteral("..."));
}

class RealNotifier : public Notifier {
public:
    int MsgBox(const QString& prompt, int flags, const QString& title) override {
        QMessageBox box;
        box.setText(prompt);
        box.setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        switch (flags & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        FitScreen(box, prompt);
        switch (flags & 0x7) {
        case vbYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
        case vbOKCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? vbOK : vbCancel;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            box.exec();
            return vbOK;
        }
    }
};

Notifier* g_replacement = nullptr;

} // namespace

Notifier& notifier() {
    static RealNotifier real;
    return g_replacement ? *g_replacement : real;
}

void SetNotifier(Notifier* replacement) {
    g_replacement = replacement;
}

int MsgBox(const QString& prompt, int flags, const QString& title) {
    return notifier().MsgBox(prompt, flags, title);
}

QString QuoteReply(const QString& reply, qsizetype maxChars, int maxLines) {
    QString out;
    qsizetype kept = 0;
    int lines = 1;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const QChar c = reply.at(i);
        const bool lineBreak = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (!lineBreak && !c.isPrint())
            continue;
        // CR LF is one line end; a lone CR or LF is one too.
        const bool newLine = c == QLatin1Char('\n') ? i == 0 || reply.at(i - 1) != QLatin1Char('\r')
                                                    : c == QLatin1Char('\r');
        if (kept == maxChars || (newLine && lines == maxLines))
            return out + QStringLiteral("...");
        lines += newLine ? 1 : 0;
        out += c;
        ++kept;
    }
    return out;
}

} // namespace platform
