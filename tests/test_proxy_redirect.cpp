// The server link on users' networks: a real forward proxy (tinyproxy) named
// in the environment, no_proxy, a proxy that is down, and servers that
// redirect, as WinInet followed them. Judged by what the service and the
// proxy logged and what the program took from the replies.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "enlist/EnlistLink.h"
#include "localservice/lib/LocalService.h"
#include "platform/Http.h"
#include "platform/TransferControl.h"
#include "support/EnvVar.h"
#include "support/ForwardProxy.h"
#include "support/Scripted.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;
using localservice::LocalService;
using localservice::Reply;
using testsupport::EnvVar;
using testsupport::ForwardProxy;

namespace {

const QString kMayBeDown = QStringLiteral(
    "Unable to connect to server. Our server may be down. Please try again later. Thank you "
    "for your patience.");

bool CameThroughProxy(const localservice::Request& request) {
    return request.header("Via").contains(ForwardProxy::Via());
}

Reply Redirect(int status, const QByteArray& location) {
    Reply reply;
    reply.status = status;
    reply.location = location;
    reply.body = "<html>moved</html>";
    return reply;
}

class NetworkLink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        gVersion = QStringLiteral("1.0.3");
    }
    void TearDown() override {
        service.Stop();
        EXPECT_TRUE(QTest::qWaitFor([] { return !modInternet::Inet1().StillExecuting(); }, 20000));
    }
    QString Page(const char* name) const { return gServerPath + QLatin1String(name); }
    // The service's own address, by its host name.
    QByteArray Base() const { return "http://" + service.Host().toLatin1(); }

    testsupport::TestWorld world;
    LocalService service;
    // Nothing of the machine's own settings decides these tests.
    EnvVar noProxy_{"no_proxy", QByteArray()};
    EnvVar noProxyUpper_{"NO_PROXY", QByteArray()};
    EnvVar httpProxy_{"http_proxy", QByteArray()};
    EnvVar httpProxyUpper_{"HTTP_PROXY", QByteArray()};
    EnvVar allProxy_{"all_proxy", QByteArray()};
    EnvVar allProxyUpper_{"ALL_PROXY", QByteArray()};
};

// ---- a forward proxy --------------------------------------------------------

class ThroughProxy : public NetworkLink {
protected:
    void SetUp() override {
        NetworkLink::SetUp();
        const QString why = proxy.Start();
        if (!why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        host = testsupport::LoopbackHostName();
        if (host.isEmpty())
            GTEST_SKIP() << "no host name of this machine resolves to 127.0.0.1";
        hostAndPort = host + QLatin1Char(':') + QString::number(service.Port());
        testsupport::TestWorld::UseServer(hostAndPort);
        service.SetReply(QStringLiteral("/url.txt"),
                         (hostAndPort + QStringLiteral("\r\n/Vantrix/internal/\r\n")).toLatin1());
        service.SetReply(Page("loginUser.asp"), "42\r\nTrue\r\n1\r\n1.0.3\r\nX\r\nBob\r\nkey\r\n");
        service.SetReply(Page("getUpdates.ASP"), "1/5/2001\r\nD,40\r\n");
        service.SetReply(Page("getUserHomeMenu.ASP"), "5\r\n");
        service.SetReply(QStringLiteral("/enlist/checkName.asp"), "\r\n");
    }
    // What a login, its update and its home menu send, and Enlist's name
    // check: every kind of request both programs make.
    void Converse() {
        EnvVar bootstrap("TARVEL_BOOTSTRAP_HOST", hostAndPort);
        EnvVar enlistHost("TARVEL_SERVER_HOST", hostAndPort);
        modInternet::GetWebHost();
        EXPECT_EQ(gServerHost, hostAndPort);
        EXPECT_TRUE(modInternet::GetASPData(Page("loginUser.asp"), QStringLiteral("U=bob"))
                        .startsWith(QStringLiteral("42")));
        const QString spool = QDir(world.dataPath()).filePath(QStringLiteral("spool.upd"));
        EXPECT_TRUE(modInternet::GetASPDataToFile(Page("getUpdates.ASP"),
                                                  QStringLiteral("UserID=42"), spool));
        EXPECT_EQ(modInternet::GetASPData(Page("getUserHomeMenu.ASP"), QStringLiteral("U=42")),
                  QStringLiteral("5\r\n"));
        EXPECT_TRUE(
            EnlistLink::Post(QStringLiteral("/enlist/checkName.asp"), QStringLiteral("Name=bob"))
                .ok());
    }

    ForwardProxy proxy;
    QString host;
    QString hostAndPort;
};

TEST_F(ThroughProxy, EveryRequestOfBothProgramsGoesThroughTheEnvironmentsProxy) {
    EnvVar http("http_proxy", proxy.Address());
    Converse();
    const QList<localservice::Request> seen = service.Requests();
    ASSERT_EQ(seen.size(), 5);
    for (const localservice::Request& request : seen)
        EXPECT_TRUE(CameThroughProxy(request)) << request.path.toStdString();
    EXPECT_EQ(proxy.LoggedRequests().size(), 5) << proxy.LoggedRequests().join('\n').toStdString();
    // The body went through as it was built.
    EXPECT_EQ(service.RequestsFor(Page("loginUser.asp")).value(0).body, "U=bob");
}

TEST_F(ThroughProxy, NoProxyKeepsTheServiceDirect) {
    EnvVar http("http_proxy", proxy.Address());
    EnvVar direct("no_proxy", host);
    Converse();
    const QList<localservice::Request> seen = service.Requests();
    ASSERT_EQ(seen.size(), 5);
    for (const localservice::Request& request : seen)
        EXPECT_FALSE(CameThroughProxy(request)) << request.path.toStdString();
    EXPECT_TRUE(proxy.LoggedRequests().isEmpty());
}

TEST_F(NetworkLink, AProxyThatIsDownIsAnUnreachableServer) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
    probe.close();
    EnvVar http("http_proxy", dead);
    EXPECT_EQ(modInternet::GetASPData(Page("loginUser.asp"), QStringLiteral("U=bob")), QString());
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("news.asp"), false), QString());
    EXPECT_EQ(gInetError, platform::kInetCannotConnect);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls.at(0).prompt, kMayBeDown);
    EXPECT_TRUE(service.Requests().isEmpty());
}

