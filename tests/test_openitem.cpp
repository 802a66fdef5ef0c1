// Opening items: every built-in command id, the redirect page with and
// without the advertiser mark, the rows that open nothing, and an item and
// search text that outlive the menu windows that held them.
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "platform/Notifier.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace modGlobals;

namespace {

class OpenItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("TARVEL_MEMBER_HOST", "members.test");
        testsupport::TestWorld::UseServer(QStringLiteral("srv.test"));
        gVersion = QStringLiteral("1.0.3");
        gUserID = 42;
        gUserName = QStringLiteral("bob smith");
        gPassword = QStringLiteral("p&w");
        gSessionKey = QStringLiteral("k y&z");

        browser = world.appPath() + QStringLiteral("/Browser");
        QFile file(browser);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        menuChain.unloadHomeMenu = [this] { events << QStringLiteral("unload"); };
        button.resetNewsTimer = [this] { events << QStringLiteral("news timer"); };
        dialogs.showOptions = [this] { events << QStringLiteral("options"); };
        dialogs.showRefer = [this] { events << QStringLiteral("refer"); };
        dialogs.showAbout = [this] { events << QStringLiteral("about"); };
    }

    void TearDown() override { qunsetenv("TARVEL_MEMBER_HOST"); }

    static ItemPtr Item(int id, int parent = 5) {
        auto item = std::make_shared<clsItem>();
        item->ID = id;
        item->ParentID = parent;
        item->IsItem = true;
        return item;
    }

    // The one thing the shell was asked to open.
    testsupport::ShellCall OnlyCall() {
        EXPECT_EQ(world.shell.calls.size(), 1);
        return world.shell.calls.isEmpty() ? testsupport::ShellCall{} : world.shell.calls[0];
    }

    QString Member(const QString& suffix) const {
        return QStringLiteral("11000,9000,https://members.test/tarvel/members/login.asp?"
                              "UserName=bob+smith&Password=p%26w&Version=1.0.3") +
               suffix + QStringLiteral(",Member Center");
    }

    testsupport::TestWorld world;
    testsupport::ScriptedMenuChain menuChain;
    testsupport::ScriptedButton button;
    testsupport::ScriptedDialogs dialogs;
    QString browser;
    QStringList events;
};

TEST_F(OpenItemTest, OrdinaryItemOpensTheRedirectPage) {
    OpenItem(Item(500, 31));
    const auto call = OnlyCall();
    EXPECT_EQ(call.file, QStringLiteral("http://srv.test/Vantrix/internal/redirectMenuItem.asp?"
                                        "UserID=42&MenuItemID=500&Version=1.0.3&Key=k+y%26z"));
    EXPECT_EQ(call.parameters, QStringLiteral("0"));
    EXPECT_EQ(call.directory, QStringLiteral("0"));
    EXPECT_EQ(events, QStringList{QStringLiteral("unload")});
}

TEST_F(OpenItemTest, SponsoredItemSendsTheAdvertiserMarkBeforeTheVersion) {
    ItemPtr item = Item(500, 31);
    item->IsAboveLine = true;
    OpenItem(item);
    EXPECT_EQ(OnlyCall().file,
              QStringLiteral("http://srv.test/Vantrix/internal/redirectMenuItem.asp?UserID=42&"
                             "MenuItemID=500&IsAdvertiser=1&Version=1.0.3&Key=k+y%26z"));
}

TEST_F(OpenItemTest, ParentZeroClosesTheMenusAndOpensNothing) {
    OpenItem(Item(500, 0));
    EXPECT_TRUE(world.shell.calls.isEmpty());
    EXPECT_EQ(events, QStringList{QStringLiteral("unload")});
}

