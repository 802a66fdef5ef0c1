// The fields of the wizard: limits, the Enter chain, the focus colours, the
// user-name filter for typed and pasted text, and the window's geometry.
#include "test_enlist_fixture.h"

#include <QClipboard>
#include <QTest>

namespace {

using platform::vbInformation;

class EnlistFieldsTest : public EnlistTest {
protected:
    static bool Highlighted(const QWidget* w) {
        return w->palette().color(QPalette::Base) ==
                   QApplication::palette().color(QPalette::ToolTipBase) &&
               w->palette().color(QPalette::Text) ==
                   QApplication::palette().color(QPalette::ToolTipText);
    }
    static bool Normal(const QWidget* w) {
        return w->palette().color(QPalette::Base) ==
                   QApplication::palette().color(QPalette::Base) &&
               w->palette().color(QPalette::Text) == QApplication::palette().color(QPalette::Text);
    }
};

TEST_F(EnlistFieldsTest, LengthLimits) {
    auto w = Load(QStringLiteral("/addnew"));
    EXPECT_EQ(w->txtUserName->maxLength(), 20);
    EXPECT_EQ(w->txtPassword->maxLength(), 20);
    EXPECT_EQ(w->txtPassword2->maxLength(), 20);
    EXPECT_EQ(w->txtEmail->maxLength(), 50);
    EXPECT_EQ(w->txtReferrer->maxLength(), 20);
    EXPECT_EQ(w->txtFirstName->maxLength(), 25);
    EXPECT_EQ(w->txtLastName->maxLength(), 25);
    EXPECT_EQ(w->txtAddress1->maxLength(), 50);
    EXPECT_EQ(w->txtAddress2->maxLength(), 50);
    EXPECT_EQ(w->txtCity->maxLength(), 50);
    EXPECT_EQ(w->txtZip->maxLength(), 10);
    EXPECT_EQ(w->txtPhone->maxLength(), 25);

    // Typing stops at the limit; the login boxes take any length.
    QTest::keyClicks(w->txtUserName, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(w->txtUserName->text(), "abcdefghijklmnopqrst");
    const QString longText(300, QLatin1Char('x'));
    QTest::keyClicks(w->txtLoginUserName, longText);
    EXPECT_EQ(w->txtLoginUserName->text(), longText);
    QTest::keyClicks(w->txtLoginPassword, longText);
    EXPECT_EQ(w->txtLoginPassword->text(), longText);
}

TEST_F(EnlistFieldsTest, PasswordsShowStars) {
    auto w = Load(QString());
    for (QLineEdit* box :
         {static_cast<QLineEdit*>(w->txtLoginPassword), static_cast<QLineEdit*>(w->txtPassword),
          static_cast<QLineEdit*>(w->txtPassword2)}) {
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
        EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box),
                  '*');
    }
    EXPECT_EQ(w->txtLoginUserName->echoMode(), QLineEdit::Normal);
}

TEST_F(EnlistFieldsTest, UserNameRefusesTypedBlankApostrophePercentAndAt) {
    auto w = Load(QStringLiteral("/addnew"));
    QTest::keyClicks(w->txtUserName, QStringLiteral("a b'c%d@e&f?g"));
    EXPECT_EQ(w->txtUserName->text(), "abcde&f?g");
    // Only the user name box filters.
    QTest::keyClicks(w->txtReferrer, QStringLiteral("a b'c%d@e"));
    EXPECT_EQ(w->txtReferrer->text(), "a b'c%d@e");
}

TEST_F(EnlistFieldsTest, UserNameFilterAlsoAppliesToPastedText) {
    auto w = Load(QStringLiteral("/addnew"));
    w->txtUserName->setText(QStringLiteral("ab"));
    w->txtUserName->setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("x y'z%1@2"));
    w->txtUserName->paste();
    EXPECT_EQ(w->txtUserName->text(), "axyz12b");
    EXPECT_EQ(w->txtUserName->cursorPosition(), 6);
}

