// A server that misbehaves, through real HTTP: replies cut off before the end
// their framing declares, error statuses carrying data, malformed status
// lines, replies that never end or are huge; url.txt lines that would inject
// into requests; favorites that point at programs; a settings file that
// cannot be written. What must hold: nothing of such a reply is taken as
// data (no login, cache or file written), and the user is told plainly.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Http.h"
#include "platform/TransferControl.h"
#include "support/Files.h"
#include "support/RawServer.h"
#include "test_store_fixture.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>

#include <algorithm>

using namespace modGlobals;
using localservice::Framing;
using localservice::Reply;

using testsupport::ReadFile;

namespace {

const QString kUnableToConnect =
    QStringLiteral("Tarvel was unable to connect to the server. Make sure you are currently "
                   "connected to the Internet and try again.");

Reply Scripted(const QByteArray& body, Framing framing, int status = 200) {
    Reply reply;
    reply.body = body;
    reply.framing = framing;
    reply.status = status;
    return reply;
}

class HostileTest : public storetest::StoreTest {
protected:
    HostileTest() {
        service.SetReply(
            QStringLiteral("/url.txt"),
            (service.Host() + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
    }
    ~HostileTest() override { qunsetenv("TARVEL_BOOTSTRAP_HOST"); }
    QString Asp(const QString& page, const QString& data = QString()) {
        return modInternet::GetASPData(gServerPath + page, data);
    }
    QString Login() const { return Page("loginUser.asp"); }
    static QString GoodLogin() {
        return QStringLiteral("42\r\nTrue\r\n1\r\n1.0.3\r\nX\r\nBob Smith\r\nkey\r\n");
    }
    QStringList Prompts() const {
        QStringList out;
        for (const auto& call : world.notifier.calls)
            out << call.prompt;
        return out;
    }
};

// ---- cut off, malformed and error replies -----------------------------------

TEST_F(HostileTest, ReplyShorterThanItsLengthOrWithoutItsLastChunkIsNoReply) {
    // The update reply of the report: 29 bytes declared, 26 sent; the cut
    // line "D,4" must never arrive as if it were whole.
    service.SetReply(Page("short.asp"), Scripted("20261208120000\r\nD,4", Framing::ShortBody));
    EXPECT_EQ(Asp(QStringLiteral("short.asp")), QString());
    service.SetReply(Page("noend.asp"), Scripted("stamp\r\nD,40\r\n", Framing::ChunkedNoEnd));
    EXPECT_EQ(Asp(QStringLiteral("noend.asp")), QString());
    // The same bodies properly framed come through whole, chunks joined.
    service.SetReply(Page("chunked.asp"), Scripted("stamp\r\nD,40\r\n", Framing::Chunked));
    EXPECT_EQ(Asp(QStringLiteral("chunked.asp")), QStringLiteral("stamp\r\nD,40\r\n"));
    service.SetReply(Page("close.asp"), Scripted("to the end", Framing::UntilClose));
    EXPECT_EQ(Asp(QStringLiteral("close.asp")), QStringLiteral("to the end"));
}

TEST_F(HostileTest, ErrorStatusesAndMalformedStatusLinesCarryNoData) {
    for (const int status : {301, 404, 500}) {
        service.SetReply(Page("x.asp"), GoodLogin().toLatin1(), status);
        EXPECT_EQ(Asp(QStringLiteral("x.asp")), QString()) << status;
    }
    for (const QByteArray& line : {QByteArray("HTTP/1.1 2OO OK"), QByteArray("HTTP/1.1 20 OK"),
                                   QByteArray("ICY 200 OK"), QByteArray("HTTP/1.1")}) {
        Reply reply = Scripted(GoodLogin().toLatin1(), Framing::Normal);
        reply.statusLine = line;
        service.SetReply(Page("x.asp"), reply);
        EXPECT_EQ(Asp(QStringLiteral("x.asp")), QString()) << line.toStdString();
    }
}

TEST_F(HostileTest, TransferControlFailsCutOffRepliesForEveryCaller) {
    platform::TransferControl& inet = modInternet::Inet1();
    service.SetReply(QStringLiteral("/file.bin"),
                     Scripted(QByteArray(5000, 'b'), Framing::ShortBody));
    EXPECT_TRUE(
        inet.OpenURLBytes(QStringLiteral("http://") + service.Host() + "/file.bin").isEmpty());
    EXPECT_NE(inet.ResponseCode(), 0);
    EXPECT_FALSE(inet.Answered());

    // A download over an old file leaves the old file as it was.
    const QString icon = world.imagesPath() + QStringLiteral("old.gif");
    QFile old(icon);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("GIF89a old");
    old.close();
    service.SetReply(gServerPath + QStringLiteral("old.gif"),
                     Scripted("GIF89a new but cut", Framing::ChunkedNoEnd));
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("old.gif"), icon));
    EXPECT_EQ(ReadFile(icon), "GIF89a old");

