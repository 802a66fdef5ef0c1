// The local stand-in for the web service: path normalisation, page matching,
// scripted replies (delay, refuse, fallback), the request log, concurrency,
// Stop, and the sample service's own pages.
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SamplePages.h"
#include "platform/Http.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using localservice::LocalService;
using localservice::Reply;
using localservice::Request;

namespace {

struct Call {
    QByteArray method = "GET";
    QByteArray target = "/";
    QByteArray body;
    QByteArray version = "HTTP/1.0";
    QList<QByteArray> headers;
    int timeoutMs = 10000;
};

platform::HttpResponse Send(const LocalService& service, const Call& call) {
    platform::HttpRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = static_cast<quint16>(service.Port());
    request.method = call.method;
    request.path = call.target;
    request.body = call.body;
    request.version = call.version;
    request.headers = call.headers;
    request.timeoutMs = call.timeoutMs;
    return platform::Fetch(request);
}

platform::HttpResponse Get(const LocalService& service, const QByteArray& target) {
    Call call;
    call.target = target;
    return Send(service, call);
}

platform::HttpResponse Post(const LocalService& service, const QByteArray& target,
                            const QByteArray& body) {
    Call call;
    call.method = "POST";
    call.target = target;
    call.body = body;
    call.headers = {"Content-Type: application/x-www-form-urlencoded"};
    return Send(service, call);
}

class LocalServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(service.Start(), 0); }
    LocalService service;
};

} // namespace

// ---------------------------------------------------------------- paths

TEST(LocalServicePaths, NormalisesLikeAWebServer) {
    EXPECT_EQ(LocalService::NormalisePath("//a//b.asp"), "/a/b.asp");
    EXPECT_EQ(LocalService::NormalisePath("/a/./b/../c.asp"), "/a/c.asp");
    EXPECT_EQ(LocalService::NormalisePath("/Vantrix/internal/../../help/"), "/help/");
    EXPECT_EQ(LocalService::NormalisePath("/Vantrix/internal//images/x.gif"),
              "/Vantrix/internal/images/x.gif");
    EXPECT_EQ(LocalService::NormalisePath("/a/b/"), "/a/b/");
    EXPECT_EQ(LocalService::NormalisePath("/a/.."), "/");
    EXPECT_EQ(LocalService::NormalisePath("/a/b/."), "/a/b/");
    EXPECT_EQ(LocalService::NormalisePath(""), "/");
    EXPECT_EQ(LocalService::NormalisePath("/"), "/");
    EXPECT_EQ(LocalService::NormalisePath("x.asp"), "/x.asp");
    // Never above the root.
    EXPECT_EQ(LocalService::NormalisePath("/../../etc/passwd"), "/etc/passwd");
    EXPECT_EQ(LocalService::NormalisePath("/a/../../../b.asp"), "/b.asp");
    // "..." is an ordinary name; escapes stay as they are.
    EXPECT_EQ(LocalService::NormalisePath("/.../a%20b"), "/.../a%20b");
}

TEST_F(LocalServiceTest, DoubleSlashAndDotsReachThePage) {
    service.SetReply(QStringLiteral("/Vantrix/UpdateAvailable.asp"), "update page");
    service.SetReply(QStringLiteral("/help/"), "help");
    auto r = Get(service, "//Vantrix//internal/../UpdateAvailable.asp?Version=1.0.3");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "update page");
    r = Get(service, "/Vantrix/internal/../../help/");
    EXPECT_EQ(r.body, "help");
    // A trailing "/" is not needed to reach a folder page.
    EXPECT_EQ(Get(service, "/help").body, "help");
    // ".." above the root stays at the root.
    EXPECT_EQ(Get(service, "/../../../help/").body, "help");
    // Escaped dots are resolved too, as the web server decodes first.
    EXPECT_EQ(Get(service, "/x/%2e%2e/help/").body, "help");

    const QList<Request> log = service.Requests();
    ASSERT_EQ(log.size(), 5);
    EXPECT_EQ(log.at(0).path, "/Vantrix/UpdateAvailable.asp");
    EXPECT_EQ(log.at(0).target, "//Vantrix//internal/../UpdateAvailable.asp?Version=1.0.3");
    EXPECT_EQ(log.at(0).query, "Version=1.0.3");
    EXPECT_EQ(log.at(3).path, "/help/");
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/help/")).size(), 4);
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/vantrix/x/../updateavailable.asp")).size(), 1);
}

