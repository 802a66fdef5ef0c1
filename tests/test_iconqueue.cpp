// The icon download queue against a local service: downloads one at a time
// in request order, failures that do not stall it, whole-body atomic writes,
// refused names, the refill of the windows that asked, and replies of other
// users of the transfer control that never land in an icon file, and many
// requests with repeats that fetch each icon once, in first request order.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/TransferControl.h"
#include "shell/IconQueue.h"
#include "shell/ShellHooks.h"
#include "shell/frmButton.h"
#include "support/Files.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <mutex>

using namespace modGlobals;
using localservice::Reply;
using localservice::Request;

namespace {

// A menu window that can be refilled without writing the category log.
class FakeMenu : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE void RefreshIcons() { ++refreshes; }
    int refreshes = 0;
};

// A real picture (what the queue keeps) told apart by the marker in its
// comment; `padding` bytes more of it make it larger.
QByteArray Png(const QByteArray& marker, int padding = 0) {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setText(QStringLiteral("Comment"),
                  QString::fromLatin1(marker + QByteArray(padding, 'p')));
    return testsupport::EncodePng(image);
}

struct Span {
    QString page;
    qint64 start = 0, end = 0;
};

class IconQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        clock.start();
        modInternet::Inet1().SetTimeoutMs(5000);
    }
    void TearDown() override { modInternet::Inet1().Cancel(); }

    // An icon page that answers after a short wait and records when.
    void Icon(const QString& name, const QByteArray& body, int status = 200, int delayMs = 40) {
        service.SetHandler(Page(name), [this, name, body, status, delayMs](const Request&) {
            Span span{name, clock.elapsed(), 0};
            QThread::msleep(static_cast<unsigned long>(delayMs));
            span.end = clock.elapsed();
            {
                std::lock_guard<std::mutex> lock(mutex);
                spans.push_back(span);
            }
            Reply reply;
            reply.status = status;
            reply.body = body;
            reply.contentType = "image/gif";
            return reply;
        });
    }
    static QString Page(const QString& name) {
        return QStringLiteral("/Vantrix/internal/images/") + name;
    }
    QString File(const QString& name) const { return world.imagesPath() + name; }
    static QString Url(const QString& name) { return QStringLiteral("/images/") + name; }
    QByteArray Read(const QString& name) const {
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool WaitDrained(IconQueue& queue) {
        return QTest::qWaitFor([&queue] { return queue.Count() == 0; }, 10000);
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
    QElapsedTimer clock;
    std::mutex mutex;
    std::vector<Span> spans;
};

TEST_F(IconQueueTest, ThreeIconsAreFetchedOneAfterAnotherInRequestOrder) {
    Icon(QStringLiteral("a.gif"), Png("AAA"));
    Icon(QStringLiteral("b.gif"), Png("BBBB"));
    Icon(QStringLiteral("c.gif"), Png("CCCCC"));
    IconQueue queue;
    FakeMenu first, third;
    int refills = 0;
    ASSERT_TRUE(queue.Add(Url("a.gif"), File("a.gif"), &first));
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(queue.Head(), File("a.gif")); // started at once
    ASSERT_TRUE(queue.Add(Url("b.gif"), File("b.gif"), &first));
    ASSERT_TRUE(queue.Add(Url("c.gif"), File("c.gif"), &third, [&refills] { ++refills; }));
    EXPECT_EQ(queue.Count(), 3);
    ASSERT_TRUE(WaitDrained(queue));

    EXPECT_EQ(Read("a.gif"), Png("AAA"));
    EXPECT_EQ(Read("b.gif"), Png("BBBB"));
    EXPECT_EQ(Read("c.gif"), Png("CCCCC"));
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].page, QStringLiteral("a.gif"));
    EXPECT_EQ(spans[1].page, QStringLiteral("b.gif"));
    EXPECT_EQ(spans[2].page, QStringLiteral("c.gif"));
    // One at a time: each starts after the previous one has answered.
    EXPECT_GE(spans[1].start, spans[0].end);
    EXPECT_GE(spans[2].start, spans[1].end);
    // Each window that asked is refilled once, after the last download.
    EXPECT_EQ(first.refreshes, 1);
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(third.refreshes, 0); // its own refill was given
}

