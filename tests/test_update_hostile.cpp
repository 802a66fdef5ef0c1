// The menu database update against a server and a disk that misbehave: a
// reply cut by a reset, a disk that fills while the reply is spooled, a reply
// that never ends, one that trickles, a slow but steady full reload, and a
// table copied over while it is read. Judged by the table on disk, the stored
// stamp, what the server was asked and what the user is told.
#include "test_store_fixture.h"

#include "core/clsItemManagerUpdate.h"
#include "platform/Dbf.h"
#include "platform/RequestWait.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <limits>
#include <thread>

using namespace storetest;
using localservice::Framing;

namespace {

class UpdateHostileTest : public StoreTest {
protected:
    UpdateHostileTest() { modGlobals::SaveSetting("Main", "LastUpdated", kOldStamp); }
    ~UpdateHostileTest() override {
        modInternet::SetASPDataToFileLimits(0, -1);
        modInternet::SetASPDataToFileStall(0, 0);
    }
    void Reply(const localservice::Reply& reply) {
        service.SetReply(Page("getUpdates.ASP"), reply);
    }
    QString Stamp() const { return modGlobals::GetSetting("Main", "LastUpdated", "(none)"); }
    QStringList DataFiles() const { return QDir(world.dataPath()).entryList(QDir::Files); }
    // A fresh engine's view of the file: its record count and a record.
    int FileCount() {
        auto t = platform::DbfTable::Open(TablePath());
        return t ? t->RecordCount() : -1;
    }
    // A full reload of `count` records, every line ended.
    static QByteArray Reload(int count) {
        QByteArray body = "12/8/2026 10:15:00 AM\r\n";
        for (int id = 1000; id < 1000 + count; ++id)
            body += "I," + QByteArray::number(id) + ",Item " + QByteArray::number(id) +
                    ",,A description long enough to look real,True,5,False,,0.25,\r\n";
        return body;
    }

    static constexpr const char* kOldStamp = "12/1/2026 9:00:00 AM";
};

std::vector<localservice::SampleRecord> Rows(int count) {
    std::vector<localservice::SampleRecord> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Rec(100 + i, 5, QStringLiteral("Row %1").arg(i)));
    return rows;
}

// Counts its paints.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

} // namespace

TEST_F(UpdateHostileTest, AReplyCutByAResetOrEndingInsideItsLastLineAppliesNothingOfThatLine) {
    WriteTable({Rec(4, 5, "Four"), Rec(12, 5, "Twelve"), Rec(40, 5, "Forty")});
    clsItemManager& m = Open();
    // "D,40" sent, the connection reset after "D,4": a failed transfer.
    localservice::Reply reset;
    reset.framing = Framing::Reset;
    reset.body = "12/8/2026 10:15:00 AM\r\nB,12,2.50\r\nD,4";
    Reply(reset);
    m.DownloadUpdates();
    EXPECT_EQ(Stamp(), kOldStamp);
    EXPECT_FALSE(m.GetItem(4) == nullptr);
    ASSERT_NE(m.GetItem(12), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(12)->Bid, 0.0f);
    // The same reply ended by an orderly close: the whole lines count, the
    // cut last one does not, and the stamp is not stored (the changes come
    // again).
    localservice::Reply closed = reset;
    closed.framing = Framing::UntilClose;
    Reply(closed);
    m.DownloadUpdates();
    EXPECT_EQ(Stamp(), kOldStamp);
    EXPECT_TRUE(errors.isEmpty());
    store.reset();
    EXPECT_FALSE(RawDeleted(4));
    EXPECT_FALSE(RawDeleted(40));
    EXPECT_EQ(Raw(12, "Bid").trimmed(), "2.50");
}

