// Pages handed to the desktop's browser through the real shell: xdg-open
// (xdg-utils) carries the address; when no browser can be started, whether
// xdg-open says so in its exit status or is missing altogether, the user is
// told in a box that shows the address.
#include "platform/Shell.h"
#include "support/Scripted.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kAddress = QStringLiteral("http://127.0.0.1:9/Vantrix/internal/Welcome.asp?UserID=0");

class BrowserOpen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bin.isValid());
        oldPath_ = qgetenv("PATH");
        oldBrowser_ = qgetenv("BROWSER");
        // Only what this test puts there: no real browser may start.
        qputenv("PATH", QFile::encodeName(bin.path()));
        qunsetenv("BROWSER");
    }
    void TearDown() override {
        qputenv("PATH", oldPath_);
        if (!oldBrowser_.isNull())
            qputenv("BROWSER", oldBrowser_);
    }
    // An xdg-open that records the address it was given and ends with
    // status; 3 is what the real one answers when it finds no browser.
    void XdgOpen(int status) {
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\nexit " +
                     QByteArray::number(status) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QByteArray Given() const {
        QFile file(bin.filePath(QStringLiteral("xdg-open.arg")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    template <typename Condition> static bool WaitUntil(Condition done, int ms) {
        QDeadlineTimer limit(ms);
        while (!done()) {
            if (limit.hasExpired())
                return false;
            QTest::qWait(20);
        }
        return true;
    }

    QTemporaryDir bin;
    testsupport::ScriptedNotifier notifier;

private:
    QByteArray oldPath_;
    QByteArray oldBrowser_;
};

TEST_F(BrowserOpen, APageGoesToXdgOpenAndNoBoxComes) {
    XdgOpen(0);
    EXPECT_TRUE(platform::shell().Execute(kAddress, "0", "0"));
    ASSERT_TRUE(WaitUntil([&] { return !Given().isEmpty(); }, 10000));
    EXPECT_EQ(Given(), kAddress.toLatin1());
    QTest::qWait(300);
    EXPECT_TRUE(notifier.calls.isEmpty());
}

TEST_F(BrowserOpen, NoBrowserFoundByXdgOpenIsToldInABoxWithTheAddress) {
    XdgOpen(3);
    EXPECT_TRUE(platform::shell().Execute(kAddress, "0", "0"));
    ASSERT_TRUE(WaitUntil([&] { return !notifier.calls.isEmpty(); }, 10000));
    ASSERT_EQ(notifier.calls.size(), 1);
    EXPECT_TRUE(notifier.calls[0].prompt.contains(kAddress))
        << notifier.calls[0].prompt.toStdString();
    EXPECT_EQ(Given(), kAddress.toLatin1());
}

// Enlist ends right after it opened its fallback page: the end waits for
// xdg-open's answer, so the address is still shown.
TEST_F(BrowserOpen, AProgramEndingRightAfterTheOpenStillShowsTheBox) {
    XdgOpen(3);
    EXPECT_TRUE(platform::shell().Execute(kAddress, "0", "0"));
    EXPECT_TRUE(notifier.calls.isEmpty()); // xdg-open has not answered yet
    platform::FinishPageOpens(10000);
    ASSERT_EQ(notifier.calls.size(), 1);
    EXPECT_TRUE(notifier.calls[0].prompt.contains(kAddress));
}

TEST_F(BrowserOpen, WithoutXdgOpenOrAnyBrowserTheBoxComesAtOnce) {
    EXPECT_FALSE(platform::shell().Execute(kAddress, "0", "0"));
    ASSERT_EQ(notifier.calls.size(), 1);
    EXPECT_TRUE(notifier.calls[0].prompt.contains(kAddress))
        << notifier.calls[0].prompt.toStdString();
}

} // namespace
