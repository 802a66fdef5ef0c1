// The sample directory and the sample store pages, end to end through the
// item store.
#include "test_store_fixture.h"

#include "localservice/lib/SamplePages.h"

#include <QFileInfo>
#include <QSet>

using namespace storetest;

namespace {

class StoreSampleTest : public StoreTest {
protected:
    StoreSampleTest() {
        localservice::SampleData data;
        data.dataFolder = sampleFolder.path();
        localservice::InstallStorePages(service, data);
    }
    QTemporaryDir sampleFolder;
};

} // namespace

TEST_F(StoreSampleTest, TheSampleTableIsARealisticDirectory) {
    // Installing the pages made the sample table in the sample folder.
    EXPECT_TRUE(QFileInfo::exists(sampleFolder.filePath("MenuItems.dat")));
    ASSERT_TRUE(localservice::CreateSampleDatabase(TablePath()));
    clsItemManager& m = Open();
    ASSERT_TRUE(m.DatabaseIsLoaded());
    const auto& records = localservice::SampleDirectory();
    EXPECT_GT(records.size(), 300u);
    QSet<int> ids;
    for (const auto& r : records)
        ids.insert(r.id);
    EXPECT_EQ(static_cast<size_t>(ids.size()), records.size()); // unique ids
    ASSERT_TRUE(m.GetItem(21));
    EXPECT_TRUE(m.GetItem(21)->IsRestricted);
    ASSERT_NE(m.GetItem(60), nullptr);
    EXPECT_EQ(m.GetItem(60)->Form, "quote.frm");
    EXPECT_FALSE(m.GetItem(60)->IsItem);
    for (int id : {109, 27345, 31504})
        EXPECT_TRUE(m.GetItem(id)) << id;
    // Hot buys: advertisers only, highest bid first, no filler.
    ItemCollectionPtr hot = m.GetCollection(3);
    ASSERT_GE(hot->Count(), 3);
    ASSERT_NE(hot->Item(1), nullptr);
    ASSERT_NE(hot->Item(2), nullptr);
    EXPECT_GE(hot->Item(1)->Bid, hot->Item(2)->Bid);
    EXPECT_FALSE(Names(hot).contains("Advertise here"));
    // A first subcategory holds a heading among its items.
    bool sawHeading = false;
    ItemCollectionPtr movies = m.GetCollection(200);
    for (int i = 1; i <= movies->Count(); ++i)
        sawHeading = sawHeading || movies->Item(i)->ID <= -1000;
    EXPECT_TRUE(sawHeading);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreSampleTest, AFirstUpdateFillsAnEmptyTable) {
    WriteTable({});
    clsItemManager& m = Open();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    EXPECT_NE(modGlobals::GetSetting("Main", "LastUpdated", "X"), "X");
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "Yes");
    ASSERT_NE(m.GetItem(11), nullptr);
    EXPECT_EQ(m.GetItem(11)->Name, "Business & Finance");
    EXPECT_GT(m.GetCollection(200)->Count(), 8);
    // The next update asks from the stored stamp and gets a bid change.
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty());
    const auto requests = service.RequestsFor(Page("getUpdates.ASP"));
    ASSERT_EQ(requests.size(), 2);
    EXPECT_NE(requests[1].formValue("LastUpdated"), "01/04/00 12:00:00 AM");
}

TEST_F(StoreSampleTest, HomeMenuNewsAndSearchFromTheSamplePages) {
    ASSERT_TRUE(localservice::CreateSampleDatabase(TablePath()));
    clsItemManager& m = Open();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    ASSERT_NE(home->Item(1), nullptr);
    EXPECT_EQ(home->Item(1)->Name, "Arts & Entertainment");
    EXPECT_TRUE(Ids(home).contains(-1));
    ASSERT_NE(home->Item(home->Count()), nullptr);
    EXPECT_EQ(home->Item(home->Count())->ID, 31504);
    ItemCollectionPtr news = m.GetNewsCollection();
    ASSERT_NE(news->Item(1), nullptr);
    EXPECT_EQ(news->Item(1)->Name, "Top Stories");
    ASSERT_NE(news->Item(news->Count()), nullptr);
    EXPECT_EQ(news->Item(news->Count())->ID, -18);
    ItemCollectionPtr found = m.GetSearchCollection("golf");
    EXPECT_GT(found->Count(), 3);
    ASSERT_NE(found->Item(1), nullptr);
    EXPECT_NE(found->Item(1)->Name, "(No matches)");
    ASSERT_NE(found->Item(found->Count()), nullptr);
    EXPECT_EQ(found->Item(found->Count())->ID, -4);
    // Unknown user: the service answers "ERR".
    m.ClearHomeMenuCollection();
    EXPECT_EQ(m.GetHomeMenuCollection(0), nullptr);
    EXPECT_EQ(world.notifier.calls.size(), 1);
}

