// The server link through real HTTP: server discovery, the synchronous POST,
// the control-based GET, POST and download, the encodings and the ways of
// showing a page.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/Notifier.h"
#include "platform/TransferControl.h"
#include "support/EnvVar.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace modGlobals;
using localservice::LocalService;
using localservice::Reply;

using testsupport::EnvVar;

namespace {

const QString kMayBeDown = QStringLiteral(
    "Unable to connect to server. Our server may be down. Please try again later. Thank you "
    "for your patience.");
const QString kMayBeBusy = QStringLiteral(
    "Unable to connect to server. Our server may be busy. Please try again later. Thank you "
    "for your patience.");

// A loopback port that nothing listens on.
QString DeadHost() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("127.0.0.1:") + QString::number(port);
}

bool WaitIdle() {
    return QTest::qWaitFor([] { return !modInternet::Inet1().StillExecuting(); }, 20000);
}

class ServerLink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        gVersion = QStringLiteral("1.0.3");
    }
    void TearDown() override {
        service.Stop(); // ends any reply still delayed
        WaitIdle();
        modInternet::SetASPDataTimeoutMs(60000);
    }
    testsupport::TestWorld world;
    LocalService service;
};

} // namespace

// ---- server discovery ----

class WebHost : public ServerLink {
protected:
    void Discover(const QString& bootstrap) {
        EnvVar env("TARVEL_BOOTSTRAP_HOST", bootstrap);
        modInternet::GetWebHost();
    }
    void ExpectDefaults() {
        EXPECT_EQ(gServerHost, modInternet::DefaultServerHost());
        EXPECT_EQ(gServerPath, QStringLiteral("/Vantrix/internal/"));
        EXPECT_EQ(gServerBase, gServerHost + gServerPath);
    }
};

