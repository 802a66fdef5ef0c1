// The news menu (with its cache and wait box) and the favourites menu from a
// folder of .url files or a bookmark file.
#include "test_store_fixture.h"

#include <QDir>
#include <QFile>

using namespace storetest;

namespace {

class StoreNewsTest : public StoreTest {
protected:
    StoreNewsTest() {
        menuChain.showWaitBox = [this](const QString& caption) { boxes << caption; };
        menuChain.unloadWaitBox = [this] { ++unloads; };
        button.resetNewsTimer = [this] { ++timerResets; };
    }
    ~StoreNewsTest() override {
        menuChain.showWaitBox = nullptr;
        menuChain.unloadWaitBox = nullptr;
        button.resetNewsTimer = nullptr;
    }
    void NewsReply(const QByteArray& body) { service.SetReply(Page("getNewsHeadlines.asp"), body); }
    int NewsRequests() const { return service.RequestsFor(Page("getNewsHeadlines.asp")).size(); }
    void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList boxes;
    int unloads = 0;
    int timerResets = 0;
    testsupport::ScriptedMenuChain menuChain;
    testsupport::ScriptedButton button;
};

const QByteArray kTwoFeeds =
    "  World  \r\n2\r\n501\r\nTHE FIRST HEADLINE OF THE DAY IS RATHER LONG\r\n"
    "502\r\nShort news\r\nEmpty feed\r\n0\r\n";

} // namespace

TEST_F(StoreNewsTest, TwoFeedsTheSecondEmpty) {
    NewsReply(kTwoFeeds);
    ItemCollectionPtr c = Open().GetCollection(27345);
    EXPECT_EQ(Ids(c), (QList<int>{-19, -17, -17, -1, -19, -1, -18}));
    ASSERT_NE(c->Item(1), nullptr);
    EXPECT_EQ(c->Item(1)->Name, "World");
    // 44 characters: the first 33 and "..."; the description keeps all.
    ASSERT_NE(c->Item(2), nullptr);
    EXPECT_EQ(c->Item(2)->Name, "The First Headline Of The Day Is ...");
    EXPECT_EQ(c->Item(2)->Description, "The First Headline Of The Day Is Rather Long");
    EXPECT_EQ(c->Item(2)->NewsID, 501);
    ASSERT_NE(c->Item(3), nullptr);
    EXPECT_EQ(c->Item(3)->Name, "Short news"); // letters are only lowered
    ASSERT_NE(c->Item(7), nullptr);
    EXPECT_EQ(c->Item(7)->Name, "Modify News Feeds");
    for (int i = 1; i <= c->Count(); ++i)
        EXPECT_TRUE(c->Item(i)->IsItem);
    EXPECT_EQ(boxes, QStringList{"Loading News... Please Wait..."});
    EXPECT_EQ(unloads, 1);
    EXPECT_GE(timerResets, 1);
    EXPECT_EQ(modGlobals::gNewsCollection, c);
    EXPECT_EQ(service.RequestsFor(Page("getNewsHeadlines.asp"))[0].body,
              "UserID=1234&Version=1.0.3");
}

TEST_F(StoreNewsTest, ThirtySixCharactersShowWhole) {
    NewsReply("Feed\r\n1\r\n9\r\n" + QByteArray(36, 'a') + "\r\n");
    ItemCollectionPtr c = Open().GetNewsCollection();
    ASSERT_NE(c->Item(2), nullptr);
    EXPECT_EQ(c->Item(2)->Name.size(), 36);
}

TEST_F(StoreNewsTest, TheCacheIsReusedAndReplacedNotEmptied) {
    NewsReply(kTwoFeeds);
    clsItemManager& m = Open();
    ItemCollectionPtr first = m.GetNewsCollection();
    EXPECT_EQ(m.GetNewsCollection(), first);
    EXPECT_EQ(NewsRequests(), 1);
    // Emptied from outside (login): fetched again, into a new collection,
    // while a menu may still hold the old one.
    modGlobals::gNewsCollection = std::make_shared<ItemCollection>();
    ItemCollectionPtr second = m.GetNewsCollection();
    EXPECT_EQ(NewsRequests(), 2);
    EXPECT_EQ(first->Count(), 7);
    EXPECT_NE(second, first);
}