TEST_F(LocalServiceTest, PageNamesMatchWithoutRegardToCase) {
    service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"), "updates");
    EXPECT_EQ(Get(service, "/vantrix/INTERNAL/getupdates.asp").body, "updates");
    EXPECT_EQ(Get(service, "/Vantrix/internal/GETUPDATES.Asp?x=1").body, "updates");
    // The log keeps the spelling that was sent.
    EXPECT_EQ(service.Requests().at(0).path, "/vantrix/INTERNAL/getupdates.asp");
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/VANTRIX/internal/GetUpdates.asp")).size(), 2);
}

TEST_F(LocalServiceTest, EscapedNamesMatchAndStayRawInTheLog) {
    service.SetReply(QStringLiteral("/a b.asp"), "blank");
    const auto r = Get(service, "/a%20b.asp?q=x%2By+z");
    EXPECT_EQ(r.body, "blank");
    const Request logged = service.Requests().at(0);
    EXPECT_EQ(logged.path, "/a%20b.asp");
    EXPECT_EQ(logged.query, "q=x%2By+z");
    EXPECT_EQ(logged.queryValue(QStringLiteral("q")), QStringLiteral("x+y z"));
}

TEST_F(LocalServiceTest, ALaterPageReplacesAnEarlierOne) {
    service.SetReply(QStringLiteral("/p.asp"), "one");
    service.SetHandler(QStringLiteral("/P.ASP"), [](const Request&) {
        Reply reply;
        reply.body = "two";
        return reply;
    });
    EXPECT_EQ(Get(service, "/p.asp").body, "two");
    service.SetReply(QStringLiteral("/p.asp"), "three", 201);
    const auto r = Get(service, "/p.asp");
    EXPECT_EQ(r.status, 201);
    EXPECT_EQ(r.body, "three");
    service.ClearPages();
    EXPECT_EQ(Get(service, "/p.asp").status, 404);
}

// ---------------------------------------------------------------- replies

TEST_F(LocalServiceTest, UnknownPagesGet404UnlessAFallbackAnswers) {
    auto r = Get(service, "/nothing/here.asp");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.status, 404);
    service.SetFallback([](const Request& req) {
        Reply reply;
        reply.status = 500;
        reply.body = "fallback for " + req.path;
        return reply;
    });
    r = Get(service, "/nothing//here.asp");
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "fallback for /nothing/here.asp");
    // A page of its own wins over the fallback.
    service.SetReply(QStringLiteral("/here.asp"), "page");
    EXPECT_EQ(Get(service, "/here.asp").body, "page");
}

TEST_F(LocalServiceTest, BodiesArriveByteForByteWithTheirStatus) {
    const QByteArray bytes("line1\r\nline2\r\n\xe9\xff\x00tail", 20);
    Reply reply;
    reply.status = 500;
    reply.body = bytes;
    reply.contentType = "text/plain";
    service.SetReply(QStringLiteral("/bytes.asp"), reply);
    const auto r = Post(service, "/bytes.asp", "x=1");
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, bytes);
    EXPECT_TRUE(r.headers.toLower().contains("content-type: text/plain"));

    const QByteArray big(70000, 'x');
    service.SetReply(QStringLiteral("/big.asp"), big);
    EXPECT_EQ(Get(service, "/big.asp").body, big);
}

TEST_F(LocalServiceTest, HeadAnswersWithoutABody) {
    service.SetReply(QStringLiteral("/h.asp"), "body");
    Call call;
    call.method = "HEAD";
    call.target = "/h.asp";
    const auto r = Send(service, call);
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.body.isEmpty());
    ASSERT_EQ(service.Requests().size(), 1);
    EXPECT_EQ(service.Requests().at(0).method, "HEAD");
}

