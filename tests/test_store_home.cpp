// The home menu and the search results, from the replies of the service.
#include "support/Files.h"
#include "test_store_fixture.h"

#include <QElapsedTimer>
#include <QFile>

using namespace storetest;

namespace {

class StoreHomeTest : public StoreTest {
protected:
    StoreHomeTest() {
        localservice::SampleRecord withIcon = Rec(31, 1, "Sports", false);
        withIcon.icon = "sports.gif";
        WriteTable({Rec(12, 1, "Arts", false), withIcon, Rec(40, 1, "Weather"), Rec(5, 8, "Five"),
                    Rec(7, 8, "seven", false), Rec(8, 8, "Ad", true, "3.00")});
    }
    void HomeReply(const QByteArray& body) { service.SetReply(Page("getUserHomeMenu.ASP"), body); }
    void SearchReply(const QByteArray& body) {
        service.SetReply(Page("getSearchResults.ASP"), body);
    }
    int HomeRequests() const { return service.RequestsFor(Page("getUserHomeMenu.ASP")).size(); }
};

} // namespace

TEST_F(StoreHomeTest, RowsDividerAndCache) {
    HomeReply("12\r\n-\r\n31\r\n40\r\nEOF\r\n");
    clsItemManager& m = Open();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    EXPECT_EQ(Ids(home), (QList<int>{12, -1, 31, 40}));
    ASSERT_NE(home->Item(1), nullptr);
    EXPECT_EQ(home->Item(1)->Icon, "FolderIcon"); // a category without icon
    ASSERT_NE(home->Item(3), nullptr);
    EXPECT_EQ(home->Item(3)->Icon, "sports.gif"); // keeps its own
    ASSERT_NE(home->Item(4), nullptr);
    EXPECT_EQ(home->Item(4)->Icon, "Item"); // an item without icon
    ASSERT_NE(home->Item(2), nullptr);
    EXPECT_FALSE(home->Item(2)->IsItem);
    EXPECT_EQ(home->Entries()[0].key, QString()); // no keys
    const auto requests = service.RequestsFor(Page("getUserHomeMenu.ASP"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, "UserID=1234&Version=1.0.3");
    // The second call is the cache, without a request.
    EXPECT_EQ(m.GetHomeMenuCollection(1234), home);
    EXPECT_EQ(HomeRequests(), 1);
    EXPECT_EQ(Ids(m.GetHomeMenuShortcutCollection()), QList<int>{12});
    m.ClearHomeMenuCollection();
    EXPECT_NE(m.GetHomeMenuCollection(1234), home);
    EXPECT_EQ(HomeRequests(), 2);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(StoreHomeTest, EofAloneCachesAnEmptyMenu) {
    HomeReply("EOF");
    clsItemManager& m = Open();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    EXPECT_EQ(home->Count(), 0);
    EXPECT_EQ(m.GetHomeMenuCollection(1234), home);
    EXPECT_EQ(HomeRequests(), 1);
}

TEST_F(StoreHomeTest, ErrorRepliesShowOneMessageAndCacheNothing) {
    clsItemManager& m = Open();
    for (const QByteArray& body : {QByteArray("ERR"), QByteArray("ERR\r\n"),
                                   QByteArray("12\r\nan error occurred\r\nEOF"), QByteArray()}) {
        HomeReply(body);
        world.notifier.calls.clear();
        EXPECT_EQ(m.GetHomeMenuCollection(1234), nullptr) << body.toStdString();
        ASSERT_EQ(world.notifier.calls.size(), 1) << body.toStdString();
        EXPECT_EQ(world.notifier.calls[0].prompt, "Unable to get Home Menu settings from server.");
        EXPECT_EQ(world.notifier.calls[0].flags, platform::vbInformation);
        EXPECT_EQ(world.notifier.calls[0].title, "Error");
    }
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(m.GetHomeMenuShortcutCollection()->Count(), 0);
    // Nothing was cached: the next call asks again.
    HomeReply("12\r\nEOF");
    EXPECT_EQ(Ids(m.GetHomeMenuCollection(1234)), QList<int>{12});
}

TEST_F(StoreHomeTest, ServerDownShowsOneMessage) {
    service.Stop();
    EXPECT_EQ(Open().GetHomeMenuCollection(1234), nullptr);
    EXPECT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreHomeTest, ReplyWithoutEofEndsAtItsEndAndIsNotKept) {
    HomeReply("12\r\n31\r\n");
    clsItemManager& m = Open();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    ASSERT_TRUE(home);
    EXPECT_EQ(Ids(home), (QList<int>{12, 31}));
    EXPECT_TRUE(errors.isEmpty()); // the final line break is no empty record
    m.GetHomeMenuCollection(1234);
    EXPECT_EQ(HomeRequests(), 2);
}

TEST_F(StoreHomeTest, EmptyLinesAreReportedUnknownIdsAndOddLinesAddNothing) {
    HomeReply("12\r\n\r\n999\r\nfoo\r\n40\r\nEOF\r\n12\r\n");
    ItemCollectionPtr home = Open().GetHomeMenuCollection(1234);
    EXPECT_EQ(Ids(home), (QList<int>{12, 40})); // nothing after EOF
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].msg, "Empty record in home menu.");
    EXPECT_EQ(errors[0].number, 0);
    EXPECT_EQ(errors[0].location, "clsItemManager.GetHomeMenuCollection");
}

