// The wizard page by page: the checks and their messages, the four requests
// with their exact bodies, Finish mode, Back, Cancel and the finished page.
#include "test_enlist_fixture.h"

#include <QTest>

namespace {

using platform::vbCritical;
using platform::vbInformation;
using platform::vbNo;
using platform::vbYes;

class EnlistFlowTest : public EnlistTest {
protected:
    void Show(frmEnlist& w) {
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    // The account page of an "/addnew" start, filled with valid values.
    std::unique_ptr<frmEnlist> AccountPage() {
        auto w = Load(QStringLiteral("/addnew"));
        w->txtUserName->setText(QStringLiteral("newuser"));
        w->txtPassword->setText(QStringLiteral("pass word"));
        w->txtPassword2->setText(QStringLiteral("pass word"));
        w->txtEmail->setText(QStringLiteral("new@example.com"));
        return w;
    }
    void ServeFreeName(int userId = 1234) {
        service.SetReply(kCheck, QByteArray());
        service.SetReply(kStep1, QByteArray::number(userId));
    }
    // The last message box, checked whole.
    void ExpectMessage(const QString& prompt, int flags, const QString& title) {
        ASSERT_FALSE(world.notifier.calls.isEmpty());
        EXPECT_EQ(world.notifier.calls.last().prompt, prompt);
        EXPECT_EQ(world.notifier.calls.last().flags, flags);
        EXPECT_EQ(world.notifier.calls.last().title, title);
    }
};

// --- page 0 -----------------------------------------------------------------

TEST_F(EnlistFlowTest, LoginNeedsBothBoxes) {
    auto w = Load(QString());
    Show(*w);
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setFocus();
    w->cmdNext_Click();
    ExpectMessage("You must enter your user name and password before continuing. If you do not "
                  "have an Tarvel account, click on the Sign Up button.",
                  vbInformation, "Cannot continue");
    EXPECT_EQ(QApplication::focusWidget(), w->txtLoginUserName);
    EXPECT_EQ(Count(kStatus), 0);
    EXPECT_EQ(w->CurrentPage(), 0);
}

TEST_F(EnlistFlowTest, ABlankIsNotEmpty) {
    service.SetReply(kStatus, QByteArray("NO"));
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral(" "));
    w->txtLoginPassword->setText(QStringLiteral(" "));
    w->cmdNext_Click();
    EXPECT_EQ(Body(kStatus), "UserName=+&Password=+");
}

TEST_F(EnlistFlowTest, LoginRefusedStaysWithBoxesUnchanged) {
    service.SetReply(kStatus, QByteArray("NO"));
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane&co"));
    w->txtLoginPassword->setText(QStringLiteral("it's?"));
    w->cmdNext_Click();
    EXPECT_EQ(Body(kStatus), "UserName=jane%26co&Password=it%27s%3F");
    ExpectMessage("Invalid User Name or Password.", vbInformation, "Cannot log in");
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_EQ(w->txtLoginUserName->text(), "jane&co");
    EXPECT_EQ(w->txtLoginPassword->text(), "it's?");
    EXPECT_FALSE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, OddLoginRepliesShowServerErrorAndStay) {
    const QByteArray replies[] = {"", "NO\r\n", "<html>500</html>", "1\r\n2",
                                  "7\r\nj@x.org\r\nperhaps", "x\r\nj@x.org\r\nFalse",
                                  // complete, but line 1 is no account id
                                  "x\r\nj@x.org\r\nTrue"};
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    for (const QByteArray& reply : replies) {
        service.SetReply(kStatus, reply);
        w->cmdNext_Click();
        ExpectMessage("Invalid response from server. Make sure you are currently connected to "
                      "the Internet and try again.",
                      vbCritical, "Server error");
        EXPECT_EQ(w->CurrentPage(), 0) << reply.toStdString();
        EXPECT_EQ(w->UserID, 0);
    }
    EXPECT_EQ(Count(kLocator), 0);
    EXPECT_FALSE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, LoginWithServerDownShowsServerError) {
    auto w = Load(QString());
    service.Stop();
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    w->cmdNext_Click();
    EXPECT_EQ(world.notifier.calls.last().title, "Server error");
    EXPECT_EQ(w->CurrentPage(), 0);
}

TEST_F(EnlistFlowTest, CompleteAccountGoesToTheDownload) {
    service.SetReply(kStatus, QByteArray("4711\r\nj@x.org\r\nTrue\r\n"));
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 4);
    EXPECT_EQ(Count(kLocator), 1);
    EXPECT_TRUE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, UnfinishedAccountEntersFinishModeOnPageTwo) {
    ServeUnfinished(77, QStringLiteral("jane@example.org"));
    auto w = Load(QString());
    Show(*w);
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("pw"));
    w->cmdNext_Click();
    ExpectMessage("Before you can use Tarvel, we need to ask you a few more questions. This will "
                  "allow us to personalize and localize the application to fit your needs.",
                  vbInformation, "Finish Sign Up");
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_EQ(w->UserID, 77);
    EXPECT_EQ(w->txtUserName->text(), "jane");
    EXPECT_EQ(w->txtPassword2->text(), "pw");
    EXPECT_EQ(w->txtEmail->text(), "jane@example.org");
    EXPECT_FALSE(w->txtReferrer->isEnabled());
    EXPECT_TRUE(w->cmdBack->isEnabled());
    EXPECT_EQ(w->lblTitle[0]->text(), "User Name and Password");
    EXPECT_EQ(w->lblTitle[1]->text(), "Finish the Tarvel Sign Up Process - Step 1 of 2");
    EXPECT_EQ(w->lblTitle[2]->text(), "Finish the Tarvel Sign Up Process - Step 2 of 2");
    EXPECT_EQ(QApplication::focusWidget(), w->txtFirstName);
}