TEST_F(LocalServiceTest, ADelayedReplyOutlastsAShortClientTimeout) {
    Reply slow;
    slow.body = "late";
    slow.delayMs = 60000; // far beyond the client's patience; Stop ends it
    service.SetReply(QStringLiteral("/slow.asp"), slow);
    Call call;
    call.target = "/slow.asp";
    call.timeoutMs = 200;
    const auto r = Send(service, call);
    EXPECT_EQ(r.error, platform::kInetTimeout);
    EXPECT_EQ(r.status, 0);

    Reply shortDelay;
    shortDelay.body = "in time";
    shortDelay.delayMs = 50;
    service.SetReply(QStringLiteral("/short.asp"), shortDelay);
    EXPECT_EQ(Get(service, "/short.asp").body, "in time");
}

TEST_F(LocalServiceTest, RefuseClosesWithoutAByteButLogsTheRequest) {
    Reply refuse;
    refuse.refuse = true;
    refuse.body = "never sent";
    service.SetReply(QStringLiteral("/refuse.asp"), refuse);
    const auto r = Post(service, "/refuse.asp", "a=1");
    EXPECT_EQ(r.error, platform::kInetConnectionAborted);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.headers.isEmpty());
    EXPECT_TRUE(r.body.isEmpty());
    ASSERT_EQ(service.Requests().size(), 1);
    EXPECT_EQ(service.Requests().at(0).body, "a=1");
    // The service goes on answering.
    service.SetReply(QStringLiteral("/ok.asp"), "ok");
    EXPECT_EQ(Get(service, "/ok.asp").body, "ok");
    // A computed reply may refuse too.
    service.SetHandler(QStringLiteral("/maybe.asp"), [](const Request& req) {
        Reply reply;
        reply.refuse = req.queryValue(QStringLiteral("drop")) == QLatin1String("1");
        reply.body = "kept";
        return reply;
    });
    EXPECT_EQ(Get(service, "/maybe.asp?drop=1").error, platform::kInetConnectionAborted);
    EXPECT_EQ(Get(service, "/maybe.asp?drop=0").body, "kept");
}

// ---------------------------------------------------------------- log

TEST_F(LocalServiceTest, LogHoldsMethodTargetVersionHeadersAndBody) {
    service.SetReply(QStringLiteral("/Vantrix/internal/loginUser.asp"), "ok");
    Call call;
    call.method = "POST";
    call.target = "/Vantrix/internal//loginUser.asp?a=1&b=%26x+y";
    call.body = "UserName=a+b%26c%3F&Password=50%&Version=1.0.3&Empty=&Flag";
    call.headers = {"Content-Type: application/x-www-form-urlencoded", "X-Second: Two Words"};
    call.version = "HTTP/1.0";
    ASSERT_EQ(Send(service, call).body, "ok");
    call.method = "GET";
    call.body.clear();
    call.version = "HTTP/1.1";
    call.headers = {"x-lower: v"};
    ASSERT_EQ(Send(service, call).status, 200);

    const QList<Request> log = service.Requests();
    ASSERT_EQ(log.size(), 2);
    const Request& post = log.at(0);
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.target, "/Vantrix/internal//loginUser.asp?a=1&b=%26x+y");
    EXPECT_EQ(post.path, "/Vantrix/internal/loginUser.asp");
    EXPECT_EQ(post.query, "a=1&b=%26x+y");
    EXPECT_EQ(post.version, "HTTP/1.0");
    EXPECT_EQ(post.body, "UserName=a+b%26c%3F&Password=50%&Version=1.0.3&Empty=&Flag");
    EXPECT_EQ(post.header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(post.header("X-SECOND"), "Two Words");
    EXPECT_EQ(post.header("Missing"), "");
    // The headers in the order and spelling they were sent; none added.
    ASSERT_GE(post.headers.size(), 3);
    EXPECT_EQ(post.headers.at(0).first, "Host");
    EXPECT_EQ(post.headers.at(0).second, service.Host().toLatin1());
    EXPECT_EQ(post.headers.at(1).first, "Content-Type");
    EXPECT_EQ(post.headers.at(2).first, "X-Second");
    for (const auto& h : post.headers)
        EXPECT_NE(h.first.toUpper(), "REMOTE_ADDR");
    // Decoded fields: "+" is a blank, a lone "%" stays.
    EXPECT_EQ(post.formValue(QStringLiteral("UserName")), QStringLiteral("a b&c?"));
    EXPECT_EQ(post.formValue(QStringLiteral("Password")), QStringLiteral("50%"));
    EXPECT_EQ(post.formValue(QStringLiteral("Empty")), QString());
    ASSERT_EQ(post.formFields().size(), 5);
    EXPECT_EQ(post.formFields().at(4).first, QStringLiteral("Flag"));
    EXPECT_EQ(post.queryValue(QStringLiteral("b")), QStringLiteral("&x y"));

    const Request& get = log.at(1);
    EXPECT_EQ(get.method, "GET");
    EXPECT_EQ(get.version, "HTTP/1.1");
    EXPECT_TRUE(get.body.isEmpty());
    EXPECT_EQ(get.headers.at(1).first, "x-lower");

    service.ClearRequests();
    EXPECT_TRUE(service.Requests().isEmpty());
}

