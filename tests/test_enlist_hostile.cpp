// Enlist against a server that misbehaves: a valid status body sent with an
// error status or cut off, and an installer cut off on the way. Nothing of
// such a reply may move the wizard on or be started.
#include "test_enlist_fixture.h"

#include <QFile>
#include <QFileInfo>

namespace {

using localservice::Framing;
using localservice::Reply;
using platform::vbCritical;

class EnlistHostileTest : public EnlistTest {};

TEST_F(EnlistHostileTest, StatusBodyWithErrorStatusOrCutOffIsNoStatus) {
    const QByteArray unfinished = "77\r\njane@example.org\r\nFalse\r\n";
    auto w = Load(QString());
    w->txtLoginUserName->setText(QStringLiteral("jane"));
    w->txtLoginPassword->setText(QStringLiteral("pw"));
    Reply cut;
    cut.body = unfinished;
    cut.framing = Framing::ShortBody;
    Reply noEnd = cut;
    noEnd.framing = Framing::ChunkedNoEnd;
    Reply failed;
    failed.body = unfinished;
    failed.status = 500;
    for (const Reply& reply : {failed, cut, noEnd}) {
        service.SetReply(kStatus, reply);
        w->cmdNext_Click();
        ASSERT_FALSE(world.notifier.calls.isEmpty());
        EXPECT_EQ(world.notifier.calls.last().prompt,
                  "Invalid response from server. Make sure you are currently connected to the "
                  "Internet and try again.");
        EXPECT_EQ(world.notifier.calls.last().flags, vbCritical);
        // Never "Finish Sign Up" for an account the server did not vouch for.
        EXPECT_EQ(w->CurrentPage(), 0);
        EXPECT_EQ(w->UserID, 0);
    }
}

TEST_F(EnlistHostileTest, InstallerCutOffIsNeitherSavedNorStarted) {
    service.SetReply(
        kLocator,
        (QStringLiteral("http://") + service.Host() + QStringLiteral("/files/db.exe")).toLatin1());
    for (const Framing framing : {Framing::ShortBody, Framing::ChunkedNoEnd}) {
        world.notifier.calls.clear();
        world.shell.calls.clear();
        Reply installer;
        installer.body = QByteArray("#!/bin/sh\nexit 0\n") + QByteArray(50000, 'x');
        installer.framing = framing;
        service.SetReply(QStringLiteral("/files/db.exe"), installer);
        auto w = Load(QString());
        w->stkPanels->setCurrentIndex(4);
        w->DownloadDB();
        EXPECT_FALSE(QFileInfo::exists(world.dataPath() + QStringLiteral("db.exe")));
        // The user is sent to the download page instead.
        ASSERT_EQ(world.shell.calls.size(), 1);
        EXPECT_TRUE(world.shell.calls[0].file.endsWith(QStringLiteral("/tarvel/downloaddb.asp")));
        ASSERT_EQ(world.notifier.calls.size(), 1);
        EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Download database"));
    }
}

TEST_F(EnlistHostileTest, ANameCheckReplyOfOnlyALineEndKeepsTheTypedName) {
    // Such a reply once wiped the name, and the next Next said "Invalid User
    // Name". It suggests no name: the typed one is free and goes to step 1.
    service.SetReply(kCheck, QByteArray("\r\n"));
    service.SetReply(kStep1, QByteArray("321"));
    auto w = Load(QStringLiteral("/addnew"));
    w->txtUserName->setText(QStringLiteral("newuser"));
    w->txtPassword->setText(QStringLiteral("pass word"));
    w->txtPassword2->setText(QStringLiteral("pass word"));
    w->txtEmail->setText(QStringLiteral("new@example.com"));
    w->cmdNext_Click();
    EXPECT_EQ(w->txtUserName->text(), QStringLiteral("newuser"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    ASSERT_EQ(Count(kStep1), 1);
    EXPECT_TRUE(service.RequestsFor(kStep1)[0].body.startsWith("UserName=newuser&"));
    EXPECT_EQ(w->UserID, 321);
}

} // namespace
