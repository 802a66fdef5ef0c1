// Start-up of Enlist and the wizard's flow: the command line, the checks of
// every page, the four enrolment requests and the Back, Cancel and sign-up
// buttons.
#include "enlist/frmEnlist.h"

#include "enlist/EnlistLink.h"
#include "platform/AppPath.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"
#include "platform/SettingsStore.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>

#include <optional>

using platform::MsgBox;
using platform::vbCritical;
using platform::vbInformation;
using platform::vbNo;
using platform::vbQuestion;
using platform::vbYesNo;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kClose = QStringLiteral("Close");

const QString kFinishSignUpPrompt = QStringLiteral(
    "Before you can use Tarvel, we need to ask you a few more questions. This will allow us to "
    "personalize and localize the application to fit your needs.");
const QString kCancelPrompt = QStringLiteral(
    "You have not finished the sign-up process. You will not be able to log into Tarvel until "
    "you have an Tarvel account. Are you sure you want to exit?");
const QString kServerErrorShort = QStringLiteral("Server error.");

// Status, check, step 1 and step 2 live at the root of the default server
// host, not under Tarvel's server path.
const QString kStatusPage = QStringLiteral("/internal/getUserEnlistStatus.asp");
const QString kCheckNamePage = QStringLiteral("/internal/checkUserName.asp");
const QString kStep1Page = QStringLiteral("/internal/addUserStep1.asp");
const QString kStep2Page = QStringLiteral("/internal/addUserStep2.asp");

// An account id: a whole number from 1 to 2147483647, blanks and line ends
// around it allowed. Anything else is no id.
std::optional<qint32> ParseAccountId(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return std::nullopt;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const qint64 value = t.toLongLong();
    if (value < 1 || value > 2147483647)
        return std::nullopt;
    return static_cast<qint32>(value);
}

// The enrolment-complete flag as the design's Boolean comparison reads it.
std::optional<bool> ParseFlag(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("-1"))
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// Moving the focus to a field that is disabled or on a hidden page is
// allowed to fail quietly.
void TryFocus(QWidget* widget) {
    if (widget && widget->isEnabled())
        widget->setFocus(Qt::OtherFocusReason);
}

} // namespace

std::optional<qint32> frmEnlist::ParseAccountReply(const QByteArray& body) {
    return ParseAccountId(platform::DecodeAnsi(body));
}

QString frmEnlist::SuggestedUserName(const QByteArray& body) const {
    const QString reply = platform::DecodeAnsi(body);
    const qsizetype end = reply.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return txtUserName->Clean(end < 0 ? reply : reply.left(end));
}

frmEnlist::StatusReply frmEnlist::ParseStatusReply(const QString& reply) {
    StatusReply status;
    const QStringList lines = reply.split(kCrLf);
    if (lines.size() < 3) {
        status.kind = reply == QLatin1String("NO") ? StatusReply::Refused : StatusReply::Malformed;
        return status;
    }
    const std::optional<bool> complete = ParseFlag(lines.at(2));
    if (!complete)
        return status; // Malformed: no flag the wizard can act on.
    // A reply without a usable account id is no status reply, whatever its
    // flag says; Finish mode would carry on with the id and create a second
    // account or send the profile for nobody.
    const std::optional<qint32> id = ParseAccountId(lines.at(0));
    if (!id)
        return status;
    if (*complete) {
        status.kind = StatusReply::Complete;
        return status;
    }
    status.kind = StatusReply::Unfinished;
    status.userId = *id;
    status.email = lines.at(1);
    return status;
}

void frmEnlist::Form_Load() {
    AddNewMode = EnlistCommandLine == QLatin1String("/addnew");
    if (!AddNewMode) {
        if (EnlistCommandLine.left(9) == QLatin1String("/register")) {
            // The tenth character is the separator, whatever it is. A bare
            // "/register" has no argument at all: a plain start that, like
            // any other "/register" start, leaves Main/Path alone.
            if (EnlistCommandLine.size() >= 10) {
                const QStringList parts = EnlistCommandLine.mid(10).split(QLatin1Char(','));
                if (parts.size() == 2) {
                    txtLoginUserName->SetTextUncut(parts.at(0));
                    txtLoginPassword->SetTextUncut(parts.at(1));
                    RegisterMode = true;
                }
            }
        } else {
            platform::SaveSetting(QStringLiteral("Tarvel"), QStringLiteral("Main"),
                                  QStringLiteral("Path"), platform::AppPath());
        }
    }

    FillLists();

    if (AddNewMode) {
        ShowPage(1);
    } else if (RegisterMode) {
        RegisterStatusCheck();
        if (unloaded_)
            return;
    } else {
        ShowPage(0);
    }

    if (!InternetGetConnectedState())
        MsgBox(QStringLiteral("In order to complete the Tarvel installtion, you must be connected "
                              "to the Internet. Please make sure you are currently connected "
                              "before continuing."),
               vbInformation, QStringLiteral("Connect to Internet"));
}