TEST_F(IconQueueTest, ANotFoundAndARefusedIconDoNotStallTheQueue) {
    Icon(QStringLiteral("missing.gif"), "<html>Not Found</html>", 404);
    Reply refuse;
    refuse.refuse = true;
    service.SetReply(Page(QStringLiteral("refused.gif")), refuse);
    Icon(QStringLiteral("good.gif"), Png("GOOD"));
    IconQueue queue;
    QSignalSpy finished(&queue, &IconQueue::Finished);
    FakeMenu menu;
    ASSERT_TRUE(queue.Add(Url("missing.gif"), File("missing.gif"), &menu));
    ASSERT_TRUE(queue.Add(Url("refused.gif"), File("refused.gif"), &menu));
    ASSERT_TRUE(queue.Add(Url("good.gif"), File("good.gif"), &menu));
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_FALSE(QFile::exists(File("missing.gif")));
    EXPECT_FALSE(QFile::exists(File("refused.gif")));
    EXPECT_EQ(Read("good.gif"), Png("GOOD"));
    ASSERT_EQ(finished.size(), 3);
    EXPECT_FALSE(finished[0][1].toBool());
    EXPECT_FALSE(finished[1][1].toBool());
    EXPECT_TRUE(finished[2][1].toBool());
    EXPECT_NE(gInetError, 0); // the refused one reported its error
    EXPECT_EQ(menu.refreshes, 1);
    // Nothing is retried.
    QTest::qWait(100);
    EXPECT_EQ(service.RequestsFor(Page(QStringLiteral("missing.gif"))).size(), 1);
}