TEST_F(EnlistFlowTest, FinishModeBackAndNextSkipTheAccountChecks) {
    // "demo" and "pw" are shorter than the account page allows; the fields
    // are disabled, so checking them again would trap the user.
    ServeUnfinished(77, QStringLiteral("no-at-sign"));
    auto w = Load(QStringLiteral("/register demo,pw"));
    w->cmdBack_Click();
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_FALSE(w->txtUserName->isEnabled());
    world.notifier.calls.clear();
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(Count(kCheck), 0);
    EXPECT_EQ(Count(kStep1), 0);
    EXPECT_TRUE(w->cmdBack->isEnabled());
}

// --- sign-up button, Back and Cancel --------------------------------------------

TEST_F(EnlistFlowTest, SignUpButtonOpensTheAccountPage) {
    auto w = Load(QString());
    Show(*w);
    w->cmdEnlist_Click();
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_TRUE(w->cmdNext->isEnabled());
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w->txtUserName);
    w->cmdBack_Click(); // nothing on page 1
    EXPECT_EQ(w->CurrentPage(), 1);
}

TEST_F(EnlistFlowTest, CancelAsksAndNoKeepsEverything) {
    auto w = AccountPage();
    world.notifier.answers = {vbNo};
    w->cmdCancel_Click();
    ExpectMessage("You have not finished the sign-up process. You will not be able to log into "
                  "Tarvel until you have an Tarvel account. Are you sure you want to exit?",
                  36, "Cancel Sign Up");
    EXPECT_FALSE(w->IsUnloaded());
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_EQ(w->txtUserName->text(), "newuser");
    world.notifier.answers = {vbYes};
    w->cmdCancel_Click();
    EXPECT_TRUE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, NextDoesNothingOnTheLastPages) {
    auto w = Load(QString());
    for (int page : {4, 5}) {
        w->stkPanels->setCurrentIndex(page);
        w->cmdNext_Click();
        EXPECT_EQ(w->CurrentPage(), page);
    }
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_TRUE(service.Requests().isEmpty());
}

// --- page 1 -----------------------------------------------------------------

