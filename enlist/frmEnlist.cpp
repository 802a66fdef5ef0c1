// The window of Enlist: its controls at their designed places, the focus
// colours, the fixed lists and the start-up of the program.
#include "enlist/frmEnlist.h"

#include "enlist/ChoiceLists.h"
#include "enlist/EnlistLink.h"
#include "platform/AppPath.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"
#include "platform/RequestWait.h"
#include "platform/SettingsStore.h"
#include "platform/TransferControl.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QNetworkInterface>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStackedWidget>

namespace {

// Design positions are twips relative to the parent.
void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(platform::TwipsRect(left, top, width, height));
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                  bool right = false, bool bold = false) {
    auto* label = new QLabel(text, parent);
    // Captions are shown as they are, as the design's labels show them; left
    // to guess, a label would draw a user name or password that looks like
    // markup (the finished page shows both) as formatting.
    label->setTextFormat(Qt::PlainText);
    Place(label, left, top, width, height);
    label->setWordWrap(true);
    label->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    if (bold) {
        QFont font = label->font();
        font.setWeight(QFont::Bold);
        label->setFont(font);
    }
    return label;
}

// Password boxes show "*" for every character, as the design's do, rather
// than the style's bullet.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The side picture and the window icon are drawn rather than shipped.
QPixmap SidePicture(QSize size) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(87, 101, 171));
    gradient.setColorAt(1, QColor(20, 30, 80));
    painter.fillRect(pixmap.rect(), gradient);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(10, size.width() / 4));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(-90);
    painter.drawText(QRect(-size.height() / 2, -size.width() / 2, size.height(), size.width()),
                     Qt::AlignCenter, QStringLiteral("Tarvel"));
    return pixmap;
}

// Where the design's controls show the system's window colours, Qt shows
// palette roles: Base/Text for edit fields, Button/ButtonText for the face
// of a pick-only list. Only the active and inactive colours change: a
// disabled field keeps the system's greyed look, as the design's do.
void SetFieldColours(QWidget* ctl, QPalette::ColorRole back, QPalette::ColorRole fore) {
    QPalette pal = ctl->palette();
    const QPalette app = QApplication::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
            pal.setColor(group, role, app.color(group, back));
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            pal.setColor(group, role, app.color(group, fore));
    }
    ctl->setPalette(pal);
}

} // namespace

frmEnlist::frmEnlist(const QString& commandLine, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      EnlistCommandLine(commandLine) {
    if (!InternetGetConnectedState)
        InternetGetConnectedState = &frmEnlist::RealConnectedState;
    BuildWindow();
    BuildLoginPage();
    BuildAccountPage();
    BuildAddressPage();
    BuildProfilePage();
    BuildClosingPages();
    ConnectFields();
    SetTabOrder();
}

frmEnlist::~frmEnlist() {
    // The fields outlive this part of the window while QWidget deletes its
    // children, and the focused one reports losing the focus on the way.
    for (EnlistTextBox* box : findChildren<EnlistTextBox*>()) {
        disconnect(box, nullptr, this, nullptr);
        box->KeyPress = nullptr;
    }
    for (EnlistCombo* combo : findChildren<EnlistCombo*>())
        disconnect(combo, nullptr, this, nullptr);
}

void frmEnlist::BuildWindow() {
    setWindowTitle(QStringLiteral("Welcome to Tarvel"));
    QFont font = this->font();
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(platform::TwipsToPixels(QSize(7245, 5085)));
    platform::CenterOnScreen(this);

    Image1 = new QLabel(this);
    Place(Image1, 240, 240, 1890, 3990);
    Image1->setPixmap(SidePicture(Image1->size()));

    const QPalette::ColorRole lineRoles[2] = {QPalette::Dark, QPalette::Light};
    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        const QRect r = platform::TwipsRect(240, 4320 + 15 * i, 6960 - 240, 15);
        Line1[i]->setGeometry(r.x(), r.y(), r.width(), 1);
        Line1[i]->setAutoFillBackground(true);
        QPalette pal = Line1[i]->palette();
        pal.setColor(QPalette::Window, pal.color(lineRoles[i]));
        Line1[i]->setPalette(pal);
    }

    cmdBack = new QPushButton(QStringLiteral("< &Back"), this);
    Place(cmdBack, 3120, 4560, 1200, 330);
    cmdBack->setEnabled(false);
    cmdNext = new QPushButton(QStringLiteral("&Next >"), this);
    Place(cmdNext, 4320, 4560, 1200, 330);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    Place(cmdCancel, 5760, 4560, 1200, 330);
    // No default button: Enter and Esc do nothing by themselves. A focused
    // button takes Enter as it takes Space (which a plain QPushButton only
    // does when it may become the default).
    for (QPushButton* button : {cmdBack, cmdNext, cmdCancel}) {
        button->setAutoDefault(true);
        button->setDefault(false);
    }
    connect(cmdBack, &QPushButton::clicked, this, &frmEnlist::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmEnlist::cmdNext_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEnlist::cmdCancel_Click);

    Inet1 = new platform::TransferControl(this);

    stkPanels = new QStackedWidget(this);
    Place(stkPanels, 2280, 240, 4695, 3975);
    for (int i = 0; i < 6; ++i) {
        picPanel[i] = new QWidget;
        picPanel[i]->setObjectName(QStringLiteral("picPanel%1").arg(i));
        stkPanels->addWidget(picPanel[i]);
    }
}