TEST_F(EnlistFieldsTest, EnterMovesAlongTheChainOfPageOne) {
    auto w = Shown(QStringLiteral("/addnew"));
    w->txtUserName->setFocus();
    QTest::keyClick(w->txtUserName, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->txtPassword);
    QTest::keyClick(w->txtPassword, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), w->txtPassword2);
    QTest::keyClick(w->txtPassword2, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->txtEmail);
    QTest::keyClick(w->txtEmail, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->txtReferrer);
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    // The referrer box ends the chain in Next, whatever the fields hold.
    QTest::keyClick(w->txtReferrer, Qt::Key_Return);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Invalid User Name");
    // Enter enters no character.
    EXPECT_TRUE(w->txtReferrer->text().isEmpty());
}

TEST_F(EnlistFieldsTest, EnterInTheLoginPasswordPressesNext) {
    auto w = Shown(QString());
    w->txtLoginUserName->setFocus();
    QTest::keyClick(w->txtLoginUserName, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->txtLoginPassword);
    QTest::keyClick(w->txtLoginPassword, Qt::Key_Return);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Cannot continue");
    EXPECT_EQ(world.notifier.calls[0].flags, vbInformation);

    service.SetReply(kStatus, QByteArray("NO"));
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("pw"));
    w->txtLoginPassword->setFocus();
    QTest::keyClick(w->txtLoginPassword, Qt::Key_Return);
    EXPECT_EQ(Body(kStatus), "UserName=jane&Password=pw");
    EXPECT_EQ(w->txtLoginPassword->text(), "pw");
}

TEST_F(EnlistFieldsTest, EnterOnTheAddressPageStopsAtTheLists) {
    ServeUnfinished();
    auto w = Shown(QStringLiteral("/register jane,secret"));
    ASSERT_EQ(w->CurrentPage(), 2);
    w->txtFirstName->setFocus();
    const QPair<QWidget*, QWidget*> steps[] = {{w->txtFirstName, w->txtLastName},
                                               {w->txtLastName, w->txtAddress1},
                                               {w->txtAddress1, w->txtAddress2},
                                               {w->txtAddress2, w->txtCity},
                                               {w->txtCity, w->cboState}};
    for (const auto& [from, to] : steps) {
        ASSERT_EQ(QApplication::focusWidget(), from);
        QTest::keyClick(from, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), to);
    }
    // Enter in a list does not move on.
    QTest::keyClick(w->cboState, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->cboState);

    w->txtZip->setFocus();
    QTest::keyClick(w->txtZip, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->cboCountry);

    // Phone ends in Next: the first check of page 2 speaks.
    w->txtPhone->setFocus();
    world.notifier.calls.clear();
    QTest::keyClick(w->txtPhone, Qt::Key_Return);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "First Name missing");
    EXPECT_EQ(QApplication::focusWidget(), w->txtFirstName);
}

TEST_F(EnlistFieldsTest, EscAndEnterOutsideTheChainDoNothing) {
    auto w = Shown(QString());
    w->txtLoginUserName->setFocus();
    QTest::keyClick(w->txtLoginUserName, Qt::Key_Escape);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_FALSE(w->IsUnloaded());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(w->CurrentPage(), 0);
}

