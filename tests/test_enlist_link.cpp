// Enlist's server link: the default server host, the synchronous POST and
// the encoding of values.
#include "test_enlist_fixture.h"

#include <QTimer>

namespace {

using EnlistLinkTest = EnlistTest;

TEST(EnlistURLEncode, FiveReplacementsOnly) {
    EXPECT_EQ(frmEnlist::URLEncode("a b&c?"), "a+b%26c%3F");
    EXPECT_EQ(frmEnlist::URLEncode("\"quoted\" 'single'"), "%22quoted%22+%27single%27");
    // "%" and "+" pass unchanged, so an encoded space stays as it is.
    EXPECT_EQ(frmEnlist::URLEncode("50%+1"), "50%+1");
    EXPECT_EQ(frmEnlist::URLEncode("a%20b"), "a%20b");
    EXPECT_EQ(frmEnlist::URLEncode("x=y@z/#;"), "x=y@z/#;");
    EXPECT_EQ(frmEnlist::URLEncode(""), "");
}

TEST(EnlistDefaultHost, FixedUnlessTheEnvironmentSaysOtherwise) {
    const QByteArray old = qgetenv("TARVEL_SERVER_HOST");
    qunsetenv("TARVEL_SERVER_HOST");
    EXPECT_EQ(EnlistLink::DefaultServerHost(), "www1.tarvel.com");
    EXPECT_EQ(EnlistLink::ServerAddress("/tarvel/downloaddb.asp"),
              "http://www1.tarvel.com/tarvel/downloaddb.asp");
    qputenv("TARVEL_SERVER_HOST", "127.0.0.1:8080");
    EXPECT_EQ(EnlistLink::DefaultServerHost(), "127.0.0.1:8080");
    if (old.isNull())
        qunsetenv("TARVEL_SERVER_HOST");
    else
        qputenv("TARVEL_SERVER_HOST", old);
}

TEST_F(EnlistLinkTest, PostsTheBodyAsGivenToThePathAtTheRoot) {
    service.SetReply(QStringLiteral("/internal/page.asp"), QByteArray("reply"));
    frmEnlist w{QString()};
    EXPECT_EQ(w.GetASPData("/internal/page.asp", "A=1&B=x+y%26"), "reply");
    const auto requests = service.RequestsFor(QStringLiteral("/internal/page.asp"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/internal/page.asp");
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].body, "A=1&B=x+y%26");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(EnlistLinkTest, LongReplyArrivesWholeAndLineEndsStay) {
    QByteArray big;
    for (int i = 0; i < 1000; ++i)
        big += QByteArray::number(i) + "\r\n";
    ASSERT_GT(big.size(), 2048);
    service.SetReply(QStringLiteral("/internal/big.asp"), big);
    frmEnlist w{QString()};
    EXPECT_EQ(w.GetASPData("/internal/big.asp", "").toLatin1(), big);
}

TEST_F(EnlistLinkTest, EightBitTextBothWays) {
    service.SetHandler(QStringLiteral("/internal/echo.asp"), [](const localservice::Request& r) {
        localservice::Reply reply;
        reply.body = r.body;
        return reply;
    });
    frmEnlist w{QString()};
    const QString text = QStringLiteral("M\u00fcller=\u00e9t\u00e9");
    EXPECT_EQ(w.GetASPData("/internal/echo.asp", text), text);
    EXPECT_EQ(service.RequestsFor("/internal/echo.asp")[0].body, text.toLatin1());
}

TEST_F(EnlistLinkTest, ErrorStatusBodyIsNoReplyButItsStatusIsKept) {
    service.SetReply(QStringLiteral("/internal/err.asp"), QByteArray("Not here"), 404);
    frmEnlist w{QString()};
    EXPECT_EQ(w.GetASPData("/internal/err.asp", ""), QString());
    const EnlistLink::PostResult result = EnlistLink::Post("/internal/err.asp", "");
    EXPECT_EQ(result.status, 404);
    EXPECT_FALSE(result.ok());
}

TEST_F(EnlistLinkTest, NoServerGivesEmptyTextWithoutMessage) {
    service.Stop();
    frmEnlist w{QString()};
    EXPECT_EQ(w.GetASPData("/internal/page.asp", "A=1"), "");
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_NE(EnlistLink::Post("/internal/page.asp", "A=1").error, 0);
}

TEST_F(EnlistLinkTest, ConnectionClosedWithoutAnswerGivesEmptyText) {
    localservice::Reply refuse;
    refuse.refuse = true;
    service.SetReply(QStringLiteral("/internal/page.asp"), refuse);
    frmEnlist w{QString()};
    EXPECT_EQ(w.GetASPData("/internal/page.asp", "A=1"), "");
}

TEST_F(EnlistLinkTest, SilentServerTimesOut) {
    EnlistLink::SetTimeoutMs(200);
    localservice::Reply slow;
    slow.body = "late";
    slow.delayMs = 20000;
    service.SetReply(QStringLiteral("/internal/slow.asp"), slow);
    const EnlistLink::PostResult result = EnlistLink::Post("/internal/slow.asp", "");
    EXPECT_EQ(result.error, 12002);
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_FALSE(EnlistLink::Busy());
}

TEST_F(EnlistLinkTest, WindowRefusesToCloseDuringARequest) {
    // While a request waits, the window's input is held back and a close
    // cannot pull the window away under the handler.
    localservice::Reply slow;
    slow.body = "x";
    slow.delayMs = 600;
    service.SetReply(QStringLiteral("/internal/slow.asp"), slow);
    frmEnlist w{QString()};
    w.show();
    bool closedDuring = true;
    bool busyDuring = false;
    QTimer::singleShot(50, &w, [&] {
        busyDuring = EnlistLink::Busy();
        closedDuring = w.close();
    });
    EXPECT_EQ(w.GetASPData("/internal/slow.asp", ""), "x");
    EXPECT_TRUE(busyDuring);
    EXPECT_FALSE(closedDuring);
    EXPECT_FALSE(w.IsUnloaded());
}

} // namespace