frmEnlist::StatusReply frmEnlist::FetchStatus() {
    const QString reply = GetASPData(
        kStatusPage, QStringLiteral("UserName=") + URLEncode(txtLoginUserName->text()) +
                         QStringLiteral("&Password=") + URLEncode(txtLoginPassword->text()));
    return ParseStatusReply(reply);
}

void frmEnlist::RegisterStatusCheck() {
    const StatusReply status = FetchStatus();
    switch (status.kind) {
    case StatusReply::Complete:
        ShowPage(4);
        Unload();
        return;
    case StatusReply::Unfinished:
        EnterFinishMode(status);
        return;
    case StatusReply::Refused:
        MsgBox(QStringLiteral("Invalid User Name or Password."), vbInformation,
               QStringLiteral("Cannot log in"));
        Unload();
        return;
    case StatusReply::Malformed:
        MsgBox(QStringLiteral("Invalid response from server."), vbCritical,
               QStringLiteral("Server error"));
        Unload();
        return;
    }
}

void frmEnlist::EnterFinishMode(const StatusReply& status) {
    cmdBack->setEnabled(true);
    txtUserName->SetTextUncut(txtLoginUserName->text());
    txtPassword->SetTextUncut(txtLoginPassword->text());
    txtPassword2->SetTextUncut(txtLoginPassword->text());
    txtEmail->SetTextUncut(status.email);
    UserID = status.userId;
    for (EnlistTextBox* box : {txtUserName, txtPassword, txtPassword2, txtEmail, txtReferrer})
        box->setEnabled(false);
    lblTitle[0]->setText(QStringLiteral("User Name and Password"));
    lblTitle[1]->setText(QStringLiteral("Finish the Tarvel Sign Up Process - Step 1 of 2"));
    lblTitle[2]->setText(QStringLiteral("Finish the Tarvel Sign Up Process - Step 2 of 2"));
    MsgBox(kFinishSignUpPrompt, vbInformation, QStringLiteral("Finish Sign Up"));
    ShowPage(2);
    TryFocus(txtFirstName);
}

void frmEnlist::Form_QueryUnload(bool& Cancel, int UnloadMode) {
    if (UnloadMode != 0)
        return;
    if (cmdCancel->isEnabled() && cmdCancel->text() != kClose) {
        if (MsgBox(kCancelPrompt, vbYesNo | vbQuestion, QStringLiteral("Cancel Sign Up")) == vbNo)
            Cancel = true;
        return;
    }
    Cancel = true;
}

void frmEnlist::cmdNext_Click() {
    switch (CurrentPage()) {
    case 0:
        NextOnLogin();
        break;
    case 1:
        NextOnAccount();
        break;
    case 2:
        NextOnAddress();
        break;
    case 3:
        NextOnProfile();
        break;
    default:
        break;
    }
}

void frmEnlist::NextOnLogin() {
    if (txtLoginUserName->text().isEmpty() || txtLoginPassword->text().isEmpty()) {
        MsgBox(QStringLiteral("You must enter your user name and password before continuing. If "
                              "you do not have an Tarvel account, click on the Sign Up button."),
               vbInformation, QStringLiteral("Cannot continue"));
        TryFocus(txtLoginUserName);
        return;
    }
    const StatusReply status = FetchStatus();
    switch (status.kind) {
    case StatusReply::Complete:
        ShowPage(4);
        DownloadDB();
        return;
    case StatusReply::Unfinished:
        EnterFinishMode(status);
        return;
    case StatusReply::Refused:
        MsgBox(QStringLiteral("Invalid User Name or Password."), vbInformation,
               QStringLiteral("Cannot log in"));
        return;
    case StatusReply::Malformed:
        MsgBox(QStringLiteral("Invalid response from server. Make sure you are currently "
                              "connected to the Internet and try again."),
               vbCritical, QStringLiteral("Server error"));
        return;
    }
}