TEST_F(WebHost, TwoLinesNameHostAndPath) {
    service.SetReply(QStringLiteral("/url.txt"), "www9.example.com\r\n/Menu/live/\r\nignored");
    Discover(service.Host());
    EXPECT_EQ(gServerHost, QStringLiteral("www9.example.com"));
    EXPECT_EQ(gServerPath, QStringLiteral("/Menu/live/"));
    EXPECT_EQ(gServerBase, QStringLiteral("www9.example.com/Menu/live/"));
    const auto requests = service.RequestsFor(QStringLiteral("/url.txt"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).method, QByteArray("GET"));
    EXPECT_EQ(requests.at(0).target, QByteArray("/url.txt"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(WebHost, TrailingLineBreakAddsNoLine) {
    service.SetReply(QStringLiteral("/url.txt"), "10.0.0.7:8080\r\n/x/\r\n");
    Discover(service.Host());
    EXPECT_EQ(gServerHost, QStringLiteral("10.0.0.7:8080"));
    EXPECT_EQ(gServerPath, QStringLiteral("/x/"));

    // "host" CRLF alone is one line: the defaults, not an empty path.
    service.SetReply(QStringLiteral("/url.txt"), "www9.example.com\r\n");
    Discover(service.Host());
    ExpectDefaults();
}

TEST_F(WebHost, OneLineGivesTheDefaults) {
    service.SetReply(QStringLiteral("/url.txt"), "www9.example.com");
    Discover(service.Host());
    ExpectDefaults();
}

TEST_F(WebHost, EmptyReplyGivesTheDefaults) {
    service.SetReply(QStringLiteral("/url.txt"), "");
    Discover(service.Host());
    ExpectDefaults();
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(WebHost, NotFoundPageGivesTheDefaults) {
    // An error page of several lines names no server.
    service.SetReply(QStringLiteral("/url.txt"), "<html>\r\n<body>Not Found</body>\r\n</html>",
                     404);
    Discover(service.Host());
    ExpectDefaults();
}

TEST_F(WebHost, RefusedConnectionTellsOnceAndUsesTheDefaults) {
    Discover(DeadHost());
    ExpectDefaults();
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls.at(0).prompt, kMayBeDown);
    EXPECT_EQ(world.notifier.calls.at(0).title, QStringLiteral("Cannot connect"));
    EXPECT_EQ(world.notifier.calls.at(0).flags, int(platform::vbInformation));
    EXPECT_EQ(gInetError, 12029);
}

TEST_F(WebHost, ServerHostEnvironmentOverridesTheDefault) {
    EnvVar env("TARVEL_SERVER_HOST", QStringLiteral("127.0.0.1:1"));
    service.SetReply(QStringLiteral("/url.txt"), "one line");
    Discover(service.Host());
    EXPECT_EQ(gServerHost, QStringLiteral("127.0.0.1:1"));
    EXPECT_EQ(gServerBase, QStringLiteral("127.0.0.1:1/Vantrix/internal/"));
}

// ---- synchronous POST ----

TEST_F(ServerLink, GetASPDataSendsExactlyTheFormPost) {
    service.SetReply(QStringLiteral("/Vantrix/internal/loginUser.asp"), "1234\r\n1\r\nY");
    const QString reply =
        modInternet::GetASPData(gServerPath + QStringLiteral("loginUser.asp"),
                                QStringLiteral("UserName=anna&Password=p%26w&Version=1.0.3"));
    EXPECT_EQ(reply, QStringLiteral("1234\r\n1\r\nY"));
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 1);
    const auto& r = requests.at(0);
    EXPECT_EQ(r.method, QByteArray("POST"));
    EXPECT_EQ(r.target, QByteArray("/Vantrix/internal/loginUser.asp"));
    EXPECT_EQ(r.version, QByteArray("HTTP/1.0"));
    EXPECT_EQ(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(r.header("User-Agent"), QByteArray("http generic"));
    EXPECT_EQ(r.body, QByteArray("UserName=anna&Password=p%26w&Version=1.0.3"));
}

TEST_F(ServerLink, GetASPDataBodiesAreEightBitText) {
    service.SetHandler(QStringLiteral("/Vantrix/internal/echo.asp"),
                       [](const localservice::Request& r) {
                           Reply reply;
                           reply.body = "got:" + r.body + "\xe9";
                           return reply;
                       });
    const QString reply = modInternet::GetASPData(gServerPath + QStringLiteral("echo.asp"),
                                                  QStringLiteral("Name=Jos\u00e9"));
    EXPECT_EQ(reply, QStringLiteral("got:Name=Jos\u00e9\u00e9"));
    EXPECT_EQ(service.Requests().at(0).body, QByteArray("Name=Jos\xe9"));
}

TEST_F(ServerLink, GetASPDataGivesNothingForAnErrorReply) {
    service.SetReply(QStringLiteral("/Vantrix/internal/x.asp"), "Server error: oops", 500);
    EXPECT_EQ(modInternet::GetASPData(gServerPath + QStringLiteral("x.asp"), QString()), QString());
}

TEST_F(ServerLink, GetASPDataGivesNothingWhenRefused) {
    gServerHost = DeadHost();
    EXPECT_EQ(modInternet::GetASPData(gServerPath + QStringLiteral("x.asp"), QStringLiteral("a=1")),
              QString());
    gServerHost.clear();
    EXPECT_EQ(modInternet::GetASPData(gServerPath + QStringLiteral("x.asp"), QStringLiteral("a=1")),
              QString());
}

TEST_F(ServerLink, GetASPDataGivesUpOnAServerThatNeverAnswers) {
    Reply silent;
    silent.body = "too late";
    silent.delayMs = 60000;
    service.SetReply(QStringLiteral("/Vantrix/internal/slow.asp"), silent);
    modInternet::SetASPDataTimeoutMs(300);
    EXPECT_EQ(
        modInternet::GetASPData(gServerPath + QStringLiteral("slow.asp"), QStringLiteral("a")),
        QString());
}

TEST_F(ServerLink, GetASPDataReadsALongReplyWhole) {
    QByteArray big;
    for (int i = 0; big.size() < 100000; ++i)
        big += QByteArray::number(i) + "\r\n";
    service.SetReply(QStringLiteral("/Vantrix/internal/big.asp"), big);
    const QString reply = modInternet::GetASPData(gServerPath + QStringLiteral("big.asp"), {});
    EXPECT_EQ(reply.size(), big.size());
    EXPECT_EQ(reply.toLatin1(), big);
}

TEST_F(ServerLink, GetASPDataRunsNoTimerWhileItWaits) {
    Reply slow;
    slow.body = "OK";
    slow.delayMs = 300;
    service.SetReply(QStringLiteral("/Vantrix/internal/slow.asp"), slow);
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    EXPECT_EQ(modInternet::GetASPData(gServerPath + QStringLiteral("slow.asp"), {}),
              QStringLiteral("OK"));
    EXPECT_FALSE(fired); // it was due long ago, but no event ran
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, 5000));
}

// ---- encodings and pages shown ----

TEST(Encoding, URLEncodeMakesOnlyItsFiveReplacements) {
    EXPECT_EQ(modInternet::URLEncode(QStringLiteral("a b&c?")), QStringLiteral("a+b%26c%3F"));
    EXPECT_EQ(modInternet::URLEncode(QStringLiteral("100% + 1")), QStringLiteral("100%+++1"));
    EXPECT_EQ(modInternet::URLEncode(QStringLiteral("say \"it's\"")),
              QStringLiteral("say+%22it%27s%22"));
    EXPECT_EQ(modInternet::URLEncode(QStringLiteral("a=b#c/d\u00e9")),
              QStringLiteral("a=b#c/d\u00e9"));
}

TEST(Encoding, QueryEncodeSendsTheServicesCodePage) {
    // "é" and "€" are one Windows-1252 byte each, as in the form files; the
    // fields refuse an emoji before it gets here, and it never goes as UTF-8.
    EXPECT_EQ(modInternet::QueryEncode(QString::fromUtf8("\xc3\xa9 \xe2\x82\xac\xf0\x9f\x98\x80")),
              QStringLiteral("%E9+%80"));
}

TEST(Encoding, QueryEncodeEncodesEverythingButTheSafeCharacters) {
    EXPECT_EQ(modInternet::QueryEncode(QStringLiteral("a b&c?%+#=\r\n\u00e9/Az09-_.*")),
              QStringLiteral("a+b%26c%3F%25%2B%23%3D%0D%0A%E9%2FAz09-_.*"));
}

TEST(Encoding, CompanionBrowserParameters) {
    EXPECT_EQ(modInternet::BrowserParameters(6000, 4500, QStringLiteral("www.x.com/a?b=1"),
                                             QStringLiteral("A, B")),
              QStringLiteral("6000,4500,www.x.com/a?b=1,A%24 B"));
}

TEST_F(ServerLink, PagesOpenThroughTheShell) {
    modInternet::OpenServerPage(QStringLiteral("../help.asp"));
    modInternet::OpenDocument(QStringLiteral("http://www.example.com/"));
    ASSERT_EQ(world.shell.calls.size(), 2);
    EXPECT_EQ(world.shell.calls.at(0).file, QStringLiteral("http://") + service.Host() +
                                                QStringLiteral("/Vantrix/internal/../help.asp"));
    EXPECT_EQ(world.shell.calls.at(0).parameters, QStringLiteral("0"));
    EXPECT_EQ(world.shell.calls.at(0).directory, QStringLiteral("0"));
    EXPECT_EQ(world.shell.calls.at(1).file, QStringLiteral("http://www.example.com/"));
}

TEST_F(ServerLink, CompanionBrowserOrTheDefaultBrowser) {
    // No companion program: the default browser gets the address.
    modInternet::OpenBrowserWindow(6000, 4500, QStringLiteral("www.x.com/p"),
                                   QStringLiteral("T, U"));
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls.at(0).file, QStringLiteral("http://www.x.com/p"));

    QFile browser(world.appPath() + QStringLiteral("/Browser"));
    ASSERT_TRUE(browser.open(QIODevice::WriteOnly));
    browser.write("#!/bin/sh\n");
    browser.close();
    browser.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    modInternet::OpenBrowserWindow(6000, 4500, QStringLiteral("www.x.com/p"),
                                   QStringLiteral("T, U"));
    ASSERT_EQ(world.shell.calls.size(), 2);
    EXPECT_EQ(world.shell.calls.at(1).file, world.appPath() + QStringLiteral("/Browser"));
    EXPECT_EQ(world.shell.calls.at(1).parameters, QStringLiteral("6000,4500,www.x.com/p,T%24 U"));
    EXPECT_EQ(world.shell.calls.at(1).directory, QStringLiteral("0"));
}

