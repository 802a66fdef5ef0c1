// What the wizard takes from the user and the server beyond the design's
// rules: text the 8-bit server link cannot carry, pasted and suggested user
// names against the length limit, keys and clicks given while a request runs,
// Enter on a focused button, and the agent name on every request.
#include "platform/Latin1Text.h"
#include "test_enlist_fixture.h"

#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTimer>

namespace {

class EnlistInputTest : public EnlistTest {
protected:
    int NotLatin1Messages() const {
        int n = 0;
        for (const auto& call : world.notifier.calls)
            n += call.prompt == platform::NotAnsiMessage();
        return n;
    }
    static void Paste(QWidget* box) { QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier); }
    // Typed characters beyond ASCII, as a keyboard layout delivers them.
    static void Type(QWidget* box, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &release);
        }
    }
};

TEST_F(EnlistInputTest, TextBeyondTheCodePageIsRefusedTypedOrPastedWithOneMessage) {
    auto w = Shown(QStringLiteral("/addnew"));
    // Typed: the Cyrillic letters never enter, Latin-1 accents do.
    w->txtFirstName->setFocus();
    Type(w->txtFirstName, QStringLiteral("Jos\u00e9\u0418"));
    EXPECT_EQ(w->txtFirstName->text(), QStringLiteral("Jos\u00e9"));
    EXPECT_EQ(NotLatin1Messages(), 1);

    // Pasted into the middle of a password: one message for the whole paste,
    // the cursor after what was kept.
    w->txtPassword->setText(QStringLiteral("ab"));
    w->txtPassword->setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("\u043f\u0430\u0440x\u043e\u043b\u044c1"));
    Paste(w->txtPassword);
    EXPECT_EQ(w->txtPassword->text(), "ax1b");
    EXPECT_EQ(w->txtPassword->cursorPosition(), 3);
    EXPECT_EQ(NotLatin1Messages(), 2);

    // A paste from code, not through the keys, is caught as well.
    w->txtCity->setText(QStringLiteral("Ulm"));
    QApplication::clipboard()->setText(QStringLiteral("\u6771\u4eac"));
    w->txtCity->paste();
    EXPECT_EQ(w->txtCity->text(), "Ulm");
    EXPECT_EQ(NotLatin1Messages(), 3);

    // The euro sign has its byte in the service's code page (Windows-1252);
    // an emoji (beyond one UTF-16 unit) has none.
    w->txtAddress2->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("5\u20ac \U0001F600ok"));
    Paste(w->txtAddress2);
    EXPECT_EQ(w->txtAddress2->text(), QStringLiteral("5\u20ac ok"));

    // A clean paste says nothing.
    const int before = NotLatin1Messages();
    QApplication::clipboard()->setText(QStringLiteral("M\u00fcller"));
    Paste(w->txtLastName);
    EXPECT_EQ(w->txtLastName->text(), QStringLiteral("M\u00fcller"));
    EXPECT_EQ(NotLatin1Messages(), before);
}

TEST_F(EnlistInputTest, WhatTheServerReceivesIsWhatTheBoxesShow) {
    service.SetReply(kCheck, QByteArray());
    service.SetReply(kStep1, QByteArray("77"));
    auto w = Shown(QStringLiteral("/addnew"));
    QApplication::clipboard()->setText(QStringLiteral("\u0418\u0432\u0430\u043dren\u00e9"));
    Paste(w->txtUserName);
    Paste(w->txtPassword);
    Paste(w->txtPassword2);
    w->txtEmail->setText(QStringLiteral("r@x.org"));
    EXPECT_EQ(w->txtUserName->text(), QStringLiteral("ren\u00e9"));
    w->txtUserName->setText(QStringLiteral("ren\u00e9e"));
    w->txtPassword->setText(QStringLiteral("ren\u00e9e"));
    w->txtPassword2->setText(QStringLiteral("ren\u00e9e"));
    w->cmdNext_Click();
    ASSERT_EQ(Count(kStep1), 1);
    // One byte per character, no "?" anywhere.
    const QByteArray body = service.RequestsFor(kStep1).at(0).body;
    EXPECT_EQ(body, QByteArray("UserName=ren\xe9"
                               "e&Password=ren\xe9"
                               "e&Email=r@x.org&Referrer="));
}

