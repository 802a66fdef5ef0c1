// Opening the menu table and reading its records into menu items.
#include "test_store_fixture.h"

#include "platform/Dbf.h"

#include <QFile>

using namespace storetest;

namespace {

class StoreReadTest : public StoreTest {};

} // namespace

TEST_F(StoreReadTest, AMissingTableIsNotLoadedAndNothingFails) {
    clsItemManager& m = Open();
    EXPECT_FALSE(m.DatabaseIsLoaded());
    EXPECT_FALSE(m.OpenError().isEmpty());
    EXPECT_EQ(m.GetItem(12), nullptr);
    EXPECT_EQ(Names(m.GetCollection(3)), QStringList{"(empty)"});
    m.DownloadUpdates(); // skipped: no request
    EXPECT_TRUE(service.Requests().isEmpty());
    store.reset();
    EXPECT_FALSE(QFile::exists(TablePath()));
}

TEST_F(StoreReadTest, ADamagedTableIsNotLoaded) {
    QFile f(TablePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a table at all, only some text that is long enough to be one");
    f.close();
    EXPECT_FALSE(Open().DatabaseIsLoaded());
}

TEST_F(StoreReadTest, ATableWithoutAReadFieldIsNotLoaded) {
    ASSERT_TRUE(platform::DbfTable::Create(
        TablePath(), {{"ID", 'N', 10, 0}, {"PARENTID", 'N', 10, 0}, {"NAME", 'C', 80, 0}}));
    EXPECT_FALSE(Open().DatabaseIsLoaded());
    EXPECT_TRUE(store->OpenError().contains("Icon"));
}

TEST_F(StoreReadTest, AdUrlIsOptionalAndFieldNamesIgnoreCase) {
    std::vector<platform::DbfFieldDef> fields = localservice::MenuTableFields();
    fields.pop_back(); // no AdURL
    for (auto& f : fields)
        f.name = f.name.toUpper();
    ASSERT_TRUE(platform::DbfTable::Create(TablePath(), fields));
    {
        auto t = platform::DbfTable::Open(TablePath());
        const int r = t->AppendBlank();
        t->Assign(r, 0, "12");
        t->Assign(r, 1, "3");
        t->Assign(r, 2, "Tea");
        t->Assign(r, 5, "T");
    }
    clsItemManager& m = Open();
    ASSERT_TRUE(m.DatabaseIsLoaded());
    ItemPtr item = m.GetItem(12);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Name, "Tea");
    EXPECT_TRUE(item->IsItem);
}

TEST_F(StoreReadTest, ReadRecordFieldByField) {
    localservice::SampleRecord r = Rec(12, 3, "  Tea Room  ", false, " 1.50");
    r.icon = "cup.gif";
    r.description = " Hot drinks ";
    r.isRestricted = true;
    r.form = "quote.frm";
    WriteTable({r});
    ItemPtr item = Open().GetItem(12);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->ID, 12);
    EXPECT_EQ(item->ParentID, 3);
    EXPECT_EQ(item->Name, "Tea Room");
    EXPECT_EQ(item->Icon, "cup.gif");
    EXPECT_EQ(item->Description, "Hot drinks");
    EXPECT_FALSE(item->IsItem);
    EXPECT_TRUE(item->IsRestricted);
    EXPECT_EQ(item->Form, "quote.frm");
    EXPECT_FLOAT_EQ(item->Bid, 1.5f);
    EXPECT_TRUE(item->IsAboveLine);
    EXPECT_EQ(item->NewsID, 0);
    EXPECT_TRUE(item->URL.isEmpty());
}