void frmEnlist::BuildLoginPage() {
    QWidget* page = picPanel[0];
    Label1[2] =
        MakeLabel(page, QStringLiteral("If you are a new user..."), 120, 0, 4335, 255, false, true);
    Label1[3] = MakeLabel(page,
                          QStringLiteral("We need to ask you a few questions before you can use "
                                         "Tarvel. This allows us to personalize and localize the "
                                         "application to fit your needs."),
                          120, 240, 4335, 735);
    cmdEnlist = new QPushButton(QStringLiteral("Sign up for Tarvel now"), page);
    Place(cmdEnlist, 1320, 1080, 1920, 330);
    cmdEnlist->setAutoDefault(true);
    connect(cmdEnlist, &QPushButton::clicked, this, &frmEnlist::cmdEnlist_Click);
    Label1[1] = MakeLabel(page, QStringLiteral("If you already have an Tarvel account..."), 120,
                          1920, 4335, 255, false, true);
    Label1[0] = MakeLabel(
        page, QStringLiteral("Please enter your User Name and Password, then click on Next."), 120,
        2160, 4335, 495);
    Label1[4] = MakeLabel(page, QStringLiteral("User Name:"), 720, 2880, 975, 255, true);
    txtLoginUserName = new EnlistTextBox(page);
    Place(txtLoginUserName, 1800, 2880, 1455, 285);
    Label1[5] = MakeLabel(page, QStringLiteral("Password:"), 720, 3240, 975, 255, true);
    txtLoginPassword = new EnlistTextBox(page);
    Place(txtLoginPassword, 1800, 3240, 1455, 285);
    txtLoginPassword->setEchoMode(QLineEdit::Password);
}