TEST_F(EnlistFieldsTest, TextBoxesAreHighlightedWhileFocusedButNotSelected) {
    auto w = Shown(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    // The window opens with the first field of the tab order focused.
    ASSERT_EQ(QApplication::focusWidget(), w->txtLoginUserName);
    EXPECT_TRUE(Highlighted(w->txtLoginUserName));
    EXPECT_TRUE(Normal(w->txtLoginPassword));
    // Reached with Tab: highlighted, text still not selected.
    QTest::keyClick(w->txtLoginUserName, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->txtLoginPassword);
    EXPECT_TRUE(Highlighted(w->txtLoginPassword));
    EXPECT_FALSE(w->txtLoginPassword->hasSelectedText());
    EXPECT_TRUE(Normal(w->txtLoginUserName));
    // Back again with Shift+Tab: the same.
    QTest::keyClick(w->txtLoginPassword, Qt::Key_Backtab);
    EXPECT_TRUE(Highlighted(w->txtLoginUserName));
    EXPECT_FALSE(w->txtLoginUserName->hasSelectedText());
    EXPECT_TRUE(Normal(w->txtLoginPassword));
}

TEST_F(EnlistFieldsTest, ListsAreHighlightedOnlyOnceDroppedDown) {
    ServeUnfinished();
    auto w = Shown(QStringLiteral("/register jane,secret"));
    w->txtCity->setFocus();
    QTest::keyClick(w->txtCity, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->cboState);
    EXPECT_TRUE(Normal(w->cboState));
    w->cboState->showPopup();
    EXPECT_TRUE(Highlighted(w->cboState));
    w->cboState->hidePopup();
    EXPECT_TRUE(Highlighted(w->cboState));
    w->txtZip->setFocus();
    EXPECT_TRUE(Normal(w->cboState));
    EXPECT_TRUE(Highlighted(w->txtZip));
}

// The focus colours leave the disabled look alone: the locked account fields
// of Finish mode show greyed text, not the text of a box that takes input.
TEST_F(EnlistFieldsTest, LockedAccountFieldsLookDisabled) {
    ServeUnfinished();
    auto w = Shown(QStringLiteral("/register jane,secret"));
    const QPalette app = QApplication::palette();
    ASSERT_NE(app.color(QPalette::Disabled, QPalette::Text), app.color(QPalette::Text));
    for (EnlistTextBox* box :
         {w->txtUserName, w->txtPassword, w->txtPassword2, w->txtEmail, w->txtReferrer}) {
        ASSERT_FALSE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::Text),
                  app.color(QPalette::Disabled, QPalette::Text));
        EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::Base),
                  app.color(QPalette::Disabled, QPalette::Base));
    }
    // Enabled boxes keep their colours in the inactive window as well.
    EXPECT_EQ(w->txtCity->palette().color(QPalette::Inactive, QPalette::Text),
              app.color(QPalette::Text));
    w->txtCity->setFocus();
    EXPECT_EQ(w->txtCity->palette().color(QPalette::Inactive, QPalette::Base),
              app.color(QPalette::ToolTipBase));
}

TEST_F(EnlistFieldsTest, TabOrderFollowsTheDesign) {
    ServeUnfinished();
    auto w = Shown(QStringLiteral("/register jane,secret"));
    // Page 2: disabled buttons and hidden pages take no focus.
    w->txtFirstName->setFocus();
    const QWidget* expected[] = {w->txtLastName, w->txtAddress1, w->txtAddress2, w->txtCity,
                                 w->cboState,    w->txtZip,      w->cboCountry,  w->txtPhone};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(EnlistFieldsTest, WindowAndControlsSitWhereDesigned) {
    auto w = Load(QString());
    // 15 twips per pixel on the test screen.
    EXPECT_EQ(w->windowTitle(), "Welcome to Tarvel");
    EXPECT_EQ(w->size(), QSize(483, 339));
    EXPECT_EQ(w->stkPanels->geometry(), QRect(152, 16, 313, 265));
    EXPECT_EQ(w->cmdBack->geometry(), QRect(208, 304, 80, 22));
    EXPECT_EQ(w->cmdNext->geometry(), QRect(288, 304, 80, 22));
    EXPECT_EQ(w->cmdCancel->geometry(), QRect(384, 304, 80, 22));
    EXPECT_EQ(w->Image1->geometry(), QRect(16, 16, 126, 266));
    EXPECT_EQ(w->txtLoginUserName->geometry(), QRect(120, 192, 97, 19));
    EXPECT_EQ(w->cmdEnlist->geometry(), QRect(88, 72, 128, 22));
    EXPECT_EQ(w->cmdBack->text(), "< &Back");
    EXPECT_EQ(w->cmdNext->text(), "&Next >");
    EXPECT_EQ(w->cmdCancel->text(), "Cancel");
    EXPECT_EQ(w->cmdEnlist->text(), "Sign up for Tarvel now");
    EXPECT_EQ(w->Label1[20]->text(), "Your email address: (required) ");
    EXPECT_EQ(w->Label1[32]->text(), "Please wait...");
    EXPECT_EQ(w->lblLogin->text(), "User Name: Password:");
    EXPECT_TRUE(w->lblTitle[0]->font().bold());
    for (QPushButton* button : {w->cmdBack, w->cmdNext, w->cmdCancel})
        EXPECT_FALSE(button->isDefault());
}

} // namespace