TEST_F(UpdateHostileTest, ADiskThatFillsWhileTheReplyIsSpooledIsReportedAndKeepsTheStamp) {
    WriteTable({Rec(12, 5, "Twelve")});
    const QByteArray before = [&] {
        QFile f(TablePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    localservice::Reply reply;
    reply.body = Reload(2000); // about 150 KB
    Reply(reply);
    clsItemManager& m = Open();
    {
        FileSizeLimit limit(64 * 1024);
        m.DownloadUpdates();
    }
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("The menu update could not be stored"))
        << errors[0].msg.toStdString();
    EXPECT_EQ(errors[0].location, "clsItemManager.DownloadUpdates");
    EXPECT_EQ(Stamp(), kOldStamp);
    EXPECT_EQ(DataFiles(), QStringList{"MenuItems.dat"});
    store.reset();
    QFile f(TablePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(UpdateHostileTest, AnEndlessReplyStopsAtTheSpoolLimitAsAFailedUpdate) {
    WriteTable({Rec(12, 5, "Twelve")});
    modInternet::SetASPDataToFileLimits(2 * 1024 * 1024, -1);
    localservice::Reply endless;
    endless.framing = Framing::Endless;
    endless.body = "12/8/2026 10:15:00 AM\r\nD,12\r\n";
    Reply(endless);
    QElapsedTimer clock;
    clock.start();
    Open().DownloadUpdates();
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(Stamp(), kOldStamp);
    EXPECT_EQ(DataFiles(), QStringList{"MenuItems.dat"});
    store.reset();
    EXPECT_FALSE(RawDeleted(12));
}

TEST_F(UpdateHostileTest, ATrickledReplyFailsOnceItStallsWhileASteadyOneCompletesAndPaints) {
    WriteTable({Rec(12, 5, "Twelve")});
    // Scaled down: at least 8 KB in every half second.
    modInternet::SetASPDataToFileStall(500, 8 * 1024);
    localservice::Reply trickle;
    trickle.body = Reload(2000);
    trickle.trickleMs = 50;
    trickle.trickleBytes = 64;
    Reply(trickle);
    clsItemManager& m = Open();
    QElapsedTimer clock;
    clock.start();
    m.DownloadUpdates();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(Stamp(), kOldStamp);

    // The same reload at 16 KB a tenth of a second takes about a second,
    // twice the stall window: it goes through, and a window that needs a
    // paint meanwhile gets it during the wait, not after.
    localservice::Reply steady = trickle;
    steady.trickleMs = 100;
    steady.trickleBytes = 16 * 1024;
    Reply(steady);
    PaintCounter window;
    window.resize(100, 100);
    window.show();
    QCoreApplication::processEvents();
    window.paints = 0;
    std::thread nudge([&window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QMetaObject::invokeMethod(
            &window, [&window] { window.update(); }, Qt::QueuedConnection);
    });
    clock.restart();
    m.DownloadUpdates();
    const int paintsDuringUpdate = window.paints;
    nudge.join();
    EXPECT_GT(clock.elapsed(), 500);
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    EXPECT_GE(paintsDuringUpdate, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    store.reset();
    EXPECT_EQ(FileCount(), 2001);
}

TEST_F(UpdateHostileTest, ATableCopiedOverWhileReadKeepsTheCopysCountAtClose) {
    WriteTable(Rows(20));
    clsItemManager& m = Open();
    ASSERT_EQ(m.GetCollectionNoSort(5)->Count(), 20);
    // `cp other.dat MenuItems.dat` half done when a menu reads the table.
    const QString other = world.dataPath() + QStringLiteral("other.dat");
    ASSERT_TRUE(localservice::WriteMenuTable(other, Rows(624)));
    QFile from(other);
    ASSERT_TRUE(from.open(QIODevice::ReadOnly));
    const QByteArray copy = from.readAll();
    from.close();
    QFile::remove(other);
    const qsizetype half = copy.size() / 2;
    {
        QFile to(TablePath());
        ASSERT_TRUE(to.open(QIODevice::WriteOnly | QIODevice::Truncate));
        to.write(copy.left(half));
    }
    const int seenMidCopy = m.GetCollectionNoSort(5)->Count();
    EXPECT_LT(seenMidCopy, 624);
    {
        QFile to(TablePath());
        ASSERT_TRUE(to.open(QIODevice::Append));
        to.write(copy.mid(half));
    }
    store.reset(); // Close
    QFile table(TablePath());
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    EXPECT_EQ(table.readAll(), copy);
    EXPECT_EQ(FileCount(), 624);
}

TEST_F(UpdateHostileTest, TheSpoolKeepsItsFreeSpaceReserve) {
    WriteTable({Rec(12, 5, "Twelve")});
    const QByteArray before = testsupport::ReadFile(TablePath());
    // More than the first free-space look (16 MB in), on a disk that can
    // never keep the reserve.
    modInternet::SetASPDataToFileLimits(0, std::numeric_limits<qint64>::max() / 2);
    localservice::Reply reply;
    reply.body = Reload(240000);
    ASSERT_GT(reply.body.size(), 16 * 1024 * 1024);
    Reply(reply);
    Open().DownloadUpdates();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.contains("Not enough free disk space"))
        << errors[0].msg.toStdString();
    EXPECT_EQ(Stamp(), kOldStamp);
    EXPECT_EQ(DataFiles(), QStringList{"MenuItems.dat"});
    store.reset();
    EXPECT_EQ(testsupport::ReadFile(TablePath()), before);
}

TEST_F(UpdateHostileTest, AStoppedReloadAppliesNothingAndItsSpoolGoesWithTheWorker) {
    WriteTable({Rec(12, 5, "Twelve")});
    const QByteArray before = testsupport::ReadFile(TablePath());
    localservice::Reply trickle;
    trickle.body = Reload(2000);
    trickle.trickleMs = 50;
    trickle.trickleBytes = 256;
    Reply(trickle);
    clsItemManager& m = Open();
    // The window that shows the wait; the user presses Escape in it.
    QWidget progress;
    progress.resize(100, 40);
    progress.show();
    const platform::WaitWindow shown(&progress);
    auto* escape = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    std::thread user([&progress, escape] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        QCoreApplication::postEvent(&progress, escape);
    });
    QElapsedTimer clock;
    clock.start();
    m.DownloadUpdates();
    const qint64 took = clock.elapsed();
    user.join();
    EXPECT_LT(took, 1500);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(Stamp(), kOldStamp);
    // The worker ends the exchange and removes what it wrote.
    EXPECT_TRUE(QTest::qWaitFor([&] { return DataFiles() == QStringList{"MenuItems.dat"}; }, 3000))
        << DataFiles().join(' ').toStdString();
    store.reset();
    EXPECT_EQ(testsupport::ReadFile(TablePath()), before);
}
