#include "shell/frmUpdate.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/TransferControl.h"
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

frmUpdate::frmUpdate(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Update Available"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(platform::TwipsToPixels(QSize(7815, 4290)));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(platform::TwipsRect(0, 0, 7815, 3615));
    // Links go to the user's browser through the shell, not into this view.
    WebBrowser1->setOpenLinks(false);

    cmdPostpone = new QPushButton(QStringLiteral("Postpone"), this);
    cmdPostpone->setObjectName(QStringLiteral("cmdPostpone"));
    cmdPostpone->setGeometry(platform::TwipsRect(6480, 3840, 1200, 330));

    cmdUpdate = new QPushButton(QStringLiteral("Update Now"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setGeometry(platform::TwipsRect(5160, 3840, 1200, 330));

    setTabOrder(WebBrowser1, cmdPostpone);
    setTabOrder(cmdPostpone, cmdUpdate);

    connect(cmdUpdate, &QPushButton::clicked, this, &frmUpdate::cmdUpdate_Click);
    connect(cmdPostpone, &QPushButton::clicked, this, &frmUpdate::cmdPostpone_Click);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, &frmUpdate::WebBrowser1_AnchorClicked);

    platform::CenterOnScreen(this);
    Form_Load();
}

frmUpdate::~frmUpdate() {
    // A page that has not arrived is of no use any more; the control must
    // not stay busy with it.
    if (transfer_ != 0)
        modInternet::Inet1().CancelTransfer(transfer_);
}

QString frmUpdate::PageAddress() {
    return QStringLiteral("http://") + modGlobals::gServerBase +
           QStringLiteral("../UpdateAvailable.asp?Version=") + modGlobals::gVersion;
}

void frmUpdate::Form_Load() {
    address_ = PageAddress();
    // Fetched in the background: a slow or dead server leaves the buttons
    // usable, and the page appears when it comes.
    QPointer<frmUpdate> self(this);
    transfer_ =
        modInternet::Inet1().Execute(address_, QStringLiteral("GET"), QByteArray(), QString(),
                                     [self](const platform::TransferResult& result) {
                                         if (self)
                                             self->PageArrived(result);
                                     });
}

void frmUpdate::PageArrived(const platform::TransferResult& result) {
    transfer_ = 0;
    if (result.ok()) {
        // Pages of the service are 8-bit text.
        WebBrowser1->setHtml(QString::fromLatin1(result.body));
    } else {
        WebBrowser1->setPlainText(
            QStringLiteral("The description of the update could not be loaded."));
    }
    emit PageFinished();
}

void frmUpdate::WebBrowser1_AnchorClicked(const QUrl& link) {
    const QUrl target = QUrl(address_, QUrl::TolerantMode).resolved(link);
    if (target.isValid())
        modInternet::OpenDocument(target.toString(QUrl::FullyEncoded));
}

void frmUpdate::cmdUpdate_Click() {
    bRet = true;
    hide(); // ends the modal show
}

void frmUpdate::cmdPostpone_Click() {
    bRet = false;
    hide();
}