namespace {

// The directory grown for measuring with a large table.
class GrownSampleTest : public StoreTest {
protected:
    static constexpr int kRecords = 3000;
    GrownSampleTest() {
        localservice::SampleData data;
        data.records = kRecords;
        localservice::InstallStorePages(service, data);
    }
    int RecordsInFile() const {
        auto t = platform::DbfTable::Open(TablePath());
        return t ? t->RecordCount() : -1;
    }
};

} // namespace

TEST_F(GrownSampleTest, ItsLargeCategoryHeadsTheHomeMenuWithExactlyFiveHundredRows) {
    ASSERT_TRUE(localservice::CreateSampleDatabase(TablePath(), kRecords));
    EXPECT_EQ(RecordsInFile(), kRecords);
    clsItemManager& m = Open();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    ASSERT_NE(home->Item(1), nullptr);
    EXPECT_EQ(home->Item(1)->ID, localservice::kLargeCategory);
    ASSERT_NE(home->Item(2), nullptr);
    EXPECT_EQ(home->Item(2)->Name, "Arts & Entertainment"); // the sample's rows follow
    // Its records are 500 (the menu shows the highest bids of them only).
    auto table = platform::DbfTable::Open(TablePath());
    ASSERT_TRUE(table);
    const auto children = [&table](int parent) {
        std::vector<uint32_t> rows;
        table->Query(table->FieldIndex("ParentID"), parent, rows);
        return rows.size();
    };
    EXPECT_EQ(children(localservice::kLargeCategory), size_t(localservice::kLargeCategoryRows));
    ItemCollectionPtr large = m.GetCollection(localservice::kLargeCategory);
    int categoryRow = 0;
    for (int i = 1; i <= large->Count(); ++i)
        if (large->Item(i)->ID >= 100000 && !large->Item(i)->IsItem &&
            (categoryRow == 0 || large->Item(i)->ID < categoryRow))
            categoryRow = large->Item(i)->ID;
    // The rest of the filler hangs below the category rows, not in the air.
    ASSERT_NE(categoryRow, 0);
    EXPECT_GE(children(categoryRow), 250u);
    EXPECT_GT(m.GetCollection(categoryRow)->Count(), 200);
    ASSERT_NE(m.GetItem(11), nullptr);
    EXPECT_EQ(m.GetItem(11)->Name, "Business & Finance");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(GrownSampleTest, ItsFirstUpdateRewritesEveryRecordInPlace) {
    // An old copy of the table: every name different from the server's.
    ASSERT_TRUE(localservice::WriteMenuTable(
        TablePath(), localservice::LargeDirectorySize(kRecords), [](int i) {
            auto r = localservice::LargeDirectoryRecord(i, kRecords);
            r.name = QStringLiteral("Old ") + r.name;
            return r;
        }));
    clsItemManager& m = Open();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    ASSERT_NE(m.GetItem(100000), nullptr);
    EXPECT_EQ(m.GetItem(100000)->Name, "Site number 100000 of the directory");
    ASSERT_NE(m.GetItem(11), nullptr);
    EXPECT_EQ(m.GetItem(11)->Name, "Business & Finance");
    EXPECT_EQ(RecordsInFile(), kRecords); // "U" lines of known ids append nothing
    // Once current, the next update is no reload.
    m.DownloadUpdates();
    const auto requests = service.RequestsFor(Page("getUpdates.ASP"));
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(m.GetItem(100000)->Name, "Site number 100000 of the directory");
}
