// The category log: lines appended in order, the upload body, and that the
// file goes only once the server has it.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/TransferControl.h"
#include "support/Files.h"
#include "support/Scripted.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

using namespace modGlobals;
using localservice::LocalService;
using localservice::Reply;
using testsupport::ReadFile;

namespace {

const QString kPage = QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp");

class CategoryLog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        gUserID = 1234;
        gCategoryLogFile = QStringLiteral("c1234.dat");
        service.SetReply(kPage, "OK");
    }
    void TearDown() override {
        service.Stop();
        WaitIdle();
    }
    static bool WaitIdle() {
        return QTest::qWaitFor([] { return !modInternet::Inet1().StillExecuting(); }, 20000);
    }
    QString LogPath() const { return world.dataPath() + gCategoryLogFile; }
    QList<QByteArray> Bodies() const {
        QList<QByteArray> out;
        for (const auto& r : service.RequestsFor(kPage))
            out << r.body;
        return out;
    }
    testsupport::TestWorld world;
    LocalService service;
};

} // namespace

TEST_F(CategoryLog, AppendLineAddsOneLineEachInOrder) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    AppendLine(gCategoryLogFile, QStringLiteral("34"));
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    EXPECT_EQ(ReadFile(LogPath()), QByteArray("12\r\n34\r\n12\r\n"));
}

TEST_F(CategoryLog, UploadSendsEveryLineThenRemovesTheFile) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    AppendLine(gCategoryLogFile, QStringLiteral("34"));
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    const auto requests = service.RequestsFor(kPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).method, QByteArray("POST"));
    EXPECT_EQ(requests.at(0).target, QByteArray("/Vantrix/internal/SubmitCategoryLog.asp"));
    EXPECT_EQ(requests.at(0).header("Content-Type"),
              QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(requests.at(0).body, QByteArray("UserID=1234&ID=12&ID=34&ID=12"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, FileStaysUntilTheServerHasIt) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    Reply slow;
    slow.body = "OK";
    slow.delayMs = 300;
    service.SetReply(kPage, slow);
    SubmitCategoryLog();
    EXPECT_TRUE(QFile::exists(LogPath())); // the upload has only started
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, FailedUploadKeepsTheFileForTheNextOne) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    AppendLine(gCategoryLogFile, QStringLiteral("34"));
    service.SetReply(kPage, "Server error", 500);
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadFile(LogPath()), QByteArray("12\r\n34\r\n"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());

    AppendLine(gCategoryLogFile, QStringLiteral("56"));
    service.SetReply(kPage, "OK");
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    const auto bodies = Bodies();
    ASSERT_EQ(bodies.size(), 2);
    EXPECT_EQ(bodies.at(1), QByteArray("UserID=1234&ID=12&ID=34&ID=56"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, RefusedUploadTellsTheUserAndKeepsTheFile) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    gServerBase = QStringLiteral("127.0.0.1:") + QString::number(port) + gServerPath;
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadFile(LogPath()), QByteArray("12\r\n"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls.at(0).title, QStringLiteral("Cannot connect"));
}

TEST_F(CategoryLog, LinesAppendedDuringAFailedUploadAreKept) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    Reply failing;
    failing.status = 500;
    failing.delayMs = 300;
    service.SetReply(kPage, failing);
    SubmitCategoryLog();
    AppendLine(gCategoryLogFile, QStringLiteral("34")); // a submenu opens meanwhile
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadFile(LogPath()), QByteArray("12\r\n34\r\n"));
}

TEST_F(CategoryLog, LinesAppendedDuringASuccessfulUploadStayForTheNextOne) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    Reply slow;
    slow.body = "OK";
    slow.delayMs = 300;
    service.SetReply(kPage, slow);
    SubmitCategoryLog();
    AppendLine(gCategoryLogFile, QStringLiteral("34"));
    AppendLine(gCategoryLogFile, QStringLiteral("56"));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadFile(LogPath()), QByteArray("34\r\n56\r\n"));
    service.SetReply(kPage, "OK");
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    const auto bodies = Bodies();
    ASSERT_EQ(bodies.size(), 2);
    EXPECT_EQ(bodies.at(0), QByteArray("UserID=1234&ID=12"));
    EXPECT_EQ(bodies.at(1), QByteArray("UserID=1234&ID=34&ID=56"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, ASecondUploadWhileOneIsUnderWaySendsNothingTwice) {
    AppendLine(gCategoryLogFile, QStringLiteral("12"));
    Reply slow;
    slow.body = "OK";
    slow.delayMs = 300;
    service.SetReply(kPage, slow);
    SubmitCategoryLog();
    AppendLine(gCategoryLogFile, QStringLiteral("34"));
    SubmitCategoryLog(); // waits for the first, then sends what is left
    ASSERT_TRUE(WaitIdle());
    const auto bodies = Bodies();
    ASSERT_EQ(bodies.size(), 2);
    EXPECT_EQ(bodies.at(0), QByteArray("UserID=1234&ID=12"));
    EXPECT_EQ(bodies.at(1), QByteArray("UserID=1234&ID=34"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, SentUnderTheUserIdOfItsOwnFileName) {
    AppendLine(gCategoryLogFile, QStringLiteral("7"));
    gUserID = 0; // logged out; the name still names the last user's log
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Bodies().size(), 1);
    EXPECT_EQ(Bodies().at(0), QByteArray("UserID=1234&ID=7"));

    gUserID = 99; // another user logged in, an old file named again
    AppendLine(gCategoryLogFile, QStringLiteral("8"));
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Bodies().size(), 2);
    EXPECT_EQ(Bodies().at(1), QByteArray("UserID=1234&ID=8"));
}

TEST_F(CategoryLog, LinesThatAreNoNumbersAreSkipped) {
    QFile file(LogPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("12\r\nabc\r\n\r\n 34 \r\n5x\r\n-3\r\n56");
    file.close();
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Bodies().size(), 1);
    EXPECT_EQ(Bodies().at(0), QByteArray("UserID=1234&ID=12&ID=34&ID=-3&ID=56"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, EmptyLogSendsTheUserIdAlone) {
    QFile file(LogPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SubmitCategoryLog();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Bodies().size(), 1);
    EXPECT_EQ(Bodies().at(0), QByteArray("UserID=1234"));
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(CategoryLog, NothingToSend) {
    SubmitCategoryLog(); // no file
    gCategoryLogFile.clear();
    AppendLine(QStringLiteral("c1234.dat"), QStringLiteral("1"));
    SubmitCategoryLog(); // no file name
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(service.Requests().isEmpty());
    EXPECT_FALSE(modInternet::Inet1().StillExecuting());
}
