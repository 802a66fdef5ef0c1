// The menu table under hostile conditions: update values wider than their
// fields, a table copied over or cut short while the store has it open, a
// disk that fills in the middle of an append, a retried write, an update that
// changes nothing, and a reply as large as a full reload.
#include "test_store_fixture.h"

#include "platform/Dbf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

using namespace storetest;

namespace {

class StoreHostileTest : public StoreTest {
protected:
    void Reply(const QByteArray& body) { service.SetReply(Page("getUpdates.ASP"), body); }
    QString Stamp() const { return modGlobals::GetSetting("Main", "LastUpdated", "(none)"); }
    QByteArray Bytes() const {
        QFile f(TablePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // What `cp other MenuItems.dat` does: the same file, truncated and
    // written anew.
    void CopyOver(const std::vector<localservice::SampleRecord>& records) {
        const QString other = world.dataPath() + QStringLiteral("other.dat");
        ASSERT_TRUE(localservice::WriteMenuTable(other, records));
        QFile from(other);
        ASSERT_TRUE(from.open(QIODevice::ReadOnly));
        QFile to(TablePath());
        ASSERT_TRUE(to.open(QIODevice::WriteOnly | QIODevice::Truncate));
        to.write(from.readAll());
    }
    // Every record of the file as a fresh engine reads it: "id:raw field".
    QStringList Records(const char* field) {
        QStringList out;
        auto t = platform::DbfTable::Open(TablePath());
        for (int r = 0; t && r < t->RecordCount(); ++r)
            out << t->FieldString(r, t->FieldIndex("ID")).trimmed() + ":" +
                       t->FieldString(r, t->FieldIndex(field));
        return out;
    }
};

QString Now() {
    return QLocale::c().toString(QDateTime::currentDateTime(), "M/d/yyyy h:mm:ss AP");
}

std::vector<localservice::SampleRecord> Category(int parent, int count) {
    std::vector<localservice::SampleRecord> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(
            Rec(100 + i, parent, QStringLiteral("Row %1").arg(i, 3, 10, QLatin1Char('0'))));
    return rows;
}

} // namespace

TEST_F(StoreHostileTest, WideNumbersAreShortenedOrTheLineIsSkippedButNeverStarred) {
    WriteTable({Rec(500, 7, "Books", false), Rec(31, 7, "Bidder", true, "1.00")});
    const QByteArray reply = "12/8/2026 10:15:00 AM\r\n"
                             "I,00000000500,Books%24 new,,,False,7,False,,00000000002.5,\r\n"
                             "B,31,00000000002.5\r\n"
                             "I,000000000000000042,Fresh,,,True,7,False,,000000001.005,\r\n"
                             "B,31,123456789.5\r\n" // 12 characters as N10.2
                             "I,43,Too big,,,True,7,False,,99999999999,\r\n"
                             "I,44,Parent too wide,,,True,-2147483648,False,,,\r\n";
    Reply(reply);
    clsItemManager& m = Open();
    m.DownloadUpdates();
    // A resent insert must not add a second junk record either.
    m.DownloadUpdates();
    ASSERT_EQ(errors.size(), 2); // one report a run
    EXPECT_TRUE(errors[0].msg.startsWith("3 malformed")) << errors[0].msg.toStdString();
    EXPECT_TRUE(errors[0].msg.contains("line 4")) << errors[0].msg.toStdString();
    ASSERT_NE(m.GetItem(500), nullptr);
    EXPECT_EQ(m.GetItem(500)->Name, "Books, new");
    EXPECT_EQ(m.GetCollectionNoSort(7)->Count(), 3);
    ASSERT_NE(m.GetItem(31), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(31)->Bid, 2.5f);
    EXPECT_FALSE(m.GetItem(43));
    EXPECT_FALSE(m.GetItem(44));
    store.reset();
    EXPECT_EQ(Records("Bid"), (QStringList{"500:      2.50", "31:      2.50", "42:      1.01"}));
    EXPECT_FALSE(Bytes().contains('*'));
}

TEST_F(StoreHostileTest, ATableCopiedOverOrCutShortWhileOpenIsReadAgain) {
    WriteTable(Category(5, 400));
    clsItemManager& m = Open();
    ASSERT_EQ(m.GetCollectionNoSort(5)->Count(), 400);
    // Shorter by far: the pages the old table had are gone from the file.
    CopyOver({Rec(7, 5, "Only"), Rec(8, 5, "Two")});
    EXPECT_EQ(Names(m.GetCollectionNoSort(5)), (QStringList{"Only", "Two"}));
    EXPECT_EQ(m.GetItem(120), nullptr);
    // Replaced by another file under the same name.
    const QString other = world.dataPath() + QStringLiteral("renamed.dat");
    ASSERT_TRUE(localservice::WriteMenuTable(other, {Rec(9, 5, "Renamed")}));
    ASSERT_TRUE(QFile::remove(TablePath()));
    ASSERT_TRUE(QFile::rename(other, TablePath()));
    EXPECT_EQ(Names(m.GetCollectionNoSort(5)), QStringList{"Renamed"});
    // An update writes into the file that is there now.
    Reply("12/8/2026 10:15:00 AM\r\nI,10,Added,,,True,5,False,,,\r\n");
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    store.reset();
    EXPECT_EQ(Records("Name").size(), 2);
}

TEST_F(StoreHostileTest, ATableThatNoLongerReadsIsReportedOnceAndLeftAlone) {
    WriteTable(Category(5, 20));
    clsItemManager& m = Open();
    ASSERT_EQ(m.GetCollectionNoSort(5)->Count(), 20);
    {
        QFile f(TablePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("cut");
    }
    EXPECT_EQ(m.GetCollectionNoSort(5)->Count(), 0);
    EXPECT_EQ(m.GetItem(101), nullptr);
    Reply("12/8/2026 10:15:00 AM\r\nI,10,Added,,,True,5,False,,,\r\n");
    m.DownloadUpdates();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("The menu database was changed by another program"))
        << errors[0].msg.toStdString();
    EXPECT_FALSE(m.DatabaseIsLoaded());
    EXPECT_EQ(Stamp(), "(none)");
    EXPECT_TRUE(service.RequestsFor(Page("getUpdates.ASP")).isEmpty());
    store.reset();
    EXPECT_EQ(Bytes(), "cut"); // nobody writes into a file that is not ours
}

TEST_F(StoreHostileTest, AnAppendCutShortByAFullDiskLeavesTheFileAsItWas) {
    WriteTable(Category(5, 3));
    const QByteArray before = Bytes();
    QByteArray reply = "12/8/2026 10:15:00 AM\r\n";
    for (int id = 200; id < 260; ++id)
        reply += "I," + QByteArray::number(id) + ",Hot,,,True,3,False,,,\r\n";
    Reply(reply);
    clsItemManager& m = Open();
    {
        // Room for a few of the new records, not for all of them.
        FileSizeLimit limit(static_cast<rlim_t>(before.size() + 5 * 721));
        m.DownloadUpdates();
    }
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("The menu database could not be written"));
    EXPECT_EQ(Bytes(), before); // no phantom records behind the old end byte
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "No");
    // The retry gets the same lines (no stamp was stored): the records
    // waiting from the first run are written now, and they are new hot buys.
    errors.clear();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "Yes");
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    store.reset();
    EXPECT_EQ(Records("Name").size(), 63);
    EXPECT_TRUE(Bytes().endsWith('\x1A'));
}

