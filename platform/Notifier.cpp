#include "platform/Notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

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

QString QuoteReply(const QString& reply, qsizetype maxChars) {
    QString out;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const QChar c = reply.at(i);
        const bool lineBreak = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (!lineBreak && !c.isPrint())
            continue;
        if (kept == maxChars)
            return out + QStringLiteral("...");
        out += c;
        ++kept;
    }
    return out;
}

} // namespace platform