// ---- redirects --------------------------------------------------------------

TEST_F(NetworkLink, ServerDiscoveryFollowsAMovedUrlFile) {
    for (const int status : {301, 302}) {
        service.ClearRequests();
        service.SetReply(QStringLiteral("/url.txt"), Redirect(status, Base() + "/moved/url.txt"));
        service.SetReply(QStringLiteral("/moved/url.txt"), "www9.example.com\r\n/Menu/live/\r\n");
        EnvVar bootstrap("TARVEL_BOOTSTRAP_HOST", service.Host());
        modInternet::GetWebHost();
        EXPECT_EQ(gServerHost, QStringLiteral("www9.example.com")) << status;
        EXPECT_EQ(gServerPath, QStringLiteral("/Menu/live/")) << status;
        EXPECT_EQ(service.RequestsFor(QStringLiteral("/moved/url.txt")).size(), 1) << status;
        EXPECT_TRUE(world.notifier.calls.isEmpty()) << status;
    }
}

TEST_F(NetworkLink, APostMovedBy302GoesOnAsAGetAndItsReplyCounts) {
    service.SetReply(Page("loginUser.asp"), Redirect(302, "/Vantrix/internal/login2.asp"));
    service.SetReply(Page("login2.asp"), "42\r\nTrue\r\n");
    EXPECT_EQ(modInternet::GetASPData(Page("loginUser.asp"), QStringLiteral("U=bob&P=pw")),
              QStringLiteral("42\r\nTrue\r\n"));
    const auto moved = service.RequestsFor(Page("login2.asp"));
    ASSERT_EQ(moved.size(), 1);
    EXPECT_EQ(moved.at(0).method, "GET");
    EXPECT_TRUE(moved.at(0).body.isEmpty());
}

TEST_F(NetworkLink, APostMovedBy307IsSentAgainWithItsBody) {
    service.SetReply(Page("loginUser.asp"), Redirect(307, Base() + "/Vantrix/internal/login2.asp"));
    service.SetReply(Page("login2.asp"), "42\r\nTrue\r\n");
    EXPECT_EQ(modInternet::GetASPData(Page("loginUser.asp"), QStringLiteral("U=bob&P=pw")),
              QStringLiteral("42\r\nTrue\r\n"));
    const auto moved = service.RequestsFor(Page("login2.asp"));
    ASSERT_EQ(moved.size(), 1);
    EXPECT_EQ(moved.at(0).method, "POST");
    EXPECT_EQ(moved.at(0).body, "U=bob&P=pw");
}

TEST_F(NetworkLink, ALoopOrAnotherSchemeIsAnUnreachableServer) {
    service.SetReply(Page("a.asp"), Redirect(302, "/Vantrix/internal/b.asp"));
    service.SetReply(Page("b.asp"), Redirect(302, "/Vantrix/internal/a.asp"));
    EXPECT_EQ(modInternet::GetASPData(Page("a.asp"), QStringLiteral("x=1")), QString());
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("a.asp"), true), QString());
    EXPECT_EQ(gInetError, platform::kInetCannotConnect);
    // WinInet's limit: the first request and ten hops, no more.
    EXPECT_LE(service.Requests().size(), 2 * 11);

    service.SetReply(Page("file.asp"), Redirect(302, "file:///etc/passwd"));
    service.SetReply(Page("ftp.asp"), Redirect(301, "ftp://127.0.0.1/x"));
    for (const char* page : {"file.asp", "ftp.asp"}) {
        EXPECT_EQ(modInternet::GetURLText(QLatin1String(page), true), QString()) << page;
        EXPECT_EQ(gInetError, platform::kInetCannotConnect) << page;
    }
    const QString file = QDir(world.dataPath()).filePath(QStringLiteral("x.gif"));
    EXPECT_FALSE(modInternet::DownloadFile(QStringLiteral("file.asp"), file));
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(NetworkLink, AMovedErrorPageIsStillAnError) {
    service.SetReply(Page("news.asp"), Redirect(301, "/Vantrix/internal/gone.asp"));
    EXPECT_EQ(modInternet::GetURLText(QStringLiteral("news.asp"), true), QString());
    EXPECT_EQ(modInternet::Inet1().StatusCode(), 404);
}

} // namespace