TEST_F(EnlistFlowTest, AccountChecksInOrderWithTheirMessages) {
    auto w = AccountPage();
    Show(*w);
    struct Case {
        std::function<void(frmEnlist&)> change;
        const char* title;
        const char* message;
        QWidget* (*focus)(frmEnlist&);
    };
    const Case cases[] = {
        {[](frmEnlist& f) { f.txtUserName->setText("abcd"); }, "Invalid User Name",
         "Your User Name must be at least five characters long.",
         [](frmEnlist& f) -> QWidget* { return f.txtUserName; }},
        {[](frmEnlist& f) { f.txtPassword->setText("abcd"); }, "Invalid Password",
         "Your Password must be at least five characters long.",
         [](frmEnlist& f) -> QWidget* { return f.txtPassword; }},
        {[](frmEnlist& f) { f.txtPassword2->setText("PASS WORD"); }, "Passwords don't match",
         "Passwords don't match. Please try again.",
         [](frmEnlist& f) -> QWidget* { return f.txtPassword; }},
        {[](frmEnlist& f) { f.txtEmail->setText(""); }, "Email missing",
         "You must enter your email address.", [](frmEnlist& f) -> QWidget* { return f.txtEmail; }},
        {[](frmEnlist& f) { f.txtEmail->setText("new@examplecom"); }, "Invalid email",
         "That doesn't appear to be a valid email address. Please try again.",
         [](frmEnlist& f) -> QWidget* { return f.txtEmail; }},
        {[](frmEnlist& f) { f.txtEmail->setText("new.example.com"); }, "Invalid email",
         "That doesn't appear to be a valid email address. Please try again.",
         [](frmEnlist& f) -> QWidget* { return f.txtEmail; }},
    };
    for (const Case& c : cases) {
        auto fresh = AccountPage();
        Show(*fresh);
        c.change(*fresh);
        fresh->cmdNext_Click();
        ExpectMessage(c.message, vbInformation, c.title);
        EXPECT_EQ(QApplication::focusWidget(), c.focus(*fresh)) << c.title;
        EXPECT_EQ(fresh->CurrentPage(), 1);
    }
    // Several faults: the first in the order wins.
    w->txtUserName->setText("abc");
    w->txtPassword->setText("x");
    w->txtEmail->setText("");
    w->cmdNext_Click();
    EXPECT_EQ(world.notifier.calls.last().title, "Invalid User Name");
    EXPECT_EQ(Count(kCheck), 0);
}

TEST_F(EnlistFlowTest, BoundariesOfTheAccountChecks) {
    ServeFreeName();
    auto w = AccountPage();
    w->txtUserName->setText(QStringLiteral("abcde"));
    w->txtPassword->setText(QStringLiteral("12345"));
    w->txtPassword2->setText(QStringLiteral("12345"));
    // The only dot stands before the "@": the check looks for the two
    // characters only.
    w->txtEmail->setText(QStringLiteral("j.doe@localhost"));
    w->cmdNext_Click();
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(w->CurrentPage(), 2);
}

TEST_F(EnlistFlowTest, StepOneBodyEncodesEveryValueAndEndsWithEmptyReferrer) {
    ServeFreeName(1234);
    auto w = AccountPage();
    Show(*w);
    w->txtUserName->setText(QStringLiteral("ab&c?d+e"));
    w->cmdNext_Click();
    EXPECT_EQ(Body(kCheck), "UserName=ab%26c%3Fd+e");
    EXPECT_EQ(Body(kStep1),
              "UserName=ab%26c%3Fd+e&Password=pass+word&Email=new@example.com&Referrer=");
    EXPECT_EQ(w->UserID, 1234);
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_TRUE(w->cmdBack->isEnabled());
    for (QWidget* box :
         {static_cast<QWidget*>(w->txtUserName), static_cast<QWidget*>(w->txtPassword),
          static_cast<QWidget*>(w->txtPassword2), static_cast<QWidget*>(w->txtEmail),
          static_cast<QWidget*>(w->txtReferrer)})
        EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w->txtFirstName);
}

TEST_F(EnlistFlowTest, StepOneSendsTheReferrer) {
    ServeFreeName();
    auto w = AccountPage();
    w->txtReferrer->setText(QStringLiteral("old friend"));
    w->cmdNext_Click();
    EXPECT_EQ(Body(kStep1), "UserName=newuser&Password=pass+word&Email=new@example.com"
                            "&Referrer=old+friend");
}

TEST_F(EnlistFlowTest, TakenNameIsReplacedBySuggestionAndCheckedAgain) {
    service.SetReply(kCheck, QByteArray("newuser7"));
    auto w = AccountPage();
    Show(*w);
    w->cmdNext_Click();
    ExpectMessage("The user name you selected is already in use. You can use the new one "
                  "suggested or create a different user name.",
                  vbInformation, "User name already in use");
    EXPECT_EQ(w->txtUserName->text(), "newuser7");
    EXPECT_EQ(QApplication::focusWidget(), w->txtUserName);
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_EQ(Count(kStep1), 0);

    ServeFreeName(99);
    w->cmdNext_Click();
    EXPECT_EQ(Body(kCheck, 1), "UserName=newuser7");
    EXPECT_EQ(Body(kStep1), "UserName=newuser7&Password=pass+word&Email=new@example.com"
                            "&Referrer=");
    EXPECT_EQ(w->UserID, 99);
}