TEST_F(StoreHostileTest, AnUpdateThatChangesNothingStillDatesTheTable) {
    WriteTable({Rec(12, 5, "Twelve")});
    {
        QFile f(TablePath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addDays(-10), QFileDevice::FileModificationTime);
    }
    modGlobals::SaveSetting("Main", "LastUpdated", Now());
    // The full reload that the old table date asks for brings no change.
    Reply("12/8/2026 10:15:00 AM\r\n");
    clsItemManager& m = Open();
    m.DownloadUpdates();
    const auto sent = [&] {
        return service.RequestsFor(Page("getUpdates.ASP")).last().formValue("LastUpdated");
    };
    EXPECT_EQ(sent(), "01/04/00 12:00:00 AM");
    EXPECT_EQ(QFileInfo(TablePath()).lastModified().date(), QDate::currentDate());
    // The next hour asks only for what changed since the stored stamp.
    modGlobals::SaveSetting("Main", "LastUpdated", Now());
    m.DownloadUpdates();
    EXPECT_NE(sent(), "01/04/00 12:00:00 AM");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreHostileTest, AFullReloadIsAppliedFromTheSpoolFileToItsLastLine) {
    WriteTable({Rec(1, 0, "Root", false)});
    service.SetHandler(Page("getUpdates.ASP"), [](const localservice::Request&) {
        localservice::Reply r;
        r.body = "12/8/2026 10:15:00 AM\r\n";
        for (int id = 1000; id < 31000; ++id)
            r.body += "I," + QByteArray::number(id) + ",Item " + QByteArray::number(id) +
                      ",,A description long enough to look real,True," +
                      QByteArray::number(10 + id % 50) + ",False,,0.25,http://ad\r\n";
        r.body += "D,1000\r\n\r\n   \r\n";
        r.body += "I,99999,The last line,,,True,1,False,,,\r\n";
        return r;
    });
    clsItemManager& m = Open();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    ASSERT_NE(m.GetItem(30999), nullptr);
    EXPECT_EQ(m.GetItem(30999)->ParentID, 10 + 30999 % 50);
    ASSERT_NE(m.GetItem(99999), nullptr);
    EXPECT_EQ(m.GetItem(99999)->Name, "The last line");
    EXPECT_EQ(m.GetCollectionNoSort(10)->Count(), 599); // 600 sent, one deleted
    // Nothing of the reply stays in the data folder.
    EXPECT_EQ(QDir(world.dataPath()).entryList(QDir::Files), QStringList{"MenuItems.dat"});
    store.reset();
    EXPECT_EQ(Records("ID").size(), 30002);
}

TEST_F(StoreHostileTest, ARefusedReplyAppliesNothingAndLeavesNoSpool) {
    WriteTable({Rec(12, 5, "Twelve")});
    const QByteArray before = Bytes();
    localservice::Reply refused;
    refused.refuse = true;
    service.SetReply(Page("getUpdates.ASP"), refused);
    Open().DownloadUpdates();
    EXPECT_EQ(Stamp(), "(none)");
    EXPECT_TRUE(errors.isEmpty());
    store.reset();
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(QDir(world.dataPath()).entryList(QDir::Files), QStringList{"MenuItems.dat"});
}
