// The error dialog and the update prompt, as real widgets offscreen.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/TransferControl.h"
#include "shell/DialogHooks.h"
#include "shell/frmError.h"
#include "shell/frmUpdate.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace modGlobals;
using localservice::LocalService;
using localservice::Reply;

using testsupport::Dismiss;
using testsupport::WhenShown;

namespace {

// What became of the update prompt that its hook showed.
struct PromptAnswer {
    bool shown = false;     // the prompt came up
    bool modal = false;     // as a modal window
    bool pageDone = false;  // its page had arrived when the button was clicked
    bool updateNow = false; // what the hook returned
};

// Shows the update prompt through its hook and clicks `button` on it.
PromptAnswer AnswerUpdatePrompt(QPushButton* frmUpdate::*button) {
    PromptAnswer answer;
    WhenShown([&answer, button](QWidget* w) {
        auto* form = qobject_cast<frmUpdate*>(w);
        answer.shown = form != nullptr;
        if (!form) {
            Dismiss(w);
            return;
        }
        answer.modal = form->isModal();
        answer.pageDone = form->PageDone();
        QTest::mouseClick(form->*button, Qt::LeftButton);
    });
    answer.updateNow = windows::dialogs().ShowUpdatePrompt();
    return answer;
}

int CountErrorDialogs() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmError*>(w))
            ++n;
    return n;
}

// The next widget that Tab reaches from `from` inside its window.
QWidget* NextTabStop(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->window() == from->window())
            return w;
    }
    return nullptr;
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        gVersion = QStringLiteral("1.0.3");
    }
    void TearDown() override {
        if (frmError* form = frmError::Loaded())
            form->close();
        FlushDeletes();
        service.Stop();
        (void)QTest::qWaitFor([] { return !modInternet::Inet1().StillExecuting(); }, 20000);
    }
    testsupport::TestWorld world;
    LocalService service;
    testsupport::Installed<ShellDialogs> dialogs;
};

} // namespace

TEST_F(Dialogs, ErrorDialogLayout) {
    ShowError(QStringLiteral("Type mismatch"), 13, QStringLiteral("modGlobals.Main"));
    frmError* form = frmError::Loaded();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tarvel Error"));
    EXPECT_EQ(form->size(), QSize(355, 216)); // 5325 x 3240 twips
    EXPECT_EQ(form->Label1->text(),
              QStringLiteral("An error has occured. We would appreciate it if you could give us "
                             "feedback. Click on 'Report Error' to send us this error message and "
                             "tell us when it happened."));
    EXPECT_EQ(form->Label1->geometry(), QRect(16, 16, 321, 41));
    EXPECT_EQ(form->txtError->geometry(), QRect(16, 64, 321, 89));
    EXPECT_TRUE(form->txtError->isReadOnly());
    EXPECT_EQ(form->cmdReport->geometry(), QRect(16, 160, 80, 22));
    EXPECT_EQ(form->cmdReport->text(), QStringLiteral("Report Error"));
    EXPECT_EQ(form->cmdClose->geometry(), QRect(248, 184, 80, 22));
    EXPECT_EQ(form->cmdClose->text(), QStringLiteral("Close"));
    EXPECT_TRUE(form->cmdClose->isDefault());
    EXPECT_EQ(NextTabStop(form->txtError), form->cmdReport);
    EXPECT_EQ(NextTabStop(form->cmdReport), form->cmdClose);
}

TEST_F(Dialogs, ShowErrorFillsTheDialogAndItsMembers) {
    gVersion = QStringLiteral("2.4.1");
    ShowError(QStringLiteral("Overflow"), 6, QStringLiteral("clsItemManager.DownloadUpdates"));
    frmError* form = frmError::Loaded();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->txtError->toPlainText(), QStringLiteral("Overflow"));
    EXPECT_EQ(form->ErrorMsg, QStringLiteral("Overflow"));
    EXPECT_EQ(form->ErrorNo, 6);
    EXPECT_EQ(form->Location, QStringLiteral("clsItemManager.DownloadUpdates"));
    EXPECT_EQ(form->Version, QStringLiteral("2.4.1"));
}

TEST_F(Dialogs, ShowErrorTwiceShowsOneDialogWithTheSecondError) {
    ShowError(QStringLiteral("First"), 1, QStringLiteral("a.b"));
    frmError* first = frmError::Loaded();
    ShowError(QStringLiteral("Second"), 2, QStringLiteral("c.d"));
    FlushDeletes();
    EXPECT_EQ(frmError::Loaded(), first);
    EXPECT_EQ(CountErrorDialogs(), 1);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->txtError->toPlainText(), QStringLiteral("Second"));
    EXPECT_EQ(first->ErrorNo, 2);
    EXPECT_EQ(first->Location, QStringLiteral("c.d"));
}