TEST_F(EnlistFlowTest, NameCheckWithServerDownCountsTheNameAsFree) {
    auto w = AccountPage();
    service.Stop();
    w->cmdNext_Click();
    // The check found nothing, step 1 then failed: one message only.
    ASSERT_EQ(world.notifier.calls.size(), 1);
    ExpectMessage("Server error.", vbCritical, QString());
    EXPECT_EQ(w->CurrentPage(), 1);
}

TEST_F(EnlistFlowTest, NameCheckErrorPageIsNoSuggestion) {
    service.SetReply(kCheck, QByteArray("<html>Internal error</html>"), 500);
    auto w = AccountPage();
    w->cmdNext_Click();
    ExpectMessage("Server error.", vbCritical, QString());
    EXPECT_EQ(w->txtUserName->text(), "newuser");
    EXPECT_EQ(Count(kStep1), 0);
}

TEST_F(EnlistFlowTest, StepOneReplyMustBeAnAccountId) {
    service.SetReply(kCheck, QByteArray());
    const QByteArray bad[] = {"", "ERR", "0", "-5", "12abc", "2147483648", "1.5", "99999999999"};
    auto w = AccountPage();
    for (const QByteArray& reply : bad) {
        world.notifier.calls.clear();
        service.SetReply(kStep1, reply);
        w->cmdNext_Click();
        ASSERT_EQ(world.notifier.calls.size(), 1) << reply.toStdString();
        ExpectMessage("Server error.", vbCritical, QString());
        EXPECT_EQ(w->CurrentPage(), 1);
        EXPECT_EQ(w->UserID, 0);
        EXPECT_TRUE(w->txtUserName->isEnabled());
        EXPECT_EQ(w->txtUserName->text(), "newuser");
    }
    // A number behind an error status is no id either.
    service.SetReply(kStep1, QByteArray("5"), 500);
    w->cmdNext_Click();
    EXPECT_EQ(w->UserID, 0);

    service.SetReply(kStep1, QByteArray("2147483647\r\n"));
    w->cmdNext_Click();
    EXPECT_EQ(w->UserID, 2147483647);
    EXPECT_EQ(w->CurrentPage(), 2);
}

TEST_F(EnlistFlowTest, BackAfterStepOneNeverCreatesTheAccountTwice) {
    ServeFreeName(55);
    auto w = AccountPage();
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 2);
    w->cmdBack_Click();
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_FALSE(w->txtUserName->isEnabled());
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_EQ(Count(kCheck), 1);
    EXPECT_EQ(Count(kStep1), 1);
    EXPECT_EQ(w->UserID, 55);
}

// --- page 2 -----------------------------------------------------------------

TEST_F(EnlistFlowTest, AddressChecksInOrder) {
    ServeUnfinished();
    auto w = Load(QStringLiteral("/register jane,secret"));
    Show(*w);
    struct Case {
        std::function<void(frmEnlist&)> clear;
        const char* title;
        const char* message;
        std::function<QWidget*(frmEnlist&)> focus;
    };
    const Case cases[] = {
        {[](frmEnlist& f) { f.txtFirstName->clear(); }, "First Name missing",
         "You must enter your first name.", [](frmEnlist& f) { return f.txtFirstName; }},
        {[](frmEnlist& f) { f.txtLastName->clear(); }, "Last Name missing",
         "You must enter your last name.", [](frmEnlist& f) { return f.txtLastName; }},
        {[](frmEnlist& f) { f.txtAddress1->clear(); }, "Address missing",
         "You must enter your address.", [](frmEnlist& f) { return f.txtAddress1; }},
        {[](frmEnlist& f) { f.txtCity->clear(); }, "City missing", "You must enter your city.",
         [](frmEnlist& f) { return f.txtCity; }},
        {[](frmEnlist& f) { f.cboState->setCurrentIndex(-1); }, "State missing",
         "You must specify your state.", [](frmEnlist& f) { return f.cboState; }},
        {[](frmEnlist& f) { f.txtZip->clear(); }, "Zip Code missing",
         "You must enter your zip/postal code.", [](frmEnlist& f) { return f.txtZip; }},
        {[](frmEnlist& f) { f.cboCountry->setCurrentIndex(-1); }, "Country missing",
         "You must specify your country.", [](frmEnlist& f) { return f.cboCountry; }},
    };
    for (const Case& c : cases) {
        FillAddress(*w);
        w->cboCountry->setCurrentIndex(0);
        c.clear(*w);
        w->cmdNext_Click();
        ExpectMessage(c.message, vbInformation, c.title);
        EXPECT_EQ(QApplication::focusWidget(), c.focus(*w)) << c.title;
        EXPECT_EQ(w->CurrentPage(), 2);
    }
    // Address line 2 and phone may stay empty; nothing is sent.
    FillAddress(*w);
    w->cboCountry->setCurrentIndex(0);
    const int before = service.Requests().size();
    w->cmdNext_Click();
    EXPECT_EQ(w->CurrentPage(), 3);
    EXPECT_TRUE(w->cmdBack->isEnabled());
    EXPECT_EQ(service.Requests().size(), before);
    // Back from page 3 keeps Back enabled.
    w->cmdBack_Click();
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_TRUE(w->cmdBack->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w->txtFirstName);
}