TEST_F(StoreHomeTest, SearchRowsSortedWithPlaceholders) {
    SearchReply("5\r\n7\r\nx\r\n8\r\n7\r\n2.5\r\n12");
    modGlobals::gUserID = 77;
    ItemCollectionPtr c = Open().GetSearchCollection("tea & \"cakes\"?");
    // 12 is the last line: never read. 7 twice: once. x and 2.5: skipped.
    EXPECT_EQ(Names(c), (QStringList{"Ad", "-", "seven", "Five", "-", "Search the web..."}));
    ASSERT_NE(c->Item(6), nullptr);
    EXPECT_EQ(c->Item(6)->ID, -4);
    EXPECT_EQ(c->Item(6)->Icon, "Search");
    EXPECT_TRUE(c->Item(6)->IsItem);
    const auto requests = service.RequestsFor(Page("getSearchResults.ASP"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, "query=tea+%26+%22cakes%22%3F&UserID=77&Version=1.0.3");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreHomeTest, SearchWithoutMatches) {
    SearchReply("999\r\nEOF");
    clsItemManager& m = Open();
    ItemCollectionPtr c = m.GetSearchCollection("nothing");
    EXPECT_EQ(Names(c), (QStringList{"(No matches)", "-", "Search the web..."}));
    ASSERT_NE(c->Item(1), nullptr);
    EXPECT_EQ(c->Item(1)->ID, -1000);
    service.Stop();
    EXPECT_EQ(Names(m.GetSearchCollection("down")), Names(c));
}

TEST_F(StoreHomeTest, AReplyNearTheSizeLimitShowsQuicklyInBoundedMemory) {
    // Millions of rows no window can show: they took 1.5 GB and 12.5 s.
    QByteArray body;
    body.reserve(16 * 1000 * 1000);
    while (body.size() < 15 * 1000 * 1000)
        body += "12\r\n31\r\n-\r\n40\r\n";
    body += "EOF\r\n";
    HomeReply(body);
    clsItemManager& m = Open();
    [[maybe_unused]] const qint64 before = testsupport::PeakMb();
    QElapsedTimer clock;
    clock.start();
    ItemCollectionPtr home = m.GetHomeMenuCollection(1234);
    EXPECT_LT(clock.elapsed(), 4000);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed memory resident a while
    EXPECT_LT(testsupport::PeakMb() - before, 400);
#endif
    ASSERT_TRUE(home);
    EXPECT_EQ(Ids(home).mid(0, 5), (QList<int>{12, 31, -1, 40, 12}));
    // More rows than the tallest window holds are never kept.
    EXPECT_LE(home->Count(), 32767 / 20);
    // The whole reply was read: the menu is kept.
    EXPECT_EQ(m.GetHomeMenuCollection(1234), home);
    EXPECT_EQ(HomeRequests(), 1);
    EXPECT_TRUE(errors.isEmpty());
}
