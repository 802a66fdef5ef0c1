// Category collections: advertisers by bid, the filler, the separator, the
// categories and items in alphabetical order, and the built-in categories.
#include "test_store_fixture.h"

#include "core/ItemSort.h"
#include "platform/Dbf.h"

using namespace storetest;
using localservice::SampleRecord;

namespace {

class StoreSortTest : public StoreTest {};

// Twelve advertisers bidding 1.00 to 12.00 in category `parent`, ids 101 to
// 112 (bid n for id 100 + n), plus one plain item and one subcategory.
std::vector<SampleRecord> TwelveBidders(int parent) {
    std::vector<SampleRecord> out;
    for (int n = 1; n <= 12; ++n)
        out.push_back(Rec(100 + n, parent, QStringLiteral("Ad %1").arg(n), true,
                          QString::number(n) + QStringLiteral(".00")));
    out.push_back(Rec(200, parent, "zebra site"));
    out.push_back(Rec(201, parent, "Apples", false));
    return out;
}

} // namespace

TEST_F(StoreSortTest, AdvertisersByBidValueHighestFirstNineShown) {
    WriteTable(TwelveBidders(7));
    ItemCollectionPtr c = Open().GetCollection(7);
    // By value, not as text: 12.00 down to 4.00; 3.00, 2.00, 1.00 are left out.
    EXPECT_EQ(Names(c),
              (QStringList{"Ad 12", "Ad 11", "Ad 10", "Ad 9", "Ad 8", "Ad 7", "Ad 6", "Ad 5",
                           "Ad 4", "Advertise here", "-", "Apples", "zebra site"}));
    ASSERT_NE(c->Item(10), nullptr);
    EXPECT_TRUE(c->Item(10)->IsAboveLine);
    EXPECT_EQ(c->Item(10)->ParentID, 7);
    EXPECT_EQ(c->Item(10)->Description, "Click here to insert your own ad into this category");
    EXPECT_TRUE(c->Item(10)->IsItem);
    // Only the filler and the separator carry keys.
    EXPECT_EQ(c->ItemByKey("K-5"), c->Item(10));
    EXPECT_EQ(c->ItemByKey("K-1"), c->Item(11));
    EXPECT_EQ(c->ItemByKey("K112"), nullptr);
}

TEST_F(StoreSortTest, SearchPseudoCategoryShowsTenAdvertisersAndNoFiller) {
    WriteTable(TwelveBidders(0));
    ItemCollectionPtr c = Open().GetCollection(0);
    EXPECT_EQ(Names(c), (QStringList{"Ad 12", "Ad 11", "Ad 10", "Ad 9", "Ad 8", "Ad 7", "Ad 6",
                                     "Ad 5", "Ad 4", "Ad 3", "-", "Apples", "zebra site"}));
}

TEST_F(StoreSortTest, HotBuyCategoryHasNoFiller) {
    WriteTable(TwelveBidders(3));
    QStringList names = Names(Open().GetCollection(3));
    EXPECT_EQ(names.size(), 9 + 1 + 2);
    EXPECT_FALSE(names.contains("Advertise here"));
    EXPECT_EQ(names.at(9), "-");
}

TEST_F(StoreSortTest, EqualBidsLowerIdFirstAndCentsDecide) {
    WriteTable({Rec(30, 8, "Thirty", true, "2.50"), Rec(12, 8, "Twelve", true, "2.5"),
                Rec(20, 8, "Twenty", true, "2.50"), Rec(40, 8, "Nine", true, "9.00"),
                Rec(41, 8, "Twelve dollars", true, "12.00")});
    EXPECT_EQ(Names(Open().GetCollection(8)),
              (QStringList{"Twelve dollars", "Nine", "Twelve", "Twenty", "Thirty", "Advertise here",
                           "-"}));
}

TEST_F(StoreSortTest, CategoriesThenItemsCaseInsensitiveAndStable) {
    WriteTable({Rec(1, 9, "banana"), Rec(2, 9, "Apple"), Rec(3, 9, "cherry", false),
                Rec(4, 9, "Berry", false), Rec(5, 9, "APPLE"), Rec(6, 9, ".Popular"),
                Rec(7, 9, ".Sections", false)});
    ItemCollectionPtr c = Open().GetCollection(9);
    EXPECT_EQ(Names(c), (QStringList{"Advertise here", "-", "Berry", "cherry", "Sections", "Apple",
                                     "APPLE", "banana", "Popular"}));
    // Headings carry the id of their place in the query: 6th and 7th record.
    ASSERT_NE(c->Item(5), nullptr);
    EXPECT_EQ(c->Item(5)->ID, -1006);
    ASSERT_NE(c->Item(9), nullptr);
    EXPECT_EQ(c->Item(9)->ID, -1005);
}

TEST_F(StoreSortTest, NamesBeyondAsciiSortAmongThePlainOnesAsFolded) {
    // Plain names are folded by hand, the others by Qt: both in one order.
    WriteTable({Rec(1, 9, QStringLiteral("\u00c9clair")), Rec(2, 9, "Zoo"),
                Rec(3, 9, QStringLiteral("\u00e9clair")), Rec(4, 9, "apple"),
                Rec(5, 9, QStringLiteral("\u00c4rger")), Rec(6, 9, "ZOO"), Rec(7, 9, "Apple")});
    EXPECT_EQ(Names(Open().GetCollection(9)),
              (QStringList{"Advertise here", "-", "apple", "Apple", "Zoo", "ZOO",
                           QStringLiteral("\u00c4rger"), QStringLiteral("\u00c9clair"),
                           QStringLiteral("\u00e9clair")}));
}