void frmEnlist::BuildAccountPage() {
    QWidget* page = picPanel[1];
    lblTitle[0] =
        MakeLabel(page, QStringLiteral("Sign Up - Step 1 of 3"), 120, 0, 4335, 255, false, true);
    Label1[6] = MakeLabel(
        page,
        QStringLiteral("Please create a user name and password that you will use to log into "
                       "Tarvel. Your user name should be between 5 and 20 characters with no "
                       "spaces, such as \"surfer99\" or \"JaneDoe\". Your password must be at "
                       "least 5 characters long."),
        120, 360, 4335, 1095);
    auto field = [page](int left, int top, int width, int maxLength) {
        auto* box = new EnlistTextBox(page);
        Place(box, left, top, width, 285);
        box->setMaxLength(maxLength);
        return box;
    };
    Label1[8] = MakeLabel(page, QStringLiteral("User Name:"), 960, 1320, 975, 255, true);
    txtUserName = field(2040, 1320, 1455, 20);
    Label1[7] = MakeLabel(page, QStringLiteral("Password:"), 960, 1680, 975, 255, true);
    txtPassword = field(2040, 1680, 1455, 20);
    // Right-aligned labels keep the design's right edge; the ones whose text
    // is a little wider in the programs' font than in the layout's own reach
    // further left, into the empty space (or the page's margin).
    Label1[9] = MakeLabel(page, QStringLiteral("Re-type Password:"), 120, 2040, 1815, 255, true);
    txtPassword2 = field(2040, 2040, 1455, 20);
    Label1[20] = MakeLabel(page, QStringLiteral("Your email address: (required) "), 120, 2520, 1815,
                           495, true);
    txtEmail = field(2040, 2520, 2415, 50);
    Label1[33] = MakeLabel(page,
                           QStringLiteral("If a friend referred you to Tarvel, enter your "
                                          "friend's user name below. Otherwise leave it blank."),
                           120, 3120, 4335, 480);
    Label1[34] = MakeLabel(page, QStringLiteral("Friend's User Name:"), 120, 3600, 1815, 255, true);
    txtReferrer = field(2040, 3600, 1455, 20);

    auto* stars = new StarPasswordStyle;
    stars->setParent(this);
    for (EnlistTextBox* box : {txtLoginPassword, txtPassword, txtPassword2}) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyle(stars);
    }
}

void frmEnlist::BuildAddressPage() {
    QWidget* page = picPanel[2];
    lblTitle[1] =
        MakeLabel(page, QStringLiteral("Sign Up - Step 2 of 3"), 120, 0, 4335, 255, false, true);
    Label1[10] = MakeLabel(page, QStringLiteral("All fields marked with a * are required."), 120,
                           360, 4335, 255);
    auto text = [page](const QString& caption, int top, int maxLength) {
        MakeLabel(page, caption, 0, top, 1455, 255, true);
        auto* box = new EnlistTextBox(page);
        Place(box, 1560, top, 2895, 285);
        box->setMaxLength(maxLength);
        return box;
    };
    txtFirstName = text(QStringLiteral("* First Name:"), 720, 25);
    txtLastName = text(QStringLiteral("* Last Name:"), 1080, 25);
    txtAddress1 = text(QStringLiteral("* Address (line 1):"), 1440, 50);
    txtAddress2 = text(QStringLiteral("Address (line 2):"), 1800, 50);
    txtCity = text(QStringLiteral("* City:"), 2160, 50);
    MakeLabel(page, QStringLiteral("* State:"), 0, 2520, 1455, 255, true);
    cboState = new EnlistCombo(page);
    Place(cboState, 1560, 2520, 2895, 315);
    MakeLabel(page, QStringLiteral("* Zip/Postal Code (where applicable)"), 0, 2760, 1455, 495,
              true);
    txtZip = new EnlistTextBox(page);
    Place(txtZip, 1560, 2880, 2895, 285);
    txtZip->setMaxLength(10);
    MakeLabel(page, QStringLiteral("* Country:"), 0, 3240, 1455, 255, true);
    cboCountry = new EnlistCombo(page);
    Place(cboCountry, 1560, 3240, 2895, 315);
    txtPhone = text(QStringLiteral("Phone:"), 3600, 25);
}