// ---- control-based GET, POST and download ----

TEST_F(ServerLink, GetURLTextReadsThePage) {
    service.SetReply(QStringLiteral("/Vantrix/internal/news.asp"), "line1\r\nline2");
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("news.asp"), false),
              QStringLiteral("line1\r\nline2"));
    EXPECT_EQ(gInetError, 0);
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(ServerLink, GetURLTextTellsOfARefusedConnectionUnlessSilent) {
    gServerBase = DeadHost() + gServerPath;
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("news.asp"), true), QString());
    EXPECT_EQ(gInetError, 12029);
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("news.asp"), false), QString());
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls.at(0).prompt, kMayBeDown);
}

TEST_F(ServerLink, GetURLTextWaitsForTheControlLettingEventsRun) {
    Reply slow;
    slow.body = "first";
    slow.delayMs = 300;
    service.SetReply(QStringLiteral("/Vantrix/internal/slow.asp"), slow);
    service.SetReply(QStringLiteral("/Vantrix/internal/next.asp"), "second");
    QByteArray first;
    modInternet::Inet1().Execute(
        QStringLiteral("http://") + gServerBase + QStringLiteral("slow.asp"), QStringLiteral("GET"),
        {}, {}, [&](const platform::TransferResult& r) { first = r.body; });
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("next.asp"), true), QStringLiteral("second"));
    EXPECT_TRUE(fired);                    // events ran during the wait
    EXPECT_EQ(first, QByteArray("first")); // and the busy transfer ended on its own
}

