#include "support/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace testsupport {

void WhenShown(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QWidget* w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(w);
    });
    poll->start();
}

void Dismiss(QWidget* window) {
    if (!window)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

} // namespace testsupport