TEST_F(StoreReadTest, HeadingsBlankAndSmallBidsAndFlags) {
    WriteTable({Rec(20, 5, ".News"), Rec(21, 5, "   .Sports", false), Rec(22, 5, "Plain", true, ""),
                Rec(23, 5, "Penny", true, "0.01"), Rec(24, 5, "Lower"),
                Rec(25, 5, "Zero", true, "0.00")});
    {
        auto t = platform::DbfTable::Open(TablePath());
        t->Assign(4, 5, "t"); // record 24: a lower-case t
    }
    clsItemManager& m = Open();
    ItemPtr news = m.GetItem(20);
    ASSERT_TRUE(news);
    EXPECT_EQ(news->ID, -1000);
    EXPECT_EQ(news->Name, "News");
    ItemPtr sports = m.GetItem(21); // blanks before the dot: trimmed first
    ASSERT_NE(sports, nullptr);
    EXPECT_EQ(sports->ID, -1000);
    EXPECT_EQ(sports->Name, "Sports");
    ASSERT_NE(m.GetItem(22), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(22)->Bid, 0.0f);
    EXPECT_FALSE(m.GetItem(22)->IsAboveLine);
    ASSERT_NE(m.GetItem(23), nullptr);
    EXPECT_TRUE(m.GetItem(23)->IsAboveLine);
    ASSERT_NE(m.GetItem(24), nullptr);
    EXPECT_FALSE(m.GetItem(24)->IsItem);
    ASSERT_NE(m.GetItem(25), nullptr);
    EXPECT_FALSE(m.GetItem(25)->IsAboveLine);
    EXPECT_EQ(m.GetItem(99), nullptr);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreReadTest, DeletedRecordsAreStillFoundById) {
    WriteTable({Rec(12, 3, "Tea"), Rec(13, 3, "Coffee")});
    {
        auto t = platform::DbfTable::Open(TablePath());
        t->Delete(0);
    }
    clsItemManager& m = Open();
    ASSERT_TRUE(m.GetItem(12));
    EXPECT_EQ(m.GetItem(12)->Name, "Tea");
    // Category 3 (hot buys) has no filler, so no separator either.
    EXPECT_EQ(Names(m.GetCollection(3)), QStringList{"Coffee"});
}

TEST_F(StoreReadTest, FieldsThatDoNotConvertAreReportedNotFatal) {
    WriteTable(
        {Rec(12, 7, "Tea"), Rec(13, 7, "Bad bid"), Rec(14, 7, "Bad id"), Rec(15, 7, "Coffee")});
    {
        auto t = platform::DbfTable::Open(TablePath());
        t->Assign(1, 8, "-1"); // a negative bid
        t->Assign(2, 0, "x14");
    }
    clsItemManager& m = Open();
    EXPECT_EQ(m.GetItem(13), nullptr);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].number, 13);
    EXPECT_EQ(errors[0].location, "clsItemManager.GetItem");
    EXPECT_TRUE(errors[0].msg.contains("Bid")) << errors[0].msg.toStdString();
    errors.clear();
    // The menu shows what reads and reports the rest once.
    EXPECT_EQ(Names(m.GetCollection(7)), (QStringList{"Advertise here", "-", "Coffee", "Tea"}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].location, "clsItemManager.GetCollection");
    EXPECT_TRUE(errors[0].msg.contains("1 more")) << errors[0].msg.toStdString();
}

TEST_F(StoreReadTest, TheTableIsFlushedAndClosedWithTheStore) {
    WriteTable({Rec(12, 3, "Tea")});
    Open();
    EXPECT_TRUE(store->DatabaseIsLoaded());
    store.reset();
    // Reopened by a new store: the file is intact.
    const ItemPtr tea = Open().GetItem(12);
    ASSERT_NE(tea, nullptr);
    EXPECT_EQ(tea->Name, "Tea");
}

TEST(KeyedItems, AddItemCountRemoveAndEnumerate) {
    clsItems items;
    const ItemPtr a = items.Add(QStringLiteral("K27"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Name, QString());
    EXPECT_EQ(a->ID, 0);
    EXPECT_FALSE(a->IsItem);
    const ItemPtr b = items.Add();
    ASSERT_TRUE(b);
    EXPECT_FALSE(items.Add(QStringLiteral("K27"))); // the key is taken
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(1), a);
    EXPECT_EQ(items.Item(QStringLiteral("K27")), a);
    EXPECT_EQ(items.Item(2), b);
    // An absent entry is no object and no error.
    EXPECT_FALSE(items.Item(QStringLiteral("K-5")));
    EXPECT_FALSE(items.Item(3));
    int seen = 0;
    for (const auto& entry : items)
        EXPECT_EQ(entry.item, ++seen == 1 ? a : b);
    EXPECT_EQ(seen, 2);
    // Removing an absent entry fails; a present one goes.
    EXPECT_FALSE(items.Remove(QStringLiteral("K-5")));
    EXPECT_FALSE(items.Remove(0));
    EXPECT_TRUE(items.Remove(QStringLiteral("K27")));
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Item(1), b);
    EXPECT_FALSE(items.Item(QStringLiteral("K27")));
    EXPECT_TRUE(items.Remove(1));
    EXPECT_EQ(items.Count(), 0);
}