// --- page 3 -----------------------------------------------------------------

TEST_F(EnlistFlowTest, ProfileChecksInOrder) {
    ServeUnfinished();
    auto w = Load(QStringLiteral("/register jane,secret"));
    FillAddress(*w);
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 3);
    const struct {
        QComboBox* list;
        const char* title;
        const char* message;
    } cases[] = {
        {w->cboDOBMonth, "Date of birth missing", "You must specify your date of birth."},
        {w->cboDOBYear, "Date of birth missing", "You must specify your date of birth."},
        {w->cboGender, "Gender missing", "You must specify your gender."},
        {w->cboEducation, "Education missing", "You must specify your education."},
        {w->cboIncome, "Income missing", "You must specify your income."},
        {w->cboMaritalStatus, "Marital Status missing", "You must specify your marital status."},
        {w->cboEmployment, "Employment missing", "You must specify your employment."},
        {w->cboHoursOnline, "Hours Online missing", "You must specify your hours online."},
        {w->cboFrequency, "Frequency of purchases missing",
         "You must specify your frequency of online purchases."},
    };
    for (const auto& c : cases) {
        FillProfile(*w);
        c.list->setCurrentIndex(-1);
        w->cmdNext_Click();
        ExpectMessage(c.message, vbInformation, c.title);
        EXPECT_EQ(w->CurrentPage(), 3);
    }
    EXPECT_EQ(Count(kStep2), 0);
}