TEST_F(IconQueueTest, AStaleLargerFileIsReplacedWhole) {
    QByteArray big(40000, 'X');
    QFile old(File("big.gif"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(big);
    old.close();
    const QByteArray fresh = Png("Y", 12000); // smaller, yet several reads of the socket
    Icon(QStringLiteral("big.gif"), fresh);
    IconQueue queue;
    ASSERT_TRUE(queue.Add(Url("big.gif"), File("big.gif"), nullptr));
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_EQ(Read("big.gif"), fresh);
}

TEST_F(IconQueueTest, AnEmptyReplyLeavesTheOldFile) {
    QFile old(File("e.gif"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("OLD");
    old.close();
    Icon(QStringLiteral("e.gif"), QByteArray());
    IconQueue queue;
    ASSERT_TRUE(queue.Add(Url("e.gif"), File("e.gif"), nullptr));
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_EQ(Read("e.gif"), QByteArray("OLD"));
}

TEST_F(IconQueueTest, NamesThatAreNotPlainFileNamesAreNeverFetched) {
    IconQueue queue;
    const QStringList bad = {QStringLiteral("../evil.gif"), QStringLiteral("a/b.gif"),
                             QStringLiteral("c:x.gif"),     QStringLiteral("a\\b.gif"),
                             QStringLiteral(".."),          QStringLiteral(""),
                             QStringLiteral("x..gif")};
    for (const QString& name : bad)
        EXPECT_FALSE(queue.Add(Url(name), world.imagesPath() + name, nullptr))
            << name.toStdString();
    // Outside the images folder of the server, or into another file name.
    EXPECT_FALSE(queue.Add(QStringLiteral("/data/a.gif"), File("a.gif"), nullptr));
    EXPECT_FALSE(queue.Add(Url("a.gif"), File("b.gif"), nullptr));
    EXPECT_FALSE(queue.Add(Url("a.gif"), world.imagesPath() + QStringLiteral("../a.gif"), nullptr));
    EXPECT_EQ(queue.Count(), 0);
    QTest::qWait(50);
    EXPECT_TRUE(service.Requests().isEmpty());
    EXPECT_TRUE(modGlobals::IsPlainFileName(QStringLiteral("my icon.v2.gif")));
}

TEST_F(IconQueueTest, OnlyWindowsThatStillExistAreRefilledOnce) {
    Icon(QStringLiteral("a.gif"), Png("A"));
    Icon(QStringLiteral("b.gif"), Png("B"));
    IconQueue queue;
    FakeMenu kept;
    auto gone = std::make_unique<FakeMenu>();
    int goneRefills = 0;
    ASSERT_TRUE(queue.Add(Url("a.gif"), File("a.gif"), &kept));
    ASSERT_TRUE(
        queue.Add(Url("b.gif"), File("b.gif"), gone.get(), [&goneRefills] { ++goneRefills; }));
    ASSERT_TRUE(queue.Add(Url("a.gif"), File("a.gif"), &kept)); // asked again: not queued twice
    EXPECT_EQ(queue.Count(), 2);
    gone.reset();
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_EQ(kept.refreshes, 1);
    EXPECT_EQ(goneRefills, 0);
    EXPECT_EQ(service.RequestsFor(Page(QStringLiteral("a.gif"))).size(), 1);
}

TEST_F(IconQueueTest, AnotherRequestThroughTheControlNeverLandsInAnIcon) {
    Icon(QStringLiteral("slow.gif"), Png("ICON"), 200, 150);
    service.SetReply(QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp"),
                     QByteArray("NOT AN ICON"));
    IconQueue queue;
    ASSERT_TRUE(queue.Add(Url("slow.gif"), File("slow.gif"), nullptr));
    bool delivered = false;
    modInternet::Inet1().Execute(
        QStringLiteral("http://") + gServerBase + QStringLiteral("SubmitCategoryLog.asp"),
        QStringLiteral("POST"), QByteArray("UserID=1"), QString(),
        [&delivered](const platform::TransferResult&) { delivered = true; });
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_TRUE(QTest::qWaitFor([&delivered] { return delivered; }, 5000));
    EXPECT_EQ(Read("slow.gif"), Png("ICON"));
}

TEST_F(IconQueueTest, ADownloadCancelledByAnotherUserIsGivenUp) {
    Icon(QStringLiteral("lost.gif"), Png("LOST"), 200, 200);
    Icon(QStringLiteral("next.gif"), Png("NEXT"));
    IconQueue queue;
    queue.SetStallTimeoutMs(300);
    ASSERT_TRUE(queue.Add(Url("lost.gif"), File("lost.gif"), nullptr));
    ASSERT_TRUE(queue.Add(Url("next.gif"), File("next.gif"), nullptr));
    modInternet::Inet1().Cancel(); // its completion never comes
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_FALSE(QFile::exists(File("lost.gif")));
    EXPECT_EQ(Read("next.gif"), Png("NEXT"));
}

TEST_F(IconQueueTest, TheButtonWindowQueuesTheDownloads) {
    testsupport::Installed<ShellButton> shellButton;
    Icon(QStringLiteral("btn.gif"), Png("BTN"));
    frmButton& button = frmButton::Get();
    FakeMenu menu;
    ASSERT_TRUE(button.DownloadNewIcon(Url("btn.gif"), File("btn.gif"), &menu));
    ASSERT_TRUE(WaitDrained(button.Icons));
    EXPECT_EQ(Read("btn.gif"), Png("BTN"));
    EXPECT_EQ(menu.refreshes, 1);
    frmButton::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(IconQueueTest, TheMenusReachTheQueueThroughTheirHook) {
    testsupport::Installed<ShellButton> shellButton;
    Icon(QStringLiteral("hook.gif"), Png("HOOK"));
    FakeMenu menu;
    // Without a button window there is no queue.
    EXPECT_FALSE(windows::button().DownloadNewIcon(Url("hook.gif"), File("hook.gif"), &menu));
    frmButton& button = frmButton::Get();
    EXPECT_FALSE(windows::button().DownloadNewIcon(Url("../hook.gif"), File("hook.gif"), &menu));
    ASSERT_TRUE(windows::button().DownloadNewIcon(Url("hook.gif"), File("hook.gif"), &menu));
    ASSERT_TRUE(WaitDrained(button.Icons));
    EXPECT_EQ(Read("hook.gif"), Png("HOOK"));
    EXPECT_EQ(menu.refreshes, 1);
    frmButton::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(IconQueueTest, UnloadingTheButtonDropsTheQueue) {
    testsupport::Installed<ShellButton> shellButton;
    Icon(QStringLiteral("x.gif"), Png("X"), 200, 100);
    Icon(QStringLiteral("y.gif"), Png("Y"));
    frmButton& button = frmButton::Get();
    FakeMenu menu;
    ASSERT_TRUE(button.DownloadNewIcon(Url("x.gif"), File("x.gif"), &menu));
    ASSERT_TRUE(button.DownloadNewIcon(Url("y.gif"), File("y.gif"), &menu));
    frmButton::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(File("x.gif")));
    EXPECT_FALSE(QFile::exists(File("y.gif")));
    EXPECT_EQ(menu.refreshes, 0);
}

TEST_F(IconQueueTest, OnlyAnIconsWorthOfAPictureIsStored) {
    // 15 MB that begin with a picture (readers stop at its end), and an
    // error page sent as 200.
    const QByteArray huge = Png("HUGE") + QByteArray(15 * 1024 * 1024, 'z');
    Icon(QStringLiteral("huge.png"), huge);
    Icon(QStringLiteral("page.gif"), "<html><body>Server Error</body></html>");
    IconQueue queue;
    QSignalSpy finished(&queue, &IconQueue::Finished);
    ASSERT_TRUE(queue.Add(Url("huge.png"), File("huge.png"), nullptr));
    ASSERT_TRUE(queue.Add(Url("page.gif"), File("page.gif"), nullptr));
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_EQ(Read("huge.png"), huge.left(16384));
    EXPECT_FALSE(QFile::exists(File("page.gif")));
    ASSERT_EQ(finished.size(), 2);
    EXPECT_TRUE(finished[0][1].toBool());
    EXPECT_FALSE(finished[1][1].toBool());
}

} // namespace

#include "test_iconqueue.moc"

TEST_F(IconQueueTest, ManyRequestsWithRepeatsFetchEachIconOnceInFirstRequestOrder) {
    service.SetFallback([](const Request&) {
        Reply reply;
        reply.body = Png("ANY");
        reply.contentType = "image/png";
        return reply;
    });
    IconQueue queue;
    FakeMenu menu;
    // 300 icons asked for in a shuffled order, each of them three times while
    // it waits; the head too is asked for again.
    QStringList order;
    for (int i = 0; i < 300; ++i)
        order << QStringLiteral("n%1.png").arg((i * 7) % 300, 3, 10, QLatin1Char('0'));
    for (int round = 0; round < 3; ++round)
        for (const QString& name : order)
            ASSERT_TRUE(queue.Add(Url(name), File(name), &menu));
    EXPECT_EQ(queue.Count(), 300);
    ASSERT_TRUE(WaitDrained(queue));
    QStringList fetched;
    for (const Request& r : service.Requests())
        fetched << QString::fromLatin1(r.path).mid(Page(QString()).size());
    EXPECT_EQ(fetched, order);
    EXPECT_EQ(menu.refreshes, 1);
    // Once landed, an icon asked for again is fetched again.
    ASSERT_TRUE(queue.Add(Url(order[0]), File(order[0]), &menu));
    ASSERT_TRUE(WaitDrained(queue));
    EXPECT_EQ(service.RequestsFor(Page(order[0])).size(), 2);
}