TEST_F(LocalServiceTest, AnAbsoluteTargetIsServedByItsPath) {
    // What a client sends to a proxy; written by hand, as no client sends it
    // to a server it reaches directly.
    service.SetReply(QStringLiteral("/url.txt"), "hosts");
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(service.Port()));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET http://elsewhere.example/url.txt HTTP/1.0\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
    EXPECT_TRUE(reply.endsWith("\r\n\r\nhosts")) << reply.toStdString();
    ASSERT_EQ(service.Requests().size(), 1);
    EXPECT_EQ(service.Requests().at(0).path, "/url.txt");
}

// ---------------------------------------------------------------- threads

TEST_F(LocalServiceTest, ServesConcurrentRequestsAtOnce) {
    // Every handler waits until all clients are inside at the same time:
    // only a service that answers them concurrently lets them through.
    constexpr int kClients = 6;
    std::mutex m;
    std::condition_variable cv;
    int inside = 0;
    service.SetHandler(QStringLiteral("/together.asp"), [&](const Request& req) {
        std::unique_lock<std::mutex> lock(m);
        ++inside;
        cv.notify_all();
        const bool all =
            cv.wait_for(lock, std::chrono::seconds(20), [&] { return inside >= kClients; });
        Reply reply;
        reply.body =
            (all ? "together " : "alone ") + req.queryValue(QStringLiteral("n")).toLatin1();
        return reply;
    });
    std::vector<std::thread> clients;
    std::vector<QByteArray> bodies(kClients);
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back(
            [&, i] { bodies[i] = Get(service, "/together.asp?n=" + QByteArray::number(i)).body; });
    }
    for (auto& t : clients)
        t.join();
    for (int i = 0; i < kClients; ++i)
        EXPECT_EQ(bodies[i], "together " + QByteArray::number(i));
    EXPECT_EQ(service.Requests().size(), kClients);
}

