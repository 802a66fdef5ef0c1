#include "shell/frmAbout.h"

#include "core/modGlobals.h"
#include "core/modStartup.h"
#include "platform/Files.h"
#include "platform/Notifier.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemTool.h"
#include "platform/Twips.h"
#include "shell/TextFit.h"
#include "shell/frmButton.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

using namespace modGlobals;

namespace {

QPointer<frmAbout> g_about;

// The design gives positions in a scale of its own (1.0649 twips a unit
// across, 1.44882 down), but in that scale the buttons and the licence box
// would lie below the window's bottom edge and out of reach. Taken as twips,
// every control sits inside the client area as the design plainly meant.
QRect UnitRect(int left, int top, int width, int height) {
    return platform::TwipsRect(left, top, width, height);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About MyApp"));
    SetUpFixedDialog(this, QSize(5730, 4440), true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(UnitRect(240, 240, 1500, 1845));
    picIcon->setScaledContents(true);
    lblTitle = MakeLabel(this, QStringLiteral("lblTitle"), QStringLiteral("Application Title"),
                         UnitRect(1920, 240, 3045, 240));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = MakeLabel(this, QStringLiteral("lblVersion"), QStringLiteral("Version"),
                           UnitRect(1920, 600, 3165, 225));
    lblDescription = MakeLabel(this, QStringLiteral("lblDescription"),
                               QStringLiteral("The desktop button to the web's best destinations."),
                               UnitRect(1920, 960, 3405, 450));
    lblLicense =
        MakeLabel(this, QStringLiteral("lblLicense"), QStringLiteral("This product licensed to:"),
                  UnitRect(1920, 1560, 3405, 225));

    txtEUL = new QPlainTextEdit(this);
    txtEUL->setObjectName(QStringLiteral("txtEUL"));
    txtEUL->setReadOnly(true);
    txtEUL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtEUL->setGeometry(UnitRect(240, 2160, 5295, 1095));
    QFont eulFont(QStringLiteral("Tahoma"));
    eulFont.setPointSizeF(8.25);
    txtEUL->setFont(eulFont);

    lblDisclaimer = MakeLabel(
        this, QStringLiteral("lblDisclaimer"),
        QStringLiteral("Warning: this computer program is protected by copyright law and "
                       "international treaties. Unauthorized reproduction or distribution of "
                       "this program, or any portion of it, may result in severe civil and "
                       "criminal penalties."),
        // Its designed height runs past the window's bottom; it ends 120
        // above it instead.
        UnitRect(240, 3480, 3870, 4440 - 120 - 3480));
    QFont smallFont(QStringLiteral("Tahoma"));
    smallFont.setPointSizeF(6);
    lblDisclaimer->setFont(smallFont);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(UnitRect(4245, 3465, 1260, 345));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(UnitRect(4260, 3915, 1245, 345));

    setTabOrder(cmdOK, cmdSysInfo);
    setTabOrder(cmdSysInfo, txtEUL);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    // Esc (reject) and the close box unload as OK does.
    connect(this, &QDialog::finished, this, [] { gAboutLoaded = false; });

    platform::CenterOnScreen(this);
    Form_Load();
    FitLabels(this);
}

frmAbout::~frmAbout() {
    if (g_about == this || !g_about)
        gAboutLoaded = false;
}

frmAbout* frmAbout::Loaded() {
    return g_about.data();
}

void frmAbout::ShowModal() {
    if (frmAbout* open = g_about.data()) {
        open->raise();
        open->activateWindow();
        return;
    }
    frmAbout form;
    g_about = &form;
    form.exec();
}

void frmAbout::Form_Load() {
    gAboutLoaded = true;
    if (const auto text = platform::ReadTextLines(gDataPath + QStringLiteral("EUL.txt")))
        txtEUL->setPlainText(*text);
    setWindowTitle(QStringLiteral("About ") + kAppTitle);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(modStartup::kVersionMajor)
                            .arg(modStartup::kVersionMinor)
                            .arg(modStartup::kVersionRevision));
    lblTitle->setText(kAppTitle);
    lblLicense->setText(QStringLiteral("This product licensed to: ") + gRegisteredName);
    picIcon->setPixmap(frmButton::LogoPicture());
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The etched separator above the buttons.
    QPainter p(this);
    const QRect white = UnitRect(120, 3360, 5669 - 120, 0);
    const QRect grey = UnitRect(120, 3360, 5684 - 120, 0);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawLine(grey.left(), grey.top(), grey.right(), grey.top());
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(white.left(), white.top() + 1, white.right(), white.top() + 1);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    platform::RegistryValue value;
    if (platform::RegReadValue(KeyRoot, KeyName, SubKeyRef, &value) != 0) {
        KeyVal.clear();
        return false;
    }
    QByteArray data = value.data.left(1024);
    if (data.endsWith('\0'))
        data.chop(1);
    if (value.type == platform::REG_SZ) {
        KeyVal = QString::fromLocal8Bit(data);
    } else if (value.type == platform::REG_DWORD) {
        QString hex = QStringLiteral("&h");
        for (qsizetype i = data.size() - 1; i >= 0; --i)
            hex += QString::number(static_cast<uchar>(data.at(i)), 16).toUpper();
        KeyVal = hex;
    }
    return true;
}

void frmAbout::StartSysInfo() {
    using platform::HKEY_LOCAL_MACHINE;
    // The registry's tool first, then the Linux one: a path in Registry.ini
    // that names nothing (or a tool that will not start) must not leave the
    // click without any answer.
    QStringList programs;
    QString path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path) &&
        !path.isEmpty()) {
        programs << path;
    } else if (GetKeyValue(HKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), path) &&
               QFileInfo(path + QStringLiteral("/MSINFO32.EXE")).isFile()) {
        programs << path + QStringLiteral("/MSINFO32.EXE");
    }
    const QString linuxTool = platform::LinuxSystemInfoTool();
    if (!linuxTool.isEmpty() && !programs.contains(linuxTool))
        programs << linuxTool;
    for (const QString& program : programs) {
        if (platform::shell().Execute(program, QStringLiteral("0"), QStringLiteral("0")))
            return;
    }
    platform::MsgBox(QStringLiteral("System Information Is Unavailable At This Time"),
                     platform::vbOKOnly);
}
