// Links another local user planted in the data and images folders: the
// menu table, the update spool, the category log and a downloaded icon are
// written without following them, so a file outside the folders is never
// created or changed, and a folder the programs make is the user's alone.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "shell/IconQueue.h"
#include "support/Files.h"
#include "test_store_fixture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace modGlobals;
using storetest::Rec;

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class LinksTest : public storetest::StoreTest {
protected:
    LinksTest() { WriteFile(Outside(), "precious"); }
    QString Outside() const { return outside.filePath(QStringLiteral("victim")); }
    QTemporaryDir outside;
};

TEST_F(LinksTest, TheUpdateSpoolNeverWritesThroughALink) {
    WriteTable({Rec(1, 3, "Row"), Rec(2, 3, "Other")});
    ASSERT_TRUE(QFile::link(Outside(), world.dataPath() + "MenuItems.upd.part"));
    ASSERT_TRUE(QFile::link(outside.filePath("other"), world.dataPath() + "MenuItems.upd"));
    service.SetReply(Page("getUpdates.ASP"), "12/8/2026 12:00:00 PM\r\nD,2\r\n");
    Open().DownloadUpdates();
    // The update went through the folder's own files...
    EXPECT_EQ(GetSetting("Main", "LastUpdated"), "12/8/2026 12:00:00 PM");
    // ...and the other user's files are as they were.
    EXPECT_EQ(ReadFile(Outside()), "precious");
    EXPECT_FALSE(QFile::exists(outside.filePath("other")));
}

TEST_F(LinksTest, TheMenuTableIsNeverWrittenThroughALink) {
    WriteTable({Rec(1, 3, "Row"), Rec(2, 3, "Other")});
    const QString elsewhere = outside.filePath(QStringLiteral("table.dat"));
    ASSERT_TRUE(QFile::rename(TablePath(), elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, TablePath()));
    const QByteArray before = ReadFile(elsewhere);
    service.SetReply(Page("getUpdates.ASP"), "12/8/2026 12:00:00 PM\r\nD,2\r\nU,7,3,New\r\n");
    Open().DownloadUpdates();
    store.reset();
    // The file the link points to is as it was; the table is not opened.
    EXPECT_EQ(ReadFile(elsewhere), before);
    EXPECT_NE(GetSetting("Main", "LastUpdated"), "12/8/2026 12:00:00 PM");
}

TEST_F(LinksTest, TheCategoryLogRefusesALink) {
    gCategoryLogFile = QStringLiteral("c1234.dat");
    ASSERT_TRUE(QFile::link(Outside(), world.dataPath() + gCategoryLogFile));
    AppendLine(gCategoryLogFile, QStringLiteral("31"));
    EXPECT_EQ(ReadFile(Outside()), "precious");
    // Without the link the log is written as before.
    QFile::remove(world.dataPath() + gCategoryLogFile);
    AppendLine(gCategoryLogFile, QStringLiteral("31"));
    AppendLine(gCategoryLogFile, QStringLiteral("40"));
    EXPECT_EQ(ReadFile(world.dataPath() + gCategoryLogFile), "31\r\n40\r\n");
}

TEST_F(LinksTest, AnIconReplacesALinkAndItsNewFolderIsPrivate) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    service.SetReply(QStringLiteral("/Vantrix/internal/images/a.png"), png.data());
    service.SetReply(QStringLiteral("/Vantrix/internal/images/b.png"), png.data());

    // A link planted at the icon's name, dangling and to an existing file.
    ASSERT_TRUE(QFile::link(outside.filePath("created"), world.imagesPath() + "a.png"));
    ASSERT_TRUE(QFile::link(Outside(), world.imagesPath() + "b.png"));
    // And an images folder the queue has to make.
    const QString fresh = world.appPath() + QStringLiteral("/other/images/");
    IconQueue queue;
    ASSERT_TRUE(queue.Add("/images/a.png", world.imagesPath() + "a.png", nullptr));
    ASSERT_TRUE(queue.Add("/images/b.png", world.imagesPath() + "b.png", nullptr));
    ASSERT_TRUE(queue.Add("/images/a.png", fresh + "a.png", nullptr));
    ASSERT_TRUE(QTest::qWaitFor([&queue] { return queue.Count() == 0; }, 10000));

    EXPECT_FALSE(QFile::exists(outside.filePath("created")));
    EXPECT_EQ(ReadFile(Outside()), "precious");
    for (const QString& path :
         {world.imagesPath() + "a.png", world.imagesPath() + "b.png", fresh + "a.png"}) {
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << path.toStdString();
        EXPECT_EQ(ReadFile(path), png.data()) << path.toStdString();
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

} // namespace
