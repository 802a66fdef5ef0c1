#include "shell/frmError.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<frmError> g_loaded;

// Callers often report while they hold the hourglass.
void RestoreArrow() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

frmError::frmError(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tarvel Error"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(platform::TwipsToPixels(QSize(5325, 3240)));

    Label1 = new QLabel(
        QStringLiteral("An error has occured. We would appreciate it if you could give us "
                       "feedback. Click on 'Report Error' to send us this error message and "
                       "tell us when it happened."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(platform::TwipsRect(240, 240, 4815, 615));

    txtError = new QPlainTextEdit(this);
    txtError->setObjectName(QStringLiteral("txtError"));
    txtError->setReadOnly(true);
    txtError->setGeometry(platform::TwipsRect(240, 960, 4815, 1335));

    cmdReport = new QPushButton(QStringLiteral("Report Error"), this);
    cmdReport->setObjectName(QStringLiteral("cmdReport"));
    cmdReport->setGeometry(platform::TwipsRect(240, 2400, 1200, 330));

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(platform::TwipsRect(3720, 2760, 1200, 330));
    cmdClose->setDefault(true);

    setTabOrder(txtError, cmdReport);
    setTabOrder(cmdReport, cmdClose);

    connect(cmdReport, &QPushButton::clicked, this, &frmError::cmdReport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmError::cmdClose_Click);

    platform::CenterOnScreen(this);
    Form_Load();
}

frmError::~frmError() = default;

frmError* frmError::Loaded() {
    return g_loaded.data();
}

frmError* frmError::Get() {
    if (!g_loaded)
        g_loaded = new frmError();
    return g_loaded.data();
}

void frmError::ShowError(const QString& errorMsg, int errorNo, const QString& location) {
    frmError* form = Get();
    form->txtError->setPlainText(errorMsg);
    form->ErrorMsg = errorMsg;
    form->ErrorNo = errorNo;
    form->Location = location;
    form->Version = modGlobals::gVersion;
    // Also for a dialog that was open already: this caller may hold the
    // hourglass too.
    RestoreArrow();
    form->show();
    form->raise();
    form->activateWindow();
}

QString frmError::ReportPage() const {
    // The whole message is percent-encoded: the five replacements of
    // URLEncode leave "#", "%", "+" and line breaks that cut or change it.
    return QStringLiteral("../ReportError.asp?UserID=") + QString::number(modGlobals::gUserID) +
           QStringLiteral("&Msg=") + modInternet::QueryEncode(ErrorMsg) + QStringLiteral("&Err=") +
           QString::number(ErrorNo) + QStringLiteral("&Location=") + Location +
           QStringLiteral("&Version=") + Version;
}

void frmError::Unload() {
    // Unloaded now, though deleted only later: a ShowError in between must
    // load a fresh dialog rather than fill this one.
    if (g_loaded == this)
        g_loaded = nullptr;
    hide();
    deleteLater();
}

void frmError::reject() {
    Unload();
}

void frmError::closeEvent(QCloseEvent* event) {
    // The dialog's own handling calls reject() while it is visible.
    QDialog::closeEvent(event);
    if (event->isAccepted())
        Unload();
}

void frmError::Form_Load() {
    RestoreArrow();
}

void frmError::cmdReport_Click() {
    modInternet::OpenServerPage(ReportPage());
    Unload();
}

void frmError::cmdClose_Click() {
    Unload();
}
