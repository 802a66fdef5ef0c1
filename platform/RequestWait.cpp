#include "platform/RequestWait.h"

#include <QApplication>
#include <QEvent>

namespace platform {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

RequestWait::RequestWait() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

RequestWait::~RequestWait() {
    // Input the window system still holds from the wait arrives now, while
    // the filter drops it.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

bool RequestWait::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type()))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace platform