void frmEnlist::BuildProfilePage() {
    QWidget* page = picPanel[3];
    lblTitle[2] =
        MakeLabel(page, QStringLiteral("Sign Up - Step 3 of 3"), 120, 0, 4335, 255, false, true);
    Label1[22] = MakeLabel(page, QStringLiteral("All fields marked with a * are required."), 120,
                           360, 4335, 255);
    auto list = [page](int left, int top, int width) {
        auto* combo = new EnlistCombo(page);
        Place(combo, left, top, width, 315);
        return combo;
    };
    MakeLabel(page, QStringLiteral("* When were you born?"), 0, 720, 2055, 375, true);
    cboDOBMonth = list(2160, 720, 1215);
    cboDOBYear = list(3480, 720, 975);
    const struct {
        const char* caption;
        int top;
        int labelHeight;
        EnlistCombo** combo;
    } rows[] = {
        {"* What is your gender?", 1080, 255, &cboGender},
        {"* Your level of education?", 1440, 255, &cboEducation},
        {"* Your level of income?", 1800, 255, &cboIncome},
        {"* Your marital status?", 2160, 255, &cboMaritalStatus},
        {"* Your type of employment?", 2520, 255, &cboEmployment},
        {"* Hours online per week?", 2880, 255, &cboHoursOnline},
        {"* Frequency of online purchases?", 3240, 495, &cboFrequency},
    };
    for (const auto& row : rows) {
        MakeLabel(page, QString::fromLatin1(row.caption), 0, row.top, 2055, row.labelHeight, true);
        *row.combo = list(2160, row.top, 2295);
    }
}

void frmEnlist::BuildClosingPages() {
    QWidget* download = picPanel[4];
    lblTitle[3] = MakeLabel(download, QStringLiteral("Thank you!"), 120, 0, 4335, 255, false, true);
    Label1[30] =
        MakeLabel(download, QStringLiteral("Thank you for signing up."), 120, 360, 4335, 255);
    Label1[31] = MakeLabel(download,
                           QStringLiteral("Tarvel is now downloading the lastest database from "
                                          "our servers. This is part of the installation "
                                          "procedure and will only have to be done once."),
                           120, 720, 4335, 735);
    Label1[35] = MakeLabel(download,
                           QStringLiteral("This will take approximately 4 minutes on a 28.8K "
                                          "modem."),
                           120, 1440, 4335, 255);
    Label1[32] = MakeLabel(download, QStringLiteral("Please wait..."), 120, 2040, 4335, 255);

    QWidget* finished = picPanel[5];
    lblTitle[4] = MakeLabel(finished, QStringLiteral("Thank you!"), 120, 0, 4335, 255, false, true);
    Label1[37] = MakeLabel(finished,
                           QStringLiteral("Thank you for signing up. Log in using the following "
                                          "information:"),
                           120, 360, 4335, 495);
    lblLogin = MakeLabel(finished, QStringLiteral("User Name: Password:"), 120, 840, 4335, 495);
}

void frmEnlist::ConnectFields() {
    const EnlistTextBox* const order[] = {
        txtLoginUserName, txtLoginPassword, txtUserName,  txtPassword, txtPassword2,
        txtEmail,         txtReferrer,      txtFirstName, txtLastName, txtAddress1,
        txtAddress2,      txtCity,          txtZip,       txtPhone};
    for (const EnlistTextBox* constBox : order) {
        auto* box = const_cast<EnlistTextBox*>(constBox);
        connect(box, &EnlistTextBox::GotFocus, this, [this, box] { CtlGotFocus(box); });
        connect(box, &EnlistTextBox::LostFocus, this, [this, box] { CtlLostFocus(box); });
        box->KeyPress = [this, box](int& keyAscii) { KeyPressChain(box, keyAscii); };
        SetFieldColours(box, QPalette::Base, QPalette::Text);
    }
    // Typed characters are refused in the KeyPress handler; the box refuses
    // the same ones when they arrive by pasting or dropping, which never pass
    // through it.
    txtUserName->Refused = QStringLiteral("'% @");
    for (EnlistCombo* combo :
         {cboState, cboCountry, cboDOBMonth, cboDOBYear, cboGender, cboEducation, cboIncome,
          cboMaritalStatus, cboEmployment, cboHoursOnline, cboFrequency}) {
        connect(combo, &EnlistCombo::DropDown, this, [this, combo] { CtlGotFocus(combo); });
        connect(combo, &EnlistCombo::LostFocus, this, [this, combo] { CtlLostFocus(combo); });
        SetFieldColours(combo, QPalette::Base, QPalette::Text);
    }
}