TEST_F(StoreSortTest, RowsOutliveTheirCollectionAndTheStore) {
    std::vector<SampleRecord> rows;
    for (int n = 1; n <= 300; ++n)
        rows.push_back(Rec(n, 9, QStringLiteral("Site %1").arg(n, 3, 10, QLatin1Char('0'))));
    WriteTable(rows);
    ItemPtr kept;
    {
        ItemCollectionPtr c = Open().GetCollection(9);
        kept = c->Item(3 + 150); // after the filler and the separator
    }
    store.reset();
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Name, "Site 151");
    EXPECT_EQ(kept->ID, 151);
}

TEST_F(StoreSortTest, HeadingIdsSkipADeletedRecord) {
    WriteTable({Rec(1, 9, ".First"), Rec(2, 9, ".Gone"), Rec(3, 9, ".Third")});
    {
        auto t = platform::DbfTable::Open(TablePath());
        t->Delete(1);
    }
    clsItemManager& m = Open();
    ItemCollectionPtr c = m.GetCollection(9);
    EXPECT_EQ(Names(c), (QStringList{"Advertise here", "-", "First", "Third"}));
    ASSERT_NE(c->Item(3), nullptr);
    EXPECT_EQ(c->Item(3)->ID, -1000);
    ASSERT_NE(c->Item(4), nullptr);
    EXPECT_EQ(c->Item(4)->ID, -1002);
    // The raw collection: keyed by those ids, in query order.
    ItemCollectionPtr raw = m.GetCollectionNoSort(9);
    EXPECT_EQ(Ids(raw), (QList<int>{-1000, -1002}));
    EXPECT_TRUE(raw->ItemByKey("K-1002"));
}

TEST_F(StoreSortTest, EmptyCategories) {
    WriteTable({Rec(1, 9, "Somewhere else")});
    clsItemManager& m = Open();
    EXPECT_EQ(Names(m.GetCollection(44)), (QStringList{"Advertise here", "-"}));
    ItemCollectionPtr hot = m.GetCollection(3);
    EXPECT_EQ(Names(hot), QStringList{"(empty)"});
    ASSERT_NE(hot->Item(1), nullptr);
    EXPECT_EQ(hot->Item(1)->ID, -1000);
    EXPECT_FALSE(hot->Item(1)->IsItem);
    EXPECT_EQ(Names(m.GetCollection(0)), QStringList{"(empty)"});
    EXPECT_EQ(m.GetCollectionNoSort(44)->Count(), 0);
}

TEST_F(StoreSortTest, NegativeCategoryHasNoAdvertiserLimit) {
    std::vector<SampleRecord> rows;
    for (int n = 1; n <= 12; ++n)
        rows.push_back(Rec(n, 0, QStringLiteral("Ad %1").arg(n), true, "1.00"));
    std::vector<ItemPtr> items;
    WriteTable(rows);
    clsItemManager& m = Open();
    for (int n = 1; n <= 12; ++n)
        items.push_back(m.GetItem(n));
    ItemCollectionPtr c = ItemSort::SortItems(items, -5);
    EXPECT_EQ(c->Count(), 12 + 2); // all twelve, the filler, the separator
    ASSERT_NE(c->Item(1), nullptr);
    EXPECT_EQ(c->Item(1)->ID, 1);
    EXPECT_EQ(ItemSort::AdvertiserLimit(7), 9);
    EXPECT_EQ(ItemSort::AdvertiserLimit(0), 10);
}

TEST_F(StoreSortTest, BuiltInCategoriesAreNotReadFromTheTable) {
    WriteTable({Rec(1, 109, "Not shown")});
    clsItemManager& m = Open();
    ItemCollectionPtr member = m.GetCollection(109);
    EXPECT_EQ(Names(member), (QStringList{"Refer my friends...", "Options...", "-",
                                          "Member Home...", "New User...", "Technical Support...",
                                          "Contact Us...", "About Tarvel..."}));
    EXPECT_EQ(Ids(member), (QList<int>{-7, -8, -1, -12, -9, -15, -11, -6}));
    for (int i = 1; i <= member->Count(); ++i)
        EXPECT_TRUE(member->Item(i)->IsItem);
    EXPECT_EQ(Names(m.GetCollectionNoSort(109)), Names(member));
    modGlobals::gFavoritesPath.clear();
    EXPECT_EQ(Names(m.GetCollection(31504)), QStringList{"No Favorites"});
}

TEST_F(StoreSortTest, MoreCollectionIsEmptyAndSafe) {
    WriteTable({Rec(1, 9, "Row")});
    EXPECT_EQ(Open().GetMoreCollection(9)->Count(), 0);
}

TEST_F(StoreSortTest, CollectionsAreNewEveryCall) {
    WriteTable({Rec(1, 9, "Row")});
    clsItemManager& m = Open();
    ItemCollectionPtr a = m.GetCollection(9);
    ItemCollectionPtr b = m.GetCollection(9);
    EXPECT_NE(a, b);
    EXPECT_NE(a->Item(3), b->Item(3));
}