TEST_F(EnlistInputTest, PastedUserNamesAreFilteredFirstAndCutToTheLimitAfter) {
    auto w = Shown(QStringLiteral("/addnew"));
    QApplication::clipboard()->setText(
        QStringLiteral("a b c d e f g h i j k l m n o p q r s t u v"));
    Paste(w->txtUserName);
    EXPECT_EQ(w->txtUserName->text(), "abcdefghijklmnopqrst");

    // Into a box that is nearly full, over a selection: the room left counts.
    w->txtUserName->setText(QStringLiteral("0123456789abcdefgh"));
    w->txtUserName->setSelection(2, 4); // "2345"
    QApplication::clipboard()->setText(QStringLiteral("'X' 'Y'@%Z%W%V%U%T"));
    Paste(w->txtUserName);
    EXPECT_EQ(w->txtUserName->text(), "01XYZWVU6789abcdefgh");

    // Dropped text goes the same way.
    w->txtUserName->clear();
    QMimeData mime;
    mime.setText(QStringLiteral("x y z 1 2 3 4 5 6 7 8 9 0 a b c d e f g h i"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->txtUserName, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->txtUserName, &drop);
    EXPECT_EQ(w->txtUserName->text(), "xyz1234567890abcdefg");

    // Other boxes refuse nothing but the characters the server cannot carry.
    QApplication::clipboard()->setText(QStringLiteral("a b'c%d@e"));
    Paste(w->txtReferrer);
    EXPECT_EQ(w->txtReferrer->text(), "a b'c%d@e");
}

TEST_F(EnlistInputTest, ASuggestedNameLosesItsLineEndAndKeepsTheLimit) {
    service.SetReply(kCheck, QByteArray("newuser7\r\n"));
    auto w = Shown(QStringLiteral("/addnew"));
    QTest::keyClicks(w->txtUserName, QStringLiteral("newuser"));
    for (EnlistTextBox* box : {w->txtPassword, w->txtPassword2})
        box->setText(QStringLiteral("secret"));
    w->txtEmail->setText(QStringLiteral("n@x.org"));
    w->cmdNext_Click();
    EXPECT_EQ(w->txtUserName->text(), "newuser7");
    service.SetReply(kCheck, QByteArray("a_name_far_longer_than_twenty_1\r\nsecond line"));
    w->cmdNext_Click();
    EXPECT_EQ(Body(kCheck, 1), "UserName=newuser7"); // no line end sent back
    EXPECT_EQ(w->txtUserName->text(), "a_name_far_longer_th");
    EXPECT_EQ(w->txtUserName->maxLength(), 20);
    // Typing after the suggestion still stops at the limit.
    w->txtUserName->end(false);
    QTest::keyClicks(w->txtUserName, QStringLiteral("xyz"));
    EXPECT_EQ(w->txtUserName->text(), "a_name_far_longer_th");
    // A suggestion holds nothing the user could not type.
    service.SetReply(kCheck, QByteArray("jane doe@home\n"));
    w->cmdNext_Click();
    EXPECT_EQ(w->txtUserName->text(), "janedoehome");
}

TEST_F(EnlistInputTest, ClicksAndKeysDuringASlowStepAreDroppedNotReplayed) {
    localservice::Reply slow;
    slow.delayMs = 500;
    service.SetReply(kCheck, slow);
    service.SetReply(kStep1, QByteArray("41"));
    auto w = Shown(QStringLiteral("/addnew"));
    w->txtUserName->setText(QStringLiteral("newuser"));
    w->txtPassword->setText(QStringLiteral("secret"));
    w->txtPassword2->setText(QStringLiteral("secret"));
    w->txtEmail->setText(QStringLiteral("n@x.org"));

    bool waitCursor = false;
    QTimer::singleShot(150, w.get(), [&] {
        waitCursor = QApplication::overrideCursor() &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        // The impatient double click on Next, a key typed into a box.
        QTest::mouseDClick(w->cmdNext, Qt::LeftButton);
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QTest::keyClicks(w->txtEmail, QStringLiteral("zz"));
    });
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QTest::qWait(100); // anything left queued would run now
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_TRUE(world.notifier.calls.isEmpty()) << world.notifier.calls[0].title.toStdString();
    EXPECT_EQ(Count(kCheck), 1);
    EXPECT_EQ(Count(kStep1), 1);
    EXPECT_EQ(w->txtEmail->text(), "n@x.org");
    // Input after the request is taken as usual.
    QTest::keyClicks(w->txtFirstName, QStringLiteral("Jo"));
    EXPECT_EQ(w->txtFirstName->text(), "Jo");
}

TEST_F(EnlistInputTest, EnterOnAFocusedButtonPressesItAsSpaceDoes) {
    auto w = Shown(QString());
    w->cmdEnlist->setFocus();
    QTest::keyClick(w->cmdEnlist, Qt::Key_Return);
    EXPECT_EQ(w->CurrentPage(), 1);
    world.notifier.answers.push_back(platform::vbNo);
    w->cmdCancel->setFocus();
    QTest::keyClick(w->cmdCancel, Qt::Key_Enter); // the keypad's Enter
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, "Cancel Sign Up");
    EXPECT_FALSE(w->IsUnloaded());
    // Next on the empty account page: Space and Enter give the same check.
    w->cmdNext->setFocus();
    QTest::keyClick(w->cmdNext, Qt::Key_Space);
    QTest::keyClick(w->cmdNext, Qt::Key_Return);
    ASSERT_EQ(world.notifier.calls.size(), 3);
    EXPECT_EQ(world.notifier.calls[1].title, "Invalid User Name");
    EXPECT_EQ(world.notifier.calls[2].title, "Invalid User Name");
    // A disabled button takes nothing.
    w->cmdBack->setEnabled(false);
    QTest::keyClick(w->cmdBack, Qt::Key_Return);
    EXPECT_EQ(world.notifier.calls.size(), 3);
    EXPECT_EQ(w->CurrentPage(), 1);
}

TEST_F(EnlistInputTest, EveryRequestCarriesTheAgentName) {
    service.SetReply(kStatus, QByteArray("NO"));
    service.SetReply(kCheck, QByteArray());
    service.SetReply(kStep1, QByteArray("5"));
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("secret"));
    w->cmdNext_Click();
    w->cmdEnlist_Click();
    w->txtUserName->setText(QStringLiteral("janedoe"));
    w->txtPassword->setText(QStringLiteral("secret"));
    w->txtPassword2->setText(QStringLiteral("secret"));
    w->txtEmail->setText(QStringLiteral("j@x.org"));
    w->cmdNext_Click();
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 3);
    for (const auto& r : requests)
        EXPECT_EQ(r.header("User-Agent"), "http generic") << r.path.toStdString();
}

} // namespace