void frmEnlist::NextOnAccount() {
    // Once the account exists its fields are disabled and can no longer be
    // corrected, so checking them again could only trap the user here (a
    // Finish-mode account may predate the length rules).
    if (UserID == 0) {
        const struct {
            bool fails;
            const char* title;
            const char* message;
            QWidget* focus;
        } checks[] = {
            {txtUserName->text().size() < 5, "Invalid User Name",
             "Your User Name must be at least five characters long.", txtUserName},
            {txtPassword->text().size() < 5, "Invalid Password",
             "Your Password must be at least five characters long.", txtPassword},
            {txtPassword->text() != txtPassword2->text(), "Passwords don't match",
             "Passwords don't match. Please try again.", txtPassword},
            {txtEmail->text().isEmpty(), "Email missing", "You must enter your email address.",
             txtEmail},
            {!txtEmail->text().contains(QLatin1Char('@')) ||
                 !txtEmail->text().contains(QLatin1Char('.')),
             "Invalid email", "That doesn't appear to be a valid email address. Please try again.",
             txtEmail},
        };
        for (const auto& check : checks) {
            if (check.fails) {
                MsgBox(QString::fromLatin1(check.message), vbInformation,
                       QString::fromLatin1(check.title));
                TryFocus(check.focus);
                return;
            }
        }

        // The user name is encoded like every other value: its key filter
        // lets "&", "?" and quotes through, which would otherwise cut or
        // change the request.
        const EnlistLink::PostResult check =
            Request(kCheckNamePage, QStringLiteral("UserName=") + URLEncode(txtUserName->text()));
        if (check.error == 0 && !check.ok()) {
            // An error page is no suggested name.
            MsgBox(kServerErrorShort, vbCritical, QString());
            return;
        }
        // The reply's line end is no part of the name, and a suggestion
        // obeys the box's rules and limit like typed text. A reply that holds
        // no name (only a line end) suggests nothing: it is the empty reply
        // of a free name, and the typed name stays.
        const QString suggestion = check.error == 0 ? SuggestedUserName(check.body) : QString();
        if (!suggestion.isEmpty()) {
            MsgBox(QStringLiteral("The user name you selected is already in use. You can use the "
                                  "new one suggested or create a different user name."),
                   vbInformation, QStringLiteral("User name already in use"));
            txtUserName->setText(suggestion);
            TryFocus(txtUserName);
            return;
        }

        const EnlistLink::PostResult step1 =
            Request(kStep1Page, QStringLiteral("UserName=") + URLEncode(txtUserName->text()) +
                                    QStringLiteral("&Password=") + URLEncode(txtPassword->text()) +
                                    QStringLiteral("&Email=") + URLEncode(txtEmail->text()) +
                                    QStringLiteral("&Referrer=") + URLEncode(txtReferrer->text()));
        const std::optional<qint32> id = step1.ok() ? ParseAccountReply(step1.body) : std::nullopt;
        if (!id) {
            MsgBox(kServerErrorShort, vbCritical, QString());
            return;
        }
        UserID = *id;
    }

    for (EnlistTextBox* box : {txtUserName, txtPassword, txtPassword2, txtEmail, txtReferrer})
        box->setEnabled(false);
    ShowPage(2);
    cmdBack->setEnabled(true);
    TryFocus(txtFirstName);
}

void frmEnlist::NextOnAddress() {
    const struct {
        bool fails;
        const char* title;
        const char* message;
        QWidget* focus;
    } checks[] = {
        {txtFirstName->text().isEmpty(), "First Name missing", "You must enter your first name.",
         txtFirstName},
        {txtLastName->text().isEmpty(), "Last Name missing", "You must enter your last name.",
         txtLastName},
        {txtAddress1->text().isEmpty(), "Address missing", "You must enter your address.",
         txtAddress1},
        {txtCity->text().isEmpty(), "City missing", "You must enter your city.", txtCity},
        {cboState->currentIndex() < 0, "State missing", "You must specify your state.", cboState},
        {txtZip->text().isEmpty(), "Zip Code missing", "You must enter your zip/postal code.",
         txtZip},
        {cboCountry->currentIndex() < 0, "Country missing", "You must specify your country.",
         cboCountry},
    };
    for (const auto& check : checks) {
        if (check.fails) {
            MsgBox(QString::fromLatin1(check.message), vbInformation,
                   QString::fromLatin1(check.title));
            TryFocus(check.focus);
            return;
        }
    }
    ShowPage(3);
    cmdBack->setEnabled(true);
}

