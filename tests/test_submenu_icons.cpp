// The icons of a long category, from a real menu table, the local service
// and the images folder on the disk: only the rows in sight ask for their
// missing icons, rows scrolled into sight ask for theirs and show them, one
// missing icon that many rows share is fetched once, and an icon another
// program puts into the images folder shows at the next opening.
#include "shell/IconQueue.h"
#include "support/Files.h"
#include "test_submenu_fixture.h"

#include <QTest>

using namespace modGlobals;
using namespace submenutest;

namespace {

constexpr char kImagesPage[] = "/Vantrix/internal/images/";

// The directory with Everything (12) holding `extra` sites instead of its
// own, each with an icon of its own ("i00000.png", ...) or all with `shared`.
std::vector<localservice::SampleRecord> SitesWithIcons(int extra, const char* shared = nullptr) {
    auto dir = Directory();
    std::erase_if(dir, [](const localservice::SampleRecord& r) { return r.parentId == 12; });
    for (int i = 0; i < extra; ++i) {
        dir.push_back(
            Rec(10000 + i, 12, QStringLiteral("Zone %1").arg(i, 5, 10, QLatin1Char('0')), true));
        dir.back().icon = shared ? QString::fromLatin1(shared)
                                 : QStringLiteral("i%1.png").arg(i, 5, 10, QLatin1Char('0'));
    }
    return dir;
}

bool Blue(QColor c) {
    return c.blue() > 200 && c.red() < 40 && c.green() < 40;
}

// Whether row `row` (1-based) of a submenu shows a blue icon on the screen.
bool ShowsBlueIcon(const QImage& shot, frmMenu* menu, int row) {
    const int top = menu->picForm()->y() - 1 + (row - 1) * 20;
    int n = 0;
    for (int y = top + 2; y < top + 18; ++y)
        for (int x = 4; x < 20; ++x)
            n += QRect(QPoint(0, 0), shot.size()).contains(x, y) && Blue(shot.pixelColor(x, y));
    return n > 100;
}

class SubmenuIconsTest : public SubmenuTest {
protected:
    void SetUp() override {
        SubmenuTest::SetUp();
        // Every icon the server is asked for is blue.
        service.SetFallback([](const localservice::Request& request) {
            localservice::Reply reply;
            if (!request.path.startsWith(kImagesPage)) {
                reply.status = 404;
                return reply;
            }
            reply.body = testsupport::SolidPng(QSize(16, 16), QColor(0, 0, 255));
            reply.contentType = "image/png";
            return reply;
        });
        buttonWindow.downloadNewIcon = [this](const QString& url, const QString& file,
                                              QObject* frm) { return queue.Add(url, file, frm); };
    }
    void UseTable(const std::vector<localservice::SampleRecord>& dir) {
        QString error;
        ASSERT_TRUE(
            localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"), dir, &error))
            << error.toStdString();
        gItemManager.reset();
    }
    QStringList IconRequests() const {
        QStringList pages;
        for (const localservice::Request& r : service.Requests())
            if (r.path.startsWith(kImagesPage))
                pages << QString::fromLatin1(r.path.mid(int(sizeof kImagesPage) - 1));
        return pages;
    }
    bool Drained() {
        return QTest::qWaitFor([this] { return queue.Count() == 0; }, 20000);
    }

    IconQueue queue;
};

} // namespace

TEST_F(SubmenuIconsTest, ALongCategoryAsksOnlyForTheRowsInSightAndTheRowsScrolledIntoSight) {
    UseTable(SitesWithIcons(5000));
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_GE(all->RowCount(), 5000);
    ASSERT_TRUE(Drained());
    QTest::qWait(50); // the refill
    const int inSight = (all->VisibleBottom() - all->VisibleTop()) / 20;
    const QStringList first = IconRequests();
    EXPECT_GE(first.size(), inSight - 3) << first.size(); // the filler and separator rows have none
    EXPECT_LE(first.size(), inSight + 1) << first.size();
    EXPECT_FALSE(first.contains(QStringLiteral("i04999.png")));
    EXPECT_TRUE(ShowsBlueIcon(Shot(all), all, RowOf(all, 10000)));
    EXPECT_TRUE(ShowsBlueIcon(Shot(all), all, inSight - 1));

    // To the end of the list: the last rows ask for their icons and show them.
    all->Form_KeyDown(Qt::Key_Down);
    all->Form_KeyDown(Qt::Key_Up);
    const int n = all->RowCount();
    ASSERT_EQ(all->m_SelIndex, n);
    ASSERT_TRUE(Drained());
    QTest::qWait(50);
    const QStringList after = IconRequests();
    EXPECT_TRUE(after.contains(QStringLiteral("i04999.png")));
    EXPECT_TRUE(after.contains(QStringLiteral("i04990.png")));
    EXPECT_LE(after.size(), 2 * inSight + 2) << after.size();
    EXPECT_EQ(after.size(), QSet<QString>(after.begin(), after.end()).size());
    EXPECT_TRUE(ShowsBlueIcon(Shot(all), all, n - 1));
}

TEST_F(SubmenuIconsTest, OneMissingIconThatManyRowsShareIsFetchedOnce) {
    UseTable(SitesWithIcons(300, "same.png"));
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_TRUE(Drained());
    QTest::qWait(50);
    // Scrolled to the end through rows that all name it, after it landed.
    all->Form_KeyDown(Qt::Key_Down);
    all->Form_KeyDown(Qt::Key_Up);
    ASSERT_EQ(all->m_SelIndex, all->RowCount());
    QTest::qWait(50);
    EXPECT_EQ(IconRequests(), QStringList{QStringLiteral("same.png")});
    EXPECT_TRUE(ShowsBlueIcon(Shot(all), all, all->m_SelIndex - 1));
}

TEST_F(SubmenuIconsTest, AnIconAnotherProgramPutsInTheFolderShowsAtTheNextOpening) {
    auto dir = Directory();
    dir.push_back(Rec(700, 12, "Blue Site", true));
    dir.back().icon = "put.png";
    UseTable(dir);
    service.SetReply(QString::fromLatin1(kImagesPage) + QStringLiteral("put.png"), QByteArray(),
                     404);
    frmMenu* all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    ASSERT_TRUE(Drained());
    EXPECT_FALSE(ShowsBlueIcon(Shot(all), all, RowOf(all, 700)));
    home->Unload();
    QTest::qWait(20);

    // Written as a program does it: a new file renamed into place.
    {
        QFile f(gImagesPath + QStringLiteral("put.png.part"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(testsupport::SolidPng(QSize(16, 16), QColor(0, 0, 255)));
    }
    ASSERT_TRUE(QFile::rename(gImagesPath + QStringLiteral("put.png.part"),
                              gImagesPath + QStringLiteral("put.png")));
    all = OpenFromHome(4);
    ASSERT_NE(all, nullptr);
    QTest::qWait(50);
    EXPECT_TRUE(ShowsBlueIcon(Shot(all), all, RowOf(all, 700)));
    EXPECT_EQ(IconRequests(), QStringList{QStringLiteral("put.png")}); // the first opening's only
}
