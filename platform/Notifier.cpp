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

} // namespace platform