QString frmEnlist::ProfileStep2Body() const {
    auto position = [](const EnlistCombo* combo) {
        return QString::number(combo->currentIndex() + 1);
    };
    QString body = QStringLiteral("UserID=") + QString::number(UserID);
    const QPair<const char*, QString> fields[] = {
        {"FirstName", URLEncode(txtFirstName->text())},
        {"LastName", URLEncode(txtLastName->text())},
        {"Address1", URLEncode(txtAddress1->text())},
        {"Address2", URLEncode(txtAddress2->text())},
        {"City", URLEncode(txtCity->text())},
        {"State", cboState->currentText().left(2)},
        {"Zip", URLEncode(txtZip->text())},
        {"Country", cboCountry->currentText().left(2)},
        {"Phone", URLEncode(txtPhone->text())},
        {"DOBMonth", position(cboDOBMonth)},
        {"DOBYear", cboDOBYear->currentText()},
        {"Gender", position(cboGender)},
        {"Education", position(cboEducation)},
        {"Income", position(cboIncome)},
        {"MaritalStatus", QString::number(cboMaritalStatus->currentData().toInt())},
        {"Employment", position(cboEmployment)},
        {"HoursOnline", position(cboHoursOnline)},
        {"Frequency", position(cboFrequency)},
    };
    for (const auto& [key, value] : fields)
        body += QLatin1Char('&') + QString::fromLatin1(key) + QLatin1Char('=') + value;
    return body;
}

void frmEnlist::NextOnProfile() {
    const struct {
        const EnlistCombo* list;
        const char* title;
        const char* message;
    } checks[] = {
        {cboDOBMonth, "Date of birth missing", "You must specify your date of birth."},
        {cboDOBYear, "Date of birth missing", "You must specify your date of birth."},
        {cboGender, "Gender missing", "You must specify your gender."},
        {cboEducation, "Education missing", "You must specify your education."},
        {cboIncome, "Income missing", "You must specify your income."},
        {cboMaritalStatus, "Marital Status missing", "You must specify your marital status."},
        {cboEmployment, "Employment missing", "You must specify your employment."},
        {cboHoursOnline, "Hours Online missing", "You must specify your hours online."},
        {cboFrequency, "Frequency of purchases missing",
         "You must specify your frequency of online purchases."},
    };
    for (const auto& check : checks) {
        if (check.list->currentIndex() < 0) {
            MsgBox(QString::fromLatin1(check.message), vbInformation,
                   QString::fromLatin1(check.title));
            TryFocus(const_cast<EnlistCombo*>(check.list));
            return;
        }
    }

    // The profile completes the enrolment; thanking the user for a profile
    // the server never stored would leave the account unfinished unnoticed.
    const EnlistLink::PostResult step2 = Request(kStep2Page, ProfileStep2Body());
    if (!step2.ok()) {
        MsgBox(kServerErrorShort, vbCritical, QString());
        return;
    }

    if (!AddNewMode && !RegisterMode) {
        ShowPage(4);
        DownloadDB();
        return;
    }
    lblLogin->setText(QStringLiteral("User Name: ") + txtUserName->text() + kCrLf +
                      QStringLiteral("Password: ") + txtPassword->text());
    ShowPage(5);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    cmdCancel->setText(kClose);
}

void frmEnlist::cmdBack_Click() {
    switch (CurrentPage()) {
    case 2:
        ShowPage(1);
        TryFocus(txtUserName);
        cmdBack->setEnabled(false);
        break;
    case 3:
        ShowPage(2);
        TryFocus(txtFirstName);
        break;
    default:
        break;
    }
}

void frmEnlist::cmdCancel_Click() {
    if (cmdCancel->text() == kClose) {
        Unload();
        return;
    }
    if (MsgBox(kCancelPrompt, vbYesNo | vbQuestion, QStringLiteral("Cancel Sign Up")) ==
        platform::vbYes)
        Unload();
}

void frmEnlist::cmdEnlist_Click() {
    ShowPage(1);
    cmdNext->setEnabled(true);
    TryFocus(txtUserName);
}

void frmEnlist::KeyPressChain(EnlistTextBox* box, int& keyAscii) {
    if (box == txtUserName &&
        (keyAscii == '\'' || keyAscii == ' ' || keyAscii == '%' || keyAscii == '@')) {
        keyAscii = 0;
        return;
    }
    if (keyAscii != 13)
        return;
    const QPair<EnlistTextBox*, QWidget*> chain[] = {
        {txtLoginUserName, txtLoginPassword},
        {txtLoginPassword, nullptr},
        {txtUserName, txtPassword},
        {txtPassword, txtPassword2},
        {txtPassword2, txtEmail},
        {txtEmail, txtReferrer},
        {txtReferrer, nullptr},
        {txtFirstName, txtLastName},
        {txtLastName, txtAddress1},
        {txtAddress1, txtAddress2},
        {txtAddress2, txtCity},
        {txtCity, cboState},
        {txtZip, cboCountry},
        {txtPhone, nullptr},
    };
    for (const auto& [from, to] : chain) {
        if (from != box)
            continue;
        keyAscii = 0;
        if (to)
            TryFocus(to);
        else
            cmdNext_Click();
        return;
    }
}