void frmEnlist::SetTabOrder() {
    QWidget* const order[] = {
        txtLoginUserName, txtLoginPassword, cmdBack,        cmdNext,      cmdCancel,    txtUserName,
        txtPassword,      txtPassword2,     txtEmail,       cmdEnlist,    txtFirstName, txtLastName,
        txtAddress1,      txtAddress2,      txtCity,        cboState,     txtZip,       cboCountry,
        txtPhone,         cboDOBMonth,      cboDOBYear,     cboGender,    cboEducation, cboIncome,
        cboMaritalStatus, cboEmployment,    cboHoursOnline, cboFrequency, txtReferrer};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmEnlist::FillLists() {
    cboState->addItems(ChoiceLists::States());
    cboCountry->addItems(ChoiceLists::Countries());
    cboCountry->setCurrentIndex(0);
    cboDOBMonth->addItems(ChoiceLists::Months());
    cboDOBYear->addItems(ChoiceLists::Years());
    cboGender->addItems(ChoiceLists::Genders());
    cboEducation->addItems(ChoiceLists::Educations());
    cboIncome->addItems(ChoiceLists::Incomes());
    for (const auto& [text, code] : ChoiceLists::MaritalStatuses())
        cboMaritalStatus->addItem(text, code);
    cboEmployment->addItems(ChoiceLists::Employments());
    cboHoursOnline->addItems(ChoiceLists::HoursOnline());
    cboFrequency->addItems(ChoiceLists::Frequencies());
    // A pick-only QComboBox chooses its first entry as it is added; only the
    // country list starts with a choice.
    for (EnlistCombo* combo :
         {cboState, cboDOBMonth, cboDOBYear, cboGender, cboEducation, cboIncome, cboMaritalStatus,
          cboEmployment, cboHoursOnline, cboFrequency})
        combo->setCurrentIndex(-1);
}

void frmEnlist::CtlGotFocus(QWidget* Ctl) {
    if (Ctl)
        SetFieldColours(Ctl, QPalette::ToolTipBase, QPalette::ToolTipText);
}

void frmEnlist::CtlLostFocus(QWidget* Ctl) {
    if (Ctl)
        SetFieldColours(Ctl, QPalette::Base, QPalette::Text);
}

QString frmEnlist::URLEncode(const QString& Text) {
    return EnlistLink::URLEncode(Text);
}

QString frmEnlist::GetASPData(const QString& URL, const QString& Data) {
    const EnlistLink::PostResult result = Request(URL, Data);
    // An error page is no answer: its text must never pass for a status.
    return result.ok() ? platform::DecodeAnsi(result.body) : QString();
}

EnlistLink::PostResult frmEnlist::Request(const QString& path, const QString& data) {
    const platform::RequestWait wait;
    return EnlistLink::Post(path, data);
}

bool frmEnlist::RealConnectedState() {
    // Connected as the design's check means it: some interface other than
    // loopback is up with an address.
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) ||
            !flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        if (!iface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

int frmEnlist::CurrentPage() const {
    return stkPanels->currentIndex();
}

void frmEnlist::ShowPage(int page) {
    stkPanels->setCurrentIndex(page);
}

void frmEnlist::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    unloadingFromCode_ = true;
    close();
    emit Unloaded();
}

void frmEnlist::closeEvent(QCloseEvent* event) {
    if (unloadingFromCode_) {
        event->accept();
        return;
    }
    // A request under way must finish before the window may go.
    if (EnlistLink::Busy()) {
        event->ignore();
        return;
    }
    bool cancel = false;
    Form_QueryUnload(cancel, event->spontaneous() ? 0 : 1);
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
    unloaded_ = true;
    emit Unloaded();
}