TEST_F(StoreNewsTest, PlaceholdersAreNeverReused) {
    clsItemManager& m = Open();
    NewsReply("");
    EXPECT_EQ(Names(m.GetNewsCollection()),
              (QStringList{"No News Feeds Defined.", "-", "Modify News Feeds"}));
    NewsReply("Some ERROR happened\r\nmore\r\n");
    EXPECT_EQ(Names(m.GetNewsCollection()),
              (QStringList{"No News Available", "-", "Modify News Feeds"}));
    NewsReply("One line only");
    EXPECT_EQ(Names(m.GetNewsCollection()),
              (QStringList{"No News Available", "-", "Modify News Feeds"}));
    EXPECT_EQ(NewsRequests(), 3);
    const ItemPtr placeholder = m.GetNewsCollection()->Item(1);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->ID, -1000);
    EXPECT_EQ(NewsRequests(), 4);
}

TEST_F(StoreNewsTest, ABrokenReplyNeverReadsPastItsEnd) {
    clsItemManager& m = Open();
    // The count promises five headlines; the reply holds one.
    NewsReply("Feed\r\n5\r\n1\r\nOnly one");
    EXPECT_EQ(Ids(m.GetNewsCollection()), (QList<int>{-19, -17, -1, -18}));
    // A count that is no number keeps the rows built so far.
    modGlobals::gNewsCollection = std::make_shared<ItemCollection>();
    NewsReply("Feed\r\n1\r\n7\r\nSeven\r\nSecond\r\nmany\r\n8\r\nEight\r\n");
    EXPECT_EQ(Ids(m.GetNewsCollection()), (QList<int>{-19, -17, -1, -19, -1, -18}));
    // A headline number that is no number gives 0 and keeps the row.
    modGlobals::gNewsCollection = std::make_shared<ItemCollection>();
    NewsReply("Feed\r\n1\r\nabc\r\nText\r\n");
    ItemCollectionPtr c = m.GetNewsCollection();
    ASSERT_NE(c->Item(2), nullptr);
    EXPECT_EQ(c->Item(2)->NewsID, 0);
    EXPECT_EQ(c->Item(2)->Name, "Text");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreNewsTest, FavoritesFromUrlFiles) {
    const QString folder = world.appPath() + "/Favorites";
    QDir().mkpath(folder + "/Sub.url"); // a folder: not a favourite
    WriteFile(folder + "/Weather.url", "[InternetShortcut]\nURL=http://weather.example/\n");
    WriteFile(folder + "/news.URL", "[InternetShortcut]\n");
    WriteFile(folder + "/notes.txt", "");
    modGlobals::gFavoritesPath = folder;
    modGlobals::gFavoritesPosition = 0;
    ItemCollectionPtr c = Open().GetCollection(31504);
    EXPECT_EQ(Names(c), (QStringList{"news", "Weather"}));
    ASSERT_NE(c->Item(2), nullptr);
    EXPECT_EQ(c->Item(2)->URL, "Weather.url");
    EXPECT_EQ(c->Item(2)->ID, -20);
    EXPECT_TRUE(c->Item(2)->IsItem);
    modGlobals::gFavoritesPath = world.appPath() + "/Empty";
    EXPECT_EQ(store->GetFavoritesCollection()->Count(), 0);
}

namespace {

const QByteArray kBookmarks =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"
    "    <DT><H3 ADD_DATE=\"1\">Toolbar</H3>\n    <DL><p>\n"
    "        <DT><A HREF=\"http://toolbar/\" ADD_DATE=\"2\">Not personal</A>\n    </DL><p>\n"
    "    <DT><H3 ADD_DATE=\"3\">Personal Bookmarks</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"http://www.example.com/a?x=1&amp;y=2\" ADD_DATE=\"4\" "
    "LAST_VISIT=\"5\">Example &amp; Co</A>\n"
    "\n"
    "        <dt><a href=\"http://lower.example/\" add_date=\"6\">lower case</a>\n"
    "        <DT><A HREF=\"http://nodate.example/\">No date</A>\n"
    "    </DL><p>\n"
    "</DL><p>\n"
    "        <DT><A HREF=\"http://after.example/\" ADD_DATE=\"7\">After the end</A>\n";

} // namespace

TEST_F(StoreNewsTest, FavoritesFromABookmarkFile) {
    const QString folder = world.appPath() + "/profile";
    QDir().mkpath(folder);
    WriteFile(folder + "/bookmark.htm", kBookmarks);
    modGlobals::gFavoritesPath = folder;
    modGlobals::gFavoritesPosition = 1;
    ItemCollectionPtr c = Open().GetFavoritesCollection();
    EXPECT_EQ(Names(c), (QStringList{"Example &amp; Co", "lower case", "No date"}));
    ASSERT_NE(c->Item(1), nullptr);
    EXPECT_EQ(c->Item(1)->URL, "http://www.example.com/a?x=1&amp;y=2");
    ASSERT_NE(c->Item(2), nullptr);
    EXPECT_EQ(c->Item(2)->URL, "http://lower.example/");
    ASSERT_NE(c->Item(3), nullptr);
    EXPECT_EQ(c->Item(3)->URL, "http://nodate.example/");
    EXPECT_EQ(c->Item(1)->ID, -20);
}