TEST_F(EnlistFlowTest, FullProfileSendsNineteenFieldsAndFinishes) {
    ServeFreeName(1234);
    service.SetReply(kStep2, QByteArray("OK"));
    auto w = AccountPage();
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 2);
    w->txtFirstName->setText(QStringLiteral("Mary Ann"));
    w->txtLastName->setText(QStringLiteral("O'Neil"));
    w->txtAddress1->setText(QStringLiteral("1 \"Main\" St & Co"));
    w->txtAddress2->setText(QStringLiteral("Apt 5?"));
    w->txtCity->setText(QStringLiteral("St. John's"));
    w->cboState->setCurrentIndex(w->cboState->findText("NF - NEWFOUNDLAND"));
    w->txtZip->setText(QStringLiteral("A1B 2C3"));
    w->cboCountry->setCurrentIndex(1);
    w->txtPhone->setText(QStringLiteral("+1 709 555-0100"));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 3);
    w->cboDOBMonth->setCurrentIndex(9);
    w->cboDOBYear->setCurrentIndex(w->cboDOBYear->findText("1970"));
    w->cboGender->setCurrentIndex(1);
    w->cboEducation->setCurrentIndex(2);
    w->cboIncome->setCurrentIndex(3);
    w->cboMaritalStatus->setCurrentIndex(2);
    w->cboEmployment->setCurrentIndex(4);
    w->cboHoursOnline->setCurrentIndex(1);
    w->cboFrequency->setCurrentIndex(0);
    w->cmdNext_Click();
    EXPECT_EQ(Body(kStep2),
              "UserID=1234&FirstName=Mary+Ann&LastName=O%27Neil"
              "&Address1=1+%22Main%22+St+%26+Co&Address2=Apt+5%3F&City=St.+John%27s&State=NF"
              "&Zip=A1B+2C3&Country=ca&Phone=+1+709+555-0100&DOBMonth=10&DOBYear=1970&Gender=2"
              "&Education=3&Income=4&MaritalStatus=5&Employment=5&HoursOnline=2&Frequency=1");
    // An "/addnew" start ends on the finished page.
    EXPECT_EQ(w->CurrentPage(), 5);
    EXPECT_EQ(w->lblLogin->text(), "User Name: newuser\r\nPassword: pass word");
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_FALSE(w->cmdNext->isEnabled());
    EXPECT_EQ(w->cmdCancel->text(), "Close");
    EXPECT_EQ(Count(kLocator), 0);
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    // Only Close ends the program, without a question.
    bool cancel = false;
    w->Form_QueryUnload(cancel, 0);
    EXPECT_TRUE(cancel);
    w->cmdCancel_Click();
    EXPECT_TRUE(w->IsUnloaded());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(EnlistFlowTest, EmptyOptionalFieldsLeaveTheirKeys) {
    ServeUnfinished(8);
    service.SetReply(kStep2, QByteArray("OK"));
    auto w = Load(QStringLiteral("/register jane,secret"));
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    w->cmdNext_Click();
    EXPECT_EQ(Body(kStep2),
              "UserID=8&FirstName=Jane&LastName=Doe&Address1=1+Main+St&Address2="
              "&City=Springfield&State=AL&Zip=12345&Country=us&Phone=&DOBMonth=1&DOBYear=1999"
              "&Gender=1&Education=1&Income=1&MaritalStatus=1&Employment=1&HoursOnline=1"
              "&Frequency=1");
    EXPECT_EQ(w->CurrentPage(), 5);
    EXPECT_EQ(w->lblLogin->text(), "User Name: jane\r\nPassword: secret");
}

TEST_F(EnlistFlowTest, StepTwoFailureShowsServerErrorAndStays) {
    ServeUnfinished(8);
    auto w = Load(QStringLiteral("/register jane,secret"));
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    service.SetReply(kStep2, QByteArray("<html>oops</html>"), 500);
    w->cmdNext_Click();
    ExpectMessage("Server error.", vbCritical, QString());
    EXPECT_EQ(w->CurrentPage(), 3);
    EXPECT_NE(w->cmdCancel->text(), "Close");

    service.Stop();
    w->cmdNext_Click();
    EXPECT_EQ(world.notifier.calls.size(), 3);
    EXPECT_EQ(w->CurrentPage(), 3);
    EXPECT_FALSE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, PlainStartEndsWithTheDownload) {
    ServeUnfinished(8);
    service.SetReply(kStep2, QByteArray("OK"));
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    w->cmdNext_Click();
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    w->cmdNext_Click();
    EXPECT_EQ(Count(kStep2), 1);
    EXPECT_EQ(w->CurrentPage(), 4);
    EXPECT_EQ(Count(kLocator), 1);
    EXPECT_TRUE(w->IsUnloaded());
}

TEST_F(EnlistFlowTest, ASilentServerDoesNotHangTheWizard) {
    EnlistLink::SetTimeoutMs(300);
    localservice::Reply slow;
    slow.body = "NO";
    slow.delayMs = 20000;
    service.SetReply(kStatus, slow);
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    w->cmdNext_Click();
    EXPECT_EQ(world.notifier.calls.last().title, "Server error");
    EXPECT_EQ(w->CurrentPage(), 0);
}

// The log-in details are shown exactly as they will be typed: a name or
// password that looks like markup is not drawn as markup.
TEST_F(EnlistFlowTest, FinishedPageShowsLoginDetailsAsPlainText) {
    ServeUnfinished(8);
    service.SetReply(kStep2, QByteArray("OK"));
    auto w = Load(QStringLiteral("/register jane<b>x,a<i>b&lt;c"));
    FillAddress(*w);
    w->cmdNext_Click();
    FillProfile(*w);
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentPage(), 5);
    EXPECT_EQ(w->lblLogin->text(), "User Name: jane<b>x\r\nPassword: a<i>b&lt;c");
    EXPECT_EQ(w->lblLogin->textFormat(), Qt::PlainText);
}

} // namespace