    // The asynchronous kind reports the failure, not a completed reply.
    platform::TransferResult got;
    bool done = false;
    inet.Execute(QStringLiteral("http://") + service.Host() + "/file.bin", QStringLiteral("GET"),
                 {}, {}, [&](const platform::TransferResult& r) {
                     got = r;
                     done = true;
                 });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_EQ(got.state, platform::icError);
    EXPECT_TRUE(got.body.isEmpty());
}

TEST_F(HostileTest, EndlessReplyStopsAtTheLimitInsteadOfEatingMemory) {
    service.SetReply(QStringLiteral("/endless"), Scripted(QByteArray(), Framing::Endless));
    platform::HttpRequest request;
    platform::SplitHostPort(service.Host(), &request.host, &request.port);
    request.path = "/endless";
    request.timeoutMs = request.deadlineMs = 120000;
    // Ended by the size limit as a bad reply, long before any time-out.
    const platform::HttpResponse response = platform::Fetch(request);
    EXPECT_EQ(response.error, platform::kInetInvalidResponse);
    EXPECT_TRUE(response.body.isEmpty());
    service.SetReply(Page("endless.asp"),
                     Scripted(QByteArray("line\r\n").repeated(10000), Framing::Endless));
    EXPECT_EQ(Asp(QStringLiteral("endless.asp")), QString());
}

// What a server sends byte for byte, through the real client: only a reply
// its framing says is whole and within the limit is taken.
platform::HttpResponse FetchRaw(const QByteArray& raw, qint64 maxBody = 0) {
    testsupport::RawServer server(raw);
    platform::HttpRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = server.Port();
    request.timeoutMs = 5000;
    request.maxBodyBytes = maxBody;
    return platform::Fetch(request);
}

TEST_F(HostileTest, InterimRepliesChunksAndBytesPastTheLengthGiveTheDeclaredBody) {
    const platform::HttpResponse chunked =
        FetchRaw("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
                 "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n1;ext\r\nd\r\n0\r\n\r\n");
    EXPECT_TRUE(chunked.ok()) << chunked.error;
    EXPECT_EQ(chunked.body, "abcd");
    EXPECT_EQ(chunked.headers, "Transfer-Encoding: chunked");

    const platform::HttpResponse extra =
        FetchRaw("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef");
    EXPECT_TRUE(extra.ok()) << extra.error;
    EXPECT_EQ(extra.body, "abc");
}

TEST_F(HostileTest, LyingLengthsAndOversizedBodiesAreFailuresWithNothingKept) {
    for (const QByteArray& bad :
         {QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"),
          QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
          QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"),
          QByteArray("HTTP/1.0 200 OK\r\n\r\n") + QByteArray(11, 'x'),
          QByteArray("HTTP/1.0 2x0 OK\r\n\r\nabc"), QByteArray("abc\r\n\r\n")}) {
        const platform::HttpResponse reply = FetchRaw(bad, 10);
        EXPECT_FALSE(reply.ok()) << bad.toStdString();
        EXPECT_NE(reply.error, 0) << bad.toStdString();
        EXPECT_TRUE(reply.body.isEmpty()) << bad.toStdString();
    }
}

// ---- the update reply spooled to a file --------------------------------------

TEST_F(HostileTest, SpooledReplyIsWrittenOnlyWhenCompleteAndTwoHundred) {
    const QString spool = world.dataPath() + QStringLiteral("updates.tmp");
    QFile old(spool);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old spool");
    old.close();
    const QString page = gServerPath + QStringLiteral("getUpdates.ASP");
    const auto folderFiles = [this] {
        return QDir(world.dataPath()).entryList(QDir::Files | QDir::Hidden);
    };
    const QStringList before = folderFiles();

    service.SetReply(page, Scripted("stamp\r\nD,4", Framing::ShortBody));
    EXPECT_FALSE(modInternet::GetASPDataToFile(page, QStringLiteral("UserID=1"), spool));
    service.SetReply(page, Scripted("stamp\r\nD,40\r\n", Framing::ChunkedNoEnd));
    EXPECT_FALSE(modInternet::GetASPDataToFile(page, QStringLiteral("UserID=1"), spool));
    service.SetReply(page, QByteArray("stamp\r\nD,40\r\n"), 500);
    EXPECT_FALSE(modInternet::GetASPDataToFile(page, QStringLiteral("UserID=1"), spool));
    EXPECT_EQ(ReadFile(spool), "old spool");
    EXPECT_EQ(folderFiles(), before); // no temporary file left behind

    // A reply larger than any page limit arrives whole, in chunks too.
    QByteArray big;
    for (int i = 0; big.size() <= platform::kMaxReplyBytes; ++i)
        big += "U," + QByteArray::number(i) + ",00000000001,Some name of a row\r\n";
    service.SetReply(page, Scripted(big, Framing::Chunked));
    EXPECT_TRUE(modInternet::GetASPDataToFile(page, QStringLiteral("UserID=1"), spool));
    EXPECT_EQ(QFileInfo(spool).size(), big.size());
    EXPECT_EQ(ReadFile(spool), big);
    EXPECT_EQ(service.RequestsFor(page).last().body, "UserID=1");
}

TEST_F(HostileTest, ReplyToASinkIsTakenInBoundedPiecesHoweverFastItArrives) {
    // A full reload from a fast server: while the sink is busy with its first
    // pieces, the whole rest of the reply is waiting on the connection. It
    // must still reach the sink a small piece at a time, not be taken into
    // memory at once.
    QByteArray big(24 * 1024 * 1024, 'x');
    service.SetReply(QStringLiteral("/big"), big);
    platform::HttpRequest request;
    platform::SplitHostPort(service.Host(), &request.host, &request.port);
    request.path = "/big";
    request.maxBodyBytes = 0;
    qsizetype largest = 0, total = 0;
    request.bodySink = [&](const char*, qsizetype size) {
        if (total < 1024 * 1024)
            QThread::msleep(150);
        largest = std::max(largest, size);
        total += size;
        return true;
    };
    const platform::HttpResponse response = platform::Fetch(request);
    EXPECT_TRUE(response.ok()) << response.error;
    EXPECT_EQ(total, big.size());
    EXPECT_LE(largest, 1024 * 1024);
}

// ---- what the user is told ---------------------------------------------------

TEST_F(HostileTest, LoginBodyWithAnErrorStatusOrCutOffLogsNobodyIn) {
    WriteTable({storetest::Rec(5, 1, QStringLiteral("News"), false)});
    gUserID = -1;
    for (const Reply& reply : {Scripted(GoodLogin().toLatin1(), Framing::Normal, 500),
                               Scripted(GoodLogin().toLatin1(), Framing::Normal, 301),
                               Scripted(GoodLogin().toLatin1(), Framing::ShortBody),
                               Scripted(QByteArray(), Framing::Endless)}) {
        world.notifier.calls.clear();
        service.SetReply(Login(), reply);
        LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
        EXPECT_EQ(gUserID, -1);
        EXPECT_TRUE(gSessionKey.isEmpty());
        EXPECT_EQ(Prompts(), QStringList{kUnableToConnect});
    }
    EXPECT_TRUE(service.RequestsFor(Page("getUpdates.ASP")).isEmpty());
}

TEST_F(HostileTest, HugeReplyIsQuotedShortAndPrintable) {
    QByteArray junk = "<html>";
    while (junk.size() < 2 * 1024 * 1024)
        junk += "\x01\x02 garbage \x7f";
    service.SetReply(Login(), junk);
    LoginUser(QStringLiteral("bob"), QStringLiteral("pw"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    const QString prompt = world.notifier.calls[0].prompt;
    const qsizetype quoteAt = prompt.indexOf(QStringLiteral("<html>"));
    ASSERT_GE(quoteAt, 0);
    const QString quote = prompt.mid(quoteAt);
    EXPECT_LE(quote.size(), 310);
    EXPECT_TRUE(quote.endsWith(QStringLiteral("...")));
    for (const QChar c : quote)
        EXPECT_TRUE(c.isPrint()) << int(c.unicode());
}

TEST_F(HostileTest, ErrorPageIsNeitherShownNorCachedAsTheHomeMenu) {
    WriteTable({storetest::Rec(12, 1, QStringLiteral("Sports"), false)});
    service.SetReply(Page("getUserHomeMenu.ASP"), QByteArray("12\r\nEOF\r\n"), 404);
    clsItemManager& m = Open();
    EXPECT_EQ(m.GetHomeMenuCollection(1234), nullptr);
    EXPECT_EQ(Prompts(),
              QStringList{QStringLiteral("Unable to get Home Menu settings from server.")});
    // Once the server is well again the menu is fetched, not a cached error.
    service.SetReply(Page("getUserHomeMenu.ASP"), QByteArray("12\r\nEOF\r\n"));
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    EXPECT_EQ(home->Count(), 1);
}

TEST_F(HostileTest, UrlTxtLinesWithBlanksOrControlsNameNoServer) {
    for (const QByteArray& reply :
         {QByteArray("evil.test\r\n/path/ HTTP/1.0\r\n"), QByteArray("evil.test\x01\r\n/p/\r\n"),
          QByteArray("evil .test\r\n/p/\r\n"), QByteArray("evil.test\r\n/p/\x7f\r\n")}) {
        service.SetReply(QStringLiteral("/url.txt"), reply);
        modInternet::GetWebHost();
        EXPECT_EQ(gServerHost, modInternet::DefaultServerHost()) << reply.toStdString();
        EXPECT_EQ(gServerPath, modInternet::kDefaultServerPath);
    }
    service.SetReply(QStringLiteral("/url.txt"), QByteArray("www9.test:8080\r\n/V/\r\n"));
    modInternet::GetWebHost();
    EXPECT_EQ(gServerBase, QStringLiteral("www9.test:8080/V/"));
}

// ---- favorites and browsers --------------------------------------------------

TEST_F(HostileTest, FavoritesOpenOnlyWebAddressesNeverPrograms) {
    const QString folder = world.appPath() + QStringLiteral("/Favorites");
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto write = [&](const QString& name, const QByteArray& text, bool executable) {
        QFile f(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    };
    write(QStringLiteral("Program.url"), "#!/bin/sh\ntouch /tmp/ran\n", true);
    write(QStringLiteral("Local.url"), "[InternetShortcut]\r\nURL=file:///usr/bin/xterm\r\n",
          false);
    write(QStringLiteral("Other.url"),
          "[DEFAULT]\r\nURL=http://decoy.test/\r\n[InternetShortcut]\r\nURL=javascript:x\r\n",
          false);
    write(QStringLiteral("Good.url"), "[InternetShortcut]\r\nURL=ftp://files.test/a\r\n", false);
    gFavoritesPath = folder;
    gFavoritesPosition = 0;
    const auto open = [](const QString& url, int position) {
        gFavoritesPosition = position;
        auto item = std::make_shared<clsItem>();
        item->ID = -20;
        item->IsItem = true;
        item->URL = url;
        OpenItem(item);
    };
    for (const QString& name :
         {QStringLiteral("Program.url"), QStringLiteral("Local.url"), QStringLiteral("Other.url"),
          QStringLiteral("../Good.url"), QStringLiteral("Missing.url")})
        open(name, 0);
    open(QStringLiteral("/usr/bin/xterm"), 1);
    open(QStringLiteral("file:///etc/passwd"), 1);
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_EQ(Prompts(), QStringList(7, QStringLiteral("Failed to load URL!")));

    open(QStringLiteral("Good.url"), 0);
    open(QStringLiteral("https://bank.test/"), 1);
    ASSERT_EQ(world.shell.calls.size(), 2);
    EXPECT_EQ(world.shell.calls[0].file, QStringLiteral("ftp://files.test/a"));
    EXPECT_EQ(world.shell.calls[1].file, QStringLiteral("https://bank.test/"));
}

TEST_F(HostileTest, DefaultBrowserGetsHttpOnlyForAnAddressWithoutAScheme) {
    modInternet::OpenBrowserWindow(100, 100, QStringLiteral("https://members.test/a?x=1"), "T");
    modInternet::OpenBrowserWindow(100, 100, QStringLiteral("members.test/a"), "T");
    modInternet::OpenBrowserWindow(100, 100, QStringLiteral("members.test:8080/a"), "T");
    ASSERT_EQ(world.shell.calls.size(), 3);
    EXPECT_EQ(world.shell.calls[0].file, QStringLiteral("https://members.test/a?x=1"));
    EXPECT_EQ(world.shell.calls[1].file, QStringLiteral("http://members.test/a"));
    EXPECT_EQ(world.shell.calls[2].file, QStringLiteral("http://members.test:8080/a"));
}

// ---- settings ----------------------------------------------------------------

TEST_F(HostileTest, SettingThatCannotBeSavedIsToldOnce) {
    // The settings folder's place is taken by a plain file: no save can land,
    // whoever runs the program.
    QFile blocker(world.configHome() + QStringLiteral("/Tarvel"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User0"), QStringLiteral("bob"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User1"), QStringLiteral("ann"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(world.notifier.calls[0].prompt.startsWith(
        QStringLiteral("Tarvel was unable to save its settings")));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("User0")), QString());
}

} // namespace