TEST_F(StoreNewsTest, BookmarkFilesThatEndEarlyOrHoldNothing) {
    const QString folder = world.appPath() + "/profile";
    QDir().mkpath(folder);
    modGlobals::gFavoritesPath = folder;
    modGlobals::gFavoritesPosition = 1;
    clsItemManager& m = Open();
    // No file at all.
    EXPECT_EQ(Names(m.GetFavoritesCollection()), QStringList{"No Favorites"});
    // An empty personal folder: the placeholder at the second "</DL>".
    WriteFile(folder + "/bookmark.htm",
              "<!DOCTYPE x>\n<DT><H3>Personal Bookmarks</H3>\n<DL><p>\n</DL><p>\n</DL>\n"
              "<DT><A HREF=\"http://x/\" ADD_DATE=\"1\">Never</A>\n");
    EXPECT_EQ(Names(m.GetFavoritesCollection()), QStringList{"No Favorites"});
    // No personal folder.
    WriteFile(folder + "/bookmark.htm", "<!DOCTYPE x>\n<DT><A HREF=\"http://x/\">X</A>\n");
    EXPECT_EQ(Names(m.GetFavoritesCollection()), QStringList{"No Favorites"});
    // Cut off inside the folder: the rows read so far.
    WriteFile(folder + "/bookmark.htm",
              "<!DOCTYPE x>\n<DT><H3>Personal Bookmarks</H3>\n<DL><p>\n"
              "<DT><A HREF=\"http://x/\" ADD_DATE=\"1\">X</A>\n<DT><A HREF=\"http://y");
    EXPECT_EQ(Names(m.GetFavoritesCollection()), QStringList{"X"});
}

TEST_F(StoreNewsTest, ABookmarkRightAfterThePersonalHeadingIsRead) {
    const QString folder = world.appPath() + "/profile";
    QDir().mkpath(folder);
    // The folder's opening mark on the heading's own line: the very next line
    // is already a bookmark.
    WriteFile(folder + "/bookmark.htm",
              "<!DOCTYPE x>\n<DT><H3>Personal Bookmarks</H3><DL><p>\n"
              "<DT><A HREF=\"http://first/\" ADD_DATE=\"1\">First</A>\n"
              "<DT><A HREF=\"http://second/\" ADD_DATE=\"2\">Second</A>\n</DL><p>\n</DL>\n");
    modGlobals::gFavoritesPath = folder;
    modGlobals::gFavoritesPosition = 1;
    ItemCollectionPtr c = Open().GetFavoritesCollection();
    EXPECT_EQ(Names(c), (QStringList{"First", "Second"}));
    ASSERT_NE(c->Item(1), nullptr);
    EXPECT_EQ(c->Item(1)->URL, "http://first/");
}

TEST_F(StoreNewsTest, ABookmarkFileInTheWindowsCodePageReadsAsTheBrowserWroteIt) {
    const QString folder = world.appPath() + "/profile";
    QDir().mkpath(folder);
    // Not UTF-8: a title with "é", "€" and curly quotes as Windows-1252 bytes.
    WriteFile(folder + "/bookmark.htm",
              "<!DOCTYPE x>\n<DT><H3>Personal Bookmarks</H3>\n<DL><p>\n"
              "<DT><A HREF=\"http://cafe/\" ADD_DATE=\"1\">Caf\xE9 \x80 5 \x93q\x94</A>\n"
              "</DL><p>\n</DL>\n");
    modGlobals::gFavoritesPath = folder;
    modGlobals::gFavoritesPosition = 1;
    EXPECT_EQ(Names(Open().GetFavoritesCollection()),
              QStringList{QStringLiteral("Caf\u00E9 \u20AC 5 \u201Cq\u201D")});
    // The same title in UTF-8 reads the same.
    WriteFile(folder + "/bookmark.htm",
              "<!DOCTYPE x>\n<DT><H3>Personal Bookmarks</H3>\n<DL><p>\n"
              "<DT><A HREF=\"http://cafe/\" ADD_DATE=\"1\">"
              "Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x80\x9Cq\xE2\x80\x9D</A>\n</DL><p>\n</DL>\n");
    EXPECT_EQ(Names(store->GetFavoritesCollection()),
              QStringList{QStringLiteral("Caf\u00E9 \u20AC 5 \u201Cq\u201D")});
}