TEST_F(LocalServiceTest, StopEndsWaitingRepliesAndClosesThePort) {
    Reply endless;
    endless.delayMs = 600000;
    service.SetReply(QStringLiteral("/forever.asp"), endless);
    platform::HttpResponse late;
    std::thread client([&] { late = Get(service, "/forever.asp"); });
    for (int i = 0; i < 10000 && service.Requests().isEmpty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(service.Requests().size(), 1);
    const int port = service.Port();
    service.Stop();
    client.join();
    EXPECT_NE(late.error, 0);
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(service.Port(), 0);

    platform::HttpRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = static_cast<quint16>(port);
    request.path = "/forever.asp";
    EXPECT_EQ(platform::Fetch(request).error, platform::kInetCannotConnect);

    // Pages and the log survive a restart.
    ASSERT_GT(service.Start(), 0);
    service.SetReply(QStringLiteral("/again.asp"), "again");
    EXPECT_EQ(Get(service, "/again.asp").body, "again");
    EXPECT_EQ(service.Requests().size(), 2);
}

TEST(LocalServiceLife, StopsInItsDestructorWithAQuietClientConnected) {
    auto service = std::make_unique<LocalService>();
    const int port = service->Start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(service->Host(), QStringLiteral("127.0.0.1:%1").arg(port));
    // A client that connects and sends nothing must not hold up the end.
    QTcpSocket quiet;
    quiet.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    ASSERT_TRUE(quiet.waitForConnected(5000));
    service.reset();
    SUCCEED();
}

TEST(LocalServiceLife, AFixedPortInUseFailsCleanly) {
    LocalService first;
    const int port = first.Start();
    ASSERT_GT(port, 0);
    LocalService second;
    EXPECT_EQ(second.Start(port), 0);
    EXPECT_EQ(second.Port(), 0);
    second.Stop();
}

// ---------------------------------------------------------------- sample pages

namespace {

class SampleCoreTest : public LocalServiceTest {
protected:
    void SetUp() override {
        LocalServiceTest::SetUp();
        localservice::InstallCorePages(service, data);
    }
    QStringList Login(const QByteArray& body) {
        return QString::fromLatin1(Post(service, "/Vantrix/internal/loginUser.asp", body).body)
            .split(QStringLiteral("\r\n"));
    }
    localservice::SampleData data;
};

} // namespace

TEST_F(SampleCoreTest, UrlTxtNamesThisServiceAndItsPath) {
    const auto r = Get(service, "/url.txt");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, service.Host().toLatin1() + "\r\n/Vantrix/internal/\r\n");
}

TEST_F(SampleCoreTest, DemoLogsInWithSevenLines) {
    const QStringList lines = Login("UserName=demo&Password=demo&Version=1.0.3");
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.at(0), QStringLiteral("1001"));
    EXPECT_EQ(lines.at(1), QStringLiteral("True"));
    EXPECT_EQ(lines.at(2), QStringLiteral("False"));
    EXPECT_EQ(lines.at(3), QStringLiteral("1.0.3"));
    EXPECT_EQ(lines.at(4), QStringLiteral("X"));
    EXPECT_EQ(lines.at(5), QStringLiteral("Demo User"));
    EXPECT_EQ(lines.at(6).size(), 16);
    // The user name is not case-sensitive, the password is.
    EXPECT_EQ(Login("UserName=DEMO&Password=demo&Version=1.0.3").at(0), QStringLiteral("1001"));
    EXPECT_EQ(Login("UserName=demo&Password=DEMO&Version=1.0.3"), QStringList{"NO"});
    EXPECT_EQ(Login("UserName=nobody&Password=demo&Version=1.0.3"), QStringList{"NO"});
    EXPECT_EQ(Login("UserName=&Password=&Version=1.0.3"), QStringList{"NO"});
    EXPECT_EQ(Login(""), QStringList{"NO"});
}

TEST_F(SampleCoreTest, SampleAccountsShowEachLoginPath) {
    EXPECT_EQ(Login("UserName=newbie&Password=newbie&Version=1.0.3").at(1),
              QStringLiteral("False"));
    EXPECT_EQ(Login("UserName=grownup&Password=grownup&Version=1.0.3").at(2),
              QStringLiteral("True"));
    EXPECT_EQ(Login("UserName=update&Password=update&Version=1.0.3").at(3),
              QStringLiteral("1.0.4"));
    const QStringList popup = Login("UserName=popup&Password=popup&Version=1.0.3");
    ASSERT_EQ(popup.size(), 7);
    const QStringList parts = popup.at(4).split(QLatin1Char(','));
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(parts.at(0).toInt(), 7900);
    EXPECT_TRUE(parts.at(2).startsWith(service.Host() + "/Vantrix/internal/"));
    // The pop-up page is served.
    EXPECT_EQ(Get(service, parts.at(2).mid(service.Host().size()).toLatin1()).status, 200);
}

