#include "shell/frmMessage.h"

#include "platform/Twips.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<frmMessage> g_message;

} // namespace

frmMessage& frmMessage::Get() {
    if (!g_message)
        g_message = new frmMessage();
    return *g_message;
}

frmMessage* frmMessage::Loaded() {
    return g_message.data();
}

void frmMessage::Unload() {
    frmMessage* form = g_message.data();
    if (!form)
        return;
    g_message = nullptr;
    form->hide();
    form->deleteLater();
}

frmMessage::frmMessage()
    : QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmMessage"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(platform::TwipsToPixels(QSize(4680, 975)));
    lblMessage = new QLabel(QStringLiteral("Configuring taskbar. Please wait..."), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setGeometry(platform::TwipsRect(360, 300, 3735, 255));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setGeometry(platform::TwipsRect(360, 540, 3975, 135));
    platform::CenterOnScreen(this);
}