TEST_F(OpenItemTest, InertAndDataOnlyIdsAreOpenedLikeTableEntries) {
    for (const int id : {-19, -10, -2, -1, -1000, -1003}) {
        world.shell.calls.clear();
        OpenItem(Item(id, 8));
        EXPECT_EQ(OnlyCall().file,
                  QStringLiteral("http://srv.test/Vantrix/internal/redirectMenuItem.asp?UserID=42&"
                                 "MenuItemID=") +
                      QString::number(id) + QStringLiteral("&Version=1.0.3&Key=k+y%26z"))
            << id;
        world.shell.calls.clear();
        OpenItem(Item(id, 0));
        EXPECT_TRUE(world.shell.calls.isEmpty()) << id;
    }
}

TEST_F(OpenItemTest, MemberCenterPages) {
    const QList<QPair<int, QString>> cases = {
        {-12, QString()},
        {-11, QStringLiteral("&destination=contactus")},
        {-15, QStringLiteral("&destination=techsupport")},
        {-16, QStringLiteral("&destination=currentearnings")}};
    for (const auto& [id, suffix] : cases) {
        world.shell.calls.clear();
        OpenItem(Item(id));
        const auto call = OnlyCall();
        EXPECT_EQ(call.file, browser) << id;
        EXPECT_EQ(call.parameters, Member(suffix)) << id;
    }
}

TEST_F(OpenItemTest, ModifyNewsFeedsDropsTheNewsCache) {
    gNewsCollection->Add(std::make_shared<clsItem>());
    gNewsCollection->Add(std::make_shared<clsItem>());
    const ItemCollectionPtr cache = gNewsCollection;
    OpenItem(Item(-18));
    EXPECT_EQ(OnlyCall().parameters, Member(QStringLiteral("&destination=newsfeeds")));
    // A news menu still open on the old rows keeps them.
    EXPECT_NE(gNewsCollection, cache);
    EXPECT_EQ(cache->Count(), 2);
    EXPECT_EQ(gNewsCollection->Count(), 0);
    EXPECT_EQ(events, (QStringList{QStringLiteral("unload"), QStringLiteral("news timer")}));
}

TEST_F(OpenItemTest, NewsHeadlineOpensItsPageOnTheServerHost) {
    ItemPtr item = Item(-17, 0);
    item->NewsID = 77;
    OpenItem(item);
    EXPECT_EQ(OnlyCall().file,
              QStringLiteral("http://srv.test/content/news/news.asp?newsfeedid=77"));
    world.shell.calls.clear();
    item->NewsID = 0;
    OpenItem(item);
    EXPECT_EQ(OnlyCall().file,
              QStringLiteral("http://srv.test/content/news/news.asp?newsfeedid=0"));
    world.shell.calls.clear();
    item->NewsID = -1;
    OpenItem(item);
    EXPECT_TRUE(world.shell.calls.isEmpty());
}

TEST_F(OpenItemTest, HelpOpensInTheCompanionBrowser) {
    OpenItem(Item(-14));
    const auto call = OnlyCall();
    EXPECT_EQ(call.file, browser);
    EXPECT_EQ(call.parameters,
              QStringLiteral("7900,6000,srv.test/Vantrix/internal/../../help/,Tarvel Help"));
}

TEST_F(OpenItemTest, UserIdIsShownInAMessage) {
    OpenItem(Item(-13));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, QStringLiteral("Your UserID is 42."));
    EXPECT_EQ(world.notifier.calls[0].flags, platform::vbInformation);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("User ID"));
}

TEST_F(OpenItemTest, NewUserStartsEnlistForANewAccount) {
    OpenItem(Item(-9));
    const auto call = OnlyCall();
    EXPECT_EQ(call.file, world.appPath() + QStringLiteral("/Enlist"));
    EXPECT_EQ(call.parameters, QStringLiteral("/addnew"));
}

TEST_F(OpenItemTest, DialogCommands) {
    OpenItem(Item(-8));
    OpenItem(Item(-7));
    OpenItem(Item(-6));
    EXPECT_EQ(events, (QStringList{QStringLiteral("unload"), QStringLiteral("options"),
                                   QStringLiteral("unload"), QStringLiteral("refer"),
                                   QStringLiteral("unload"), QStringLiteral("about")}));
    EXPECT_TRUE(world.shell.calls.isEmpty());
}