TEST_F(Dialogs, ShowErrorPutsBackTheArrow) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShowError(QStringLiteral("x"), 1, QStringLiteral("y.z"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Dialogs, ReportErrorOpensTheReportPageAndUnloads) {
    gUserID = 1234;
    ShowError(QStringLiteral("Bad & worse? 100% \"quoted\" #1\r\nline"), -2147217900,
              QStringLiteral("frm&Main.Load"));
    frmError* form = frmError::Loaded();
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->cmdReport, Qt::LeftButton);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls.at(0).file,
              QStringLiteral("http://") + service.Host() +
                  QStringLiteral("/Vantrix/internal/../ReportError.asp?UserID=1234"
                                 "&Msg=Bad+%26+worse%3F+100%25+%22quoted%22+%231%0D%0Aline"
                                 "&Err=-2147217900&Location=frm&Main.Load&Version=1.0.3"));
    EXPECT_EQ(world.shell.calls.at(0).parameters, QStringLiteral("0"));
    EXPECT_EQ(world.shell.calls.at(0).directory, QStringLiteral("0"));
    EXPECT_EQ(frmError::Loaded(), nullptr);
    FlushDeletes();
    EXPECT_EQ(CountErrorDialogs(), 0);
}

TEST_F(Dialogs, ReportWhileLoggedOutSendsUserIdZero) {
    gUserID = 0;
    ShowError(QStringLiteral("e"), 5, QStringLiteral("m.p"));
    QTest::mouseClick(frmError::Loaded()->cmdReport, Qt::LeftButton);
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_TRUE(world.shell.calls.at(0).file.contains(QStringLiteral("?UserID=0&Msg=e&Err=5&")));
}

TEST_F(Dialogs, CloseEnterAndTheCloseBoxUnload) {
    ShowError(QStringLiteral("a"), 1, QStringLiteral("b.c"));
    QTest::mouseClick(frmError::Loaded()->cmdClose, Qt::LeftButton);
    EXPECT_EQ(frmError::Loaded(), nullptr);

    ShowError(QStringLiteral("a"), 1, QStringLiteral("b.c"));
    frmError* form = frmError::Loaded();
    ASSERT_NE(form, nullptr);
    form->txtError->setFocus();
    QTest::keyClick(form->txtError, Qt::Key_Return);
    EXPECT_EQ(frmError::Loaded(), nullptr);

    ShowError(QStringLiteral("a"), 1, QStringLiteral("b.c"));
    frmError::Loaded()->close();
    EXPECT_EQ(frmError::Loaded(), nullptr);
    EXPECT_TRUE(world.shell.calls.isEmpty());
}

TEST_F(Dialogs, ShowErrorRightAfterCloseLoadsAFreshDialog) {
    ShowError(QStringLiteral("old"), 1, QStringLiteral("b.c"));
    frmError::Loaded()->close(); // deleted only later
    ShowError(QStringLiteral("new"), 2, QStringLiteral("d.e"));
    FlushDeletes();
    frmError* form = frmError::Loaded();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->txtError->toPlainText(), QStringLiteral("new"));
    EXPECT_EQ(CountErrorDialogs(), 1);
}

// ---- update prompt ----

TEST_F(Dialogs, UpdatePromptLayoutAndPage) {
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"),
                     "<html><body><p>Version 2.0 is here.</p></body></html>");
    frmUpdate form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Update Available"));
    EXPECT_EQ(form.size(), QSize(521, 286)); // 7815 x 4290 twips
    EXPECT_EQ(form.WebBrowser1->geometry(), QRect(0, 0, 521, 241));
    EXPECT_EQ(form.cmdPostpone->geometry(), QRect(432, 256, 80, 22));
    EXPECT_EQ(form.cmdPostpone->text(), QStringLiteral("Postpone"));
    EXPECT_EQ(form.cmdUpdate->geometry(), QRect(344, 256, 80, 22));
    EXPECT_EQ(form.cmdUpdate->text(), QStringLiteral("Update Now"));
    EXPECT_EQ(NextTabStop(form.WebBrowser1), form.cmdPostpone);
    EXPECT_EQ(NextTabStop(form.cmdPostpone), form.cmdUpdate);
    EXPECT_FALSE(form.bRet);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PageDone(); }, 20000));
    EXPECT_TRUE(form.WebBrowser1->toPlainText().contains(QStringLiteral("Version 2.0 is here.")))
        << form.WebBrowser1->toPlainText().toStdString() << " "
        << frmUpdate::PageAddress().toStdString();
    const auto requests = service.RequestsFor(QStringLiteral("/Vantrix/UpdateAvailable.asp"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).method, QByteArray("GET"));
    EXPECT_EQ(requests.at(0).target,
              QByteArray("/Vantrix/internal/../UpdateAvailable.asp?Version=1.0.3"));
    EXPECT_EQ(requests.at(0).queryValue(QStringLiteral("Version")), QStringLiteral("1.0.3"));
}