TEST_F(SampleCoreTest, AnAccountAddedToTheSharedStoreCanLogIn) {
    {
        std::lock_guard<std::mutex> guard(data.accounts->lock);
        localservice::SampleAccount account;
        account.userId = data.accounts->nextUserId++;
        account.userName = QStringLiteral("Fresh One");
        account.password = QStringLiteral("p&ss word?");
        data.accounts->byName.insert(QStringLiteral("fresh one"), account);
    }
    // As the program's own encoding sends it.
    const QStringList lines = Login("UserName=Fresh+One&Password=p%26ss+word%3F&Version=1.0.3");
    ASSERT_EQ(lines.size(), 7);
    EXPECT_GT(lines.at(0).toInt(), 1005);
    EXPECT_EQ(lines.at(5), QStringLiteral("Fresh One"));
}

TEST_F(SampleCoreTest, InstallingTwiceKeepsTheAccounts) {
    const int next = data.accounts->nextUserId;
    localservice::InstallCorePages(service, data);
    EXPECT_EQ(data.accounts->nextUserId, next);
    EXPECT_EQ(Login("UserName=demo&Password=demo&Version=1.0.3").at(0), QStringLiteral("1001"));
}

TEST_F(SampleCoreTest, CategoryLogUploadIsAcknowledged) {
    const auto r =
        Post(service, "/Vantrix/internal/SubmitCategoryLog.asp", "UserID=1234&ID=12&ID=34&ID=12");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "OK");
}

TEST_F(SampleCoreTest, BrowserPagesAreServed) {
    for (const QByteArray& target : {
             QByteArray("/Vantrix/internal/../UpdateAvailable.asp?Version=1.0.3"),
             QByteArray("/Vantrix/internal/../ReportError.asp?UserID=0&Msg=a+%26+b&Err=5"
                        "&Location=frmMain.Load&Version=1.0.3"),
             QByteArray("/Vantrix/internal/redirectMenuItem.asp?UserID=1001&MenuItemID=77"
                        "&IsAdvertiser=1&Version=1.0.3&Key=abc"),
             QByteArray("/Vantrix/internal/../../help/"),
             QByteArray("/Vantrix/internal/../../Search/search.asp?query=a+%26+b&UserID=1"),
             QByteArray("/Vantrix/internal/../../advertiser/Main.asp?MenuItemID=5"),
             QByteArray("/Vantrix/internal/../Restricted.asp"),
             QByteArray("/content/news/news.asp?newsfeedid=3"),
             QByteArray("/tarvel/members/login.asp?UserName=demo&Password=demo&Version=1.0.3"),
             QByteArray("/Vantrix/internal/../Welcome.asp?UserID=0&Version=1.0.3"),
             QByteArray("/Vantrix/internal/../WhatsNew.asp?UserID=0&Version=1.0.3"),
             QByteArray("/Tarvel/Lookup.asp"),
         }) {
        const auto r = Get(service, target);
        EXPECT_EQ(r.status, 200) << target.constData();
        EXPECT_TRUE(r.body.startsWith("<html>")) << target.constData();
    }
    EXPECT_TRUE(Get(service, "/Vantrix/UpdateAvailable.asp?Version=1.0.2").body.contains("1.0.2"));
    // Decoded and escaped for the page.
    EXPECT_TRUE(Get(service, "/Vantrix/ReportError.asp?Msg=a+%26+%3Cb%3E")
                    .body.contains("a &amp; &lt;b&gt;"));
    const QByteArray redirect =
        Get(service, "/Vantrix/internal/redirectMenuItem.asp?UserID=1001&MenuItemID=77").body;
    EXPECT_TRUE(redirect.contains("Menu item 77 would be opened"));
}

TEST_F(SampleCoreTest, TheRedirectPageKnowsTheLoginKey) {
    const QStringList lines = Login("UserName=demo&Password=demo&Version=1.0.3");
    ASSERT_EQ(lines.size(), 7);
    const QByteArray page = "/Vantrix/internal/redirectMenuItem.asp?UserID=1001&MenuItemID=9"
                            "&Version=1.0.3&Key=";
    EXPECT_TRUE(Get(service, page + lines.at(6).toLatin1()).body.contains("accepted"));
    EXPECT_TRUE(Get(service, page + "0000").body.contains("not recognised"));
}