TEST_F(ServerLink, SubmitPostDataPostsTheForm) {
    service.SetReply(QStringLiteral("/Vantrix/internal/addShortcut.asp"), "OK");
    int answered = -1;
    modInternet::SubmitPostData(QStringLiteral("addShortcut.asp"), QStringLiteral("ID=5&UserID=7"),
                                [&](bool ok) { answered = ok; });
    EXPECT_EQ(answered, -1); // returns at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered != -1; }, 20000));
    EXPECT_EQ(answered, 1);
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).method, QByteArray("POST"));
    EXPECT_EQ(requests.at(0).target, QByteArray("/Vantrix/internal/addShortcut.asp"));
    EXPECT_EQ(requests.at(0).header("Content-Type"),
              QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(requests.at(0).body, QByteArray("ID=5&UserID=7"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(ServerLink, SubmitPostDataErrorReplyIsNoDelivery) {
    service.SetReply(QStringLiteral("/Vantrix/internal/x.asp"), "error", 500);
    int answered = -1;
    modInternet::SubmitPostData(QStringLiteral("x.asp"), QStringLiteral("a=1"),
                                [&](bool ok) { answered = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered != -1; }, 20000));
    EXPECT_EQ(answered, 0);
    EXPECT_TRUE(world.notifier.calls.isEmpty()); // only "cannot connect" is told
}

TEST_F(ServerLink, SubmitPostDataTellsOfARefusedConnectionWhenItArrives) {
    gServerBase = DeadHost() + gServerPath;
    modInternet::SubmitPostData(QStringLiteral("x.asp"), QStringLiteral("a=1"));
    EXPECT_TRUE(world.notifier.calls.isEmpty()); // not known yet when the start returns
    ASSERT_TRUE(QTest::qWaitFor([&] { return !world.notifier.calls.isEmpty(); }, 20000));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls.at(0).prompt, kMayBeBusy);
    EXPECT_EQ(world.notifier.calls.at(0).title, QStringLiteral("Cannot connect"));
    EXPECT_EQ(world.notifier.calls.at(0).flags, int(platform::vbInformation));
    EXPECT_EQ(gInetError, 12029);
}

TEST_F(ServerLink, DownloadFileWritesTheWholeReplyAndShortensAnOldFile) {
    QByteArray bytes("GIF89a\0\1\2\3", 10);
    bytes += QByteArray(5000, '\x7f');
    service.SetReply(QStringLiteral("/images/icon.gif"), bytes);
    const QString target = world.imagesPath() + QStringLiteral("icon.gif");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(20000, 'z'));
    old.close();
    EXPECT_TRUE(modInternet::DownloadFile(QStringLiteral("../../images/icon.gif"), target));
    QFile now(target);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_EQ(now.readAll(), bytes);
    EXPECT_EQ(QDir(world.imagesPath()).entryList(QDir::Files), QStringList{"icon.gif"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ServerLink, DownloadFileWritesNoErrorPageOrEmptyReply) {
    const QString target = world.dataPath() + QStringLiteral("form.txt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("0.1\r\nkept");
    old.close();
    service.SetReply(QStringLiteral("/Vantrix/internal/missing.txt"), "<html>Not Found</html>",
                     404);
    service.SetReply(QStringLiteral("/Vantrix/internal/empty.txt"), "");
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("missing.txt"), target));
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("empty.txt"), target));
    gServerBase = DeadHost() + gServerPath;
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("missing.txt"), target));
    QFile now(target);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_EQ(now.readAll(), QByteArray("0.1\r\nkept"));
    EXPECT_EQ(QDir(world.dataPath()).entryList(QDir::Files), QStringList{"form.txt"});
    // No new file for a failed download either.
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("missing.txt"),
                                           world.dataPath() + QStringLiteral("new.txt")));
    EXPECT_FALSE(QFile::exists(world.dataPath() + QStringLiteral("new.txt")));
}