TEST_F(Dialogs, UpdatePromptReadsTheDeclaredCharsetAndShowsItsPictures) {
    Reply image;
    image.body = testsupport::SolidPng(QSize(40, 30), Qt::darkGreen);
    image.contentType = "image/png";
    service.SetReply(QStringLiteral("/Vantrix/images/new.png"), image);
    // Declared by a meta tag, and by the header alone.
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"),
                     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                     "charset=utf-8\"></head><body><p>Caf\xc3\xa9 cr\xc3\xa8me</p>"
                     "<img src=\"images/new.png\"><img src=\"file:///etc/hostname\">"
                     "</body></html>");
    {
        frmUpdate form;
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.PicturesShown() == 1; }, 20000));
        EXPECT_TRUE(
            form.WebBrowser1->toPlainText().contains(QString::fromUtf8("Caf\xc3\xa9 cr\xc3\xa8me")))
            << form.WebBrowser1->toPlainText().toStdString();
        const QImage shown = form.WebBrowser1->document()
                                 ->resource(QTextDocument::ImageResource, QUrl("images/new.png"))
                                 .value<QImage>();
        EXPECT_EQ(shown.size(), QSize(40, 30));
        EXPECT_EQ(service.RequestsFor(QStringLiteral("/Vantrix/images/new.png")).size(), 1);
    }
    Reply plain;
    plain.body = "<p>Caf\xc3\xa9 cr\xc3\xa8me</p>";
    plain.contentType = "text/html; charset=UTF-8";
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"), plain);
    frmUpdate form;
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PageDone(); }, 20000));
    EXPECT_EQ(form.WebBrowser1->toPlainText(), QString::fromUtf8("Caf\xc3\xa9 cr\xc3\xa8me"));
}

TEST_F(Dialogs, UpdateNowAndPostponeSetTheChoiceAndHide) {
    frmUpdate form;
    form.show();
    QTest::mouseClick(form.cmdUpdate, Qt::LeftButton);
    EXPECT_TRUE(form.bRet);
    EXPECT_FALSE(form.isVisible());
    form.show();
    QTest::mouseClick(form.cmdPostpone, Qt::LeftButton);
    EXPECT_FALSE(form.bRet);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Dialogs, ClosingTheUpdatePromptIsPostponing) {
    frmUpdate form;
    form.show();
    form.close();
    EXPECT_FALSE(form.bRet);
    frmUpdate other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_FALSE(other.bRet);
}

TEST_F(Dialogs, UpdatePromptHookShowsItModally) {
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"), "<p>New</p>");
    const PromptAnswer now = AnswerUpdatePrompt(&frmUpdate::cmdUpdate);
    ASSERT_TRUE(now.shown);
    EXPECT_TRUE(now.modal);
    EXPECT_TRUE(now.updateNow);

    const PromptAnswer later = AnswerUpdatePrompt(&frmUpdate::cmdPostpone);
    ASSERT_TRUE(later.shown);
    EXPECT_FALSE(later.updateNow);
}

TEST_F(Dialogs, FailedUpdatePageLeavesAShortNote) {
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"), "<h1>Internal error</h1>",
                     500);
    frmUpdate form;
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PageDone(); }, 20000));
    EXPECT_FALSE(form.WebBrowser1->toPlainText().contains(QStringLiteral("Internal error")));
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    gServerBase = QStringLiteral("127.0.0.1:1/Vantrix/internal/");
    frmUpdate refused;
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.PageDone(); }, 20000));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(Dialogs, SlowUpdatePageDoesNotHoldTheButtons) {
    Reply slow;
    slow.body = "<p>late</p>";
    slow.delayMs = 60000;
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"), slow);
    const PromptAnswer later = AnswerUpdatePrompt(&frmUpdate::cmdPostpone);
    ASSERT_TRUE(later.shown);
    EXPECT_FALSE(later.pageDone); // clicked while the page is still on its way
    EXPECT_FALSE(later.updateNow);
    // The page that never came no longer keeps the control busy.
    EXPECT_FALSE(modInternet::Inet1().StillExecuting());
}

TEST_F(Dialogs, LinksOfTheUpdatePageOpenInTheBrowser) {
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"),
                     "<a href=\"whatsnew.asp?v=2\">What's new</a>");
    frmUpdate form;
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PageDone(); }, 20000));
    emit form.WebBrowser1->anchorClicked(QUrl(QStringLiteral("whatsnew.asp?v=2")));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls.at(0).file, QStringLiteral("http://") + service.Host() +
                                                QStringLiteral("/Vantrix/whatsnew.asp?v=2"));
}