TEST_F(OpenItemTest, AdvertiseHereOpensTheAdvertiserPageOfTheCategory) {
    OpenItem(Item(-5, 31));
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://srv.test/Vantrix/internal/../../advertiser/"
                                              "Main.asp?MenuItemID=31"));
}

TEST_F(OpenItemTest, SearchTheWebEncodesTheText) {
    OpenItem(Item(-4, 0), QStringLiteral("cats & dogs?"));
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://srv.test/Vantrix/internal/../../Search/"
                                              "search.asp?query=cats+%26+dogs%3F&UserID=42"));
}

TEST_F(OpenItemTest, RestrictedStubOpensTheRestrictedPage) {
    OpenItem(Item(-3, 21));
    EXPECT_EQ(OnlyCall().file,
              QStringLiteral("http://srv.test/Vantrix/internal/../Restricted.asp"));
}

TEST_F(OpenItemTest, FavoriteFromTheFavoritesFolderOpensTheAddressItHolds) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile url(folder.filePath(QStringLiteral("Tarvel Home.url")));
    ASSERT_TRUE(url.open(QIODevice::WriteOnly));
    url.write("[InternetShortcut]\r\nURL=http://www.tarvel.com/home\r\n");
    url.close();
    gFavoritesPosition = 0;
    gFavoritesPath = folder.path();
    ItemPtr item = Item(-20, 0);
    item->URL = QStringLiteral("Tarvel Home.url");
    OpenItem(item);
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://www.tarvel.com/home"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(OpenItemTest, BookmarkOpensItsAddressAndAFailureIsTold) {
    gFavoritesPosition = 1;
    ItemPtr item = Item(-20, 0);
    item->URL = QStringLiteral("http://www.example.com/");
    world.shell.result = false;
    OpenItem(item);
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://www.example.com/"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, QStringLiteral("Failed to load URL!"));
    EXPECT_EQ(world.notifier.calls[0].flags, platform::vbOKOnly);
}

TEST_F(OpenItemTest, NoServerYetLooksItUpFirst) {
    localservice::LocalService service;
    ASSERT_GT(service.Start(), 0);
    service.SetReply(QStringLiteral("/url.txt"),
                     (service.Host() + QStringLiteral("\r\n/dir/\r\n")).toLatin1());
    qputenv("TARVEL_BOOTSTRAP_HOST", service.Host().toLatin1());
    gServerBase.clear();
    OpenItem(Item(500, 31));
    qunsetenv("TARVEL_BOOTSTRAP_HOST");
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://") + service.Host() +
                                   QStringLiteral("/dir/redirectMenuItem.asp?UserID=42&"
                                                  "MenuItemID=500&Version=1.0.3&Key=k+y%26z"));
}

TEST_F(OpenItemTest, ItemAndSearchTextOutliveTheMenuChain) {
    // The menu window owns the only other reference to the row and the
    // search text; unloading the chain destroys both.
    struct MenuWindow {
        ItemPtr row;
        QString search;
    };
    auto window = std::make_unique<MenuWindow>();
    window->row = Item(-4, 0);
    window->search = QStringLiteral("blue whales");
    std::weak_ptr<clsItem> watch = window->row;
    menuChain.unloadHomeMenu = [&window] { window.reset(); };
    // Both arguments refer into the window that the unloading destroys.
    OpenItem(window->row, window->search);
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(OnlyCall().file, QStringLiteral("http://srv.test/Vantrix/internal/../../Search/"
                                              "search.asp?query=blue+whales&UserID=42"));
}

TEST_F(OpenItemTest, NoItemDoesNothing) {
    OpenItem(nullptr);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(world.shell.calls.isEmpty());
}

} // namespace
