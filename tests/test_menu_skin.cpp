// The skin layer and the shared icon library: both skin sets of every menu
// window, the background rectangle, tiling, missing elements, the built-in
// image lists, and icon downloads (plain names only, 2xx bodies only,
// written whole, with a time-out, at most once).
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SamplePages.h"
#include "menus/IconLibrary.h"
#include "menus/Skin.h"
#include "platform/Http.h"
#include "support/Files.h"
#include "support/Scripted.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using namespace modGlobals;
using menus::IconLibrary;
using menus::ImageList;

namespace {

QByteArray PngBytes(QColor colour) {
    return testsupport::SolidPng(QSize(16, 16), colour, QImage::Format_ARGB32);
}

TEST(MenuSkin, EveryWindowHasBothSetsWithTheirElements) {
    const std::vector<std::pair<QString, QStringList>> kinds = {
        {QStringLiteral("home"), {QStringLiteral("Client"), QStringLiteral("Panel")}},
        {QStringLiteral("submenu"), {QStringLiteral("Client"), QStringLiteral("Line")}},
        {QStringLiteral("form"), {QStringLiteral("Client")}}};
    for (const auto& [kind, elements] : kinds) {
        for (const bool trueColor : {true, false}) {
            const menus::SkinStorage& skin = menus::SkinStorage::ForWindow(kind, trueColor);
            ASSERT_FALSE(skin.IsEmpty()) << kind.toStdString();
            EXPECT_EQ(skin.FrameBorder(), 1);
            EXPECT_FALSE(skin.FramePicture().isNull());
            for (const QString& name : elements) {
                const menus::SkinElement* e = skin.Element(name);
                ASSERT_NE(e, nullptr) << kind.toStdString() << " " << name.toStdString();
                EXPECT_FALSE(e->Picture.isNull());
                EXPECT_GT(e->Width, 0);
                EXPECT_GT(e->Height, 0);
                QRect r;
                EXPECT_TRUE(menus::ParseBackgroundRect(e->BackgroundRect, &r));
                EXPECT_TRUE(QRect(0, 0, e->Width, e->Height).contains(r));
            }
        }
    }
}

TEST(MenuSkin, TheFewerColoursSetUsesSixteenColoursAtMost) {
    for (const QString& kind : {QStringLiteral("home"), QStringLiteral("submenu")}) {
        const menus::SkinElement* e =
            menus::SkinStorage::ForWindow(kind, false).Element(QStringLiteral("Client"));
        ASSERT_NE(e, nullptr);
        const QImage img = e->Picture.toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                colours.insert(img.pixel(x, y));
        EXPECT_LE(colours.size(), 16);
    }
    // The true-colour set has its gradients.
    const menus::SkinElement* panel = menus::SkinStorage::ForWindow(QStringLiteral("home"), true)
                                          .Element(QStringLiteral("Panel"));
    ASSERT_NE(panel, nullptr);
    const QImage img = panel->Picture.toImage();
    EXPECT_NE(img.pixel(2, 5), img.pixel(2, 30));
}

TEST(MenuSkin, BackgroundRectIsFourNumbersSeparatedBySingleBlanks) {
    QRect r(1, 2, 3, 4);
    EXPECT_TRUE(menus::ParseBackgroundRect(QStringLiteral("0 4 163 24"), &r));
    EXPECT_EQ(r, QRect(0, 4, 163, 20));
    const QRect before = r;
    for (const char* bad :
         {"", "0 4 163", "0  4 163 24", "0 4 163 24 5", "a b c d", "10 4 5 24", "0 24 163 4"}) {
        EXPECT_FALSE(menus::ParseBackgroundRect(QString::fromLatin1(bad), &r)) << bad;
        EXPECT_EQ(r, before);
    }
}

TEST(MenuSkin, TheBackgroundRectangleIsTiledFromItsPlace) {
    // A 10x10 picture: red border rows on top, a 10x4 green/blue tile below.
    QPixmap pm(10, 10);
    pm.fill(Qt::red);
    {
        QPainter p(&pm);
        p.fillRect(0, 4, 10, 2, Qt::green);
        p.fillRect(0, 6, 10, 2, Qt::blue);
    }
    menus::SkinElement e;
    e.Picture = pm;
    e.BackgroundRect = QStringLiteral("0 4 10 8");
    QImage canvas(25, 30, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        menus::PaintSkinBackground(p, e, canvas.size());
    }
    EXPECT_EQ(canvas.pixelColor(3, 1), QColor(Qt::red)); // the whole picture first
    for (int y = 4; y < 30; ++y) {
        const QColor want = ((y - 4) % 4) < 2 ? QColor(Qt::green) : QColor(Qt::blue);
        for (int x : {0, 9, 10, 24})
            ASSERT_EQ(canvas.pixelColor(x, y), want) << x << "," << y;
    }
    // Right of the picture's own rows the top stays as it was.
    EXPECT_EQ(canvas.pixelColor(20, 1), QColor(Qt::white));
}

TEST(MenuSkin, AMissingElementLeavesItsPieceUnpainted) {
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("skin.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Client]\nPicture=missing.png\nWidth=10\nHeight=10\nBackgroundRect=0 0 10 10\n");
    ini.close();
    const menus::SkinStorage& skin = menus::SkinStorage::Load(dir.path());
    EXPECT_EQ(skin.Element(QStringLiteral("Panel")), nullptr);
    ASSERT_NE(skin.Element(QStringLiteral("Client")), nullptr);
    EXPECT_TRUE(skin.Element(QStringLiteral("Client"))->Picture.isNull());
    QImage canvas(20, 20, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        menus::PaintSkinBackground(p, *skin.Element(QStringLiteral("Client")), canvas.size());
    }
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    // A folder with no skin at all is an empty skin, not a failure.
    EXPECT_TRUE(menus::SkinStorage::Load(dir.filePath(QStringLiteral("none"))).IsEmpty());
}

TEST(MenuSkin, TheClientElementReportsTheWindowsClientArea) {
    QWidget w;
    w.resize(165, 200);
    menus::SkinForm form;
    form.ApplySkin(menus::SkinStorage::ForWindow(QStringLiteral("home"), true), &w);
    menus::SkinElement client;
    ASSERT_TRUE(form.GetElement(QStringLiteral("Client"), &client));
    EXPECT_EQ(client.Width, 163);
    EXPECT_EQ(client.Height, 198);
    menus::SkinElement none;
    EXPECT_FALSE(form.GetElement(QStringLiteral("Line"), &none));
    EXPECT_EQ(w.contentsMargins(), QMargins(1, 1, 1, 1));
}

TEST(MenuIcons, TheBuiltInImageListsHaveTheirKeys) {
    IconLibrary& icons = IconLibrary::Instance();
    for (const char* key : {"Item", "AdvertiserIcon", "LinkIcon", "MenuExpandHi", "MenuExpand",
                            "ScrollDown", "ScrollUp", "ArrowUp", "ArrowDown", "Folder", "Search"})
        EXPECT_TRUE(icons.Has(ImageList::ImageList1, QString::fromLatin1(key))) << key;
    for (const char* key : {"Item", "MenuExpandHi", "MenuExpand", "ScrollDown", "ScrollUp",
                            "ArrowUp", "ArrowDown", "Folder", "FolderIcon"})
        EXPECT_TRUE(icons.Has(ImageList::imlIcons, QString::fromLatin1(key))) << key;
    EXPECT_FALSE(icons.Has(ImageList::ImageList1, QStringLiteral("FolderIcon")));
    EXPECT_FALSE(icons.Has(ImageList::imlIcons, QStringLiteral("Search")));
    EXPECT_EQ(icons.Image(ImageList::imlIcons, QStringLiteral("Folder")).size(), QSize(16, 16));
}

TEST(MenuIcons, PlainFileNamesOnly) {
    EXPECT_TRUE(modGlobals::IsPlainFileName(QStringLiteral("travel.gif")));
    EXPECT_TRUE(modGlobals::IsPlainFileName(QStringLiteral("My Icon.png")));
    for (const char* bad : {"", ".", "..", "../x.gif", "a/b.gif", "a\\b.gif", "/etc/passwd",
                            ".hidden.png", "c:x.gif", "x\n.gif"})
        EXPECT_FALSE(modGlobals::IsPlainFileName(QString::fromLatin1(bad))) << bad;
}

class MenuIconDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        IconLibrary::Instance().SetDownloadTimeoutMs(5000);
    }
    void TearDown() override { IconLibrary::Instance().SetDownloadTimeoutMs(5000); }
    testsupport::TestWorld world;
    localservice::LocalService service;
};

TEST_F(MenuIconDownload, AMissingIconIsFetchedOnceAndKept) {
    service.SetReply(QStringLiteral("/Vantrix/internal/images/sun.png"), PngBytes(Qt::yellow));
    const QPixmap pm = IconLibrary::Instance().ItemIcon(QStringLiteral("sun.png"));
    ASSERT_FALSE(pm.isNull());
    EXPECT_EQ(pm.toImage().pixelColor(8, 8), QColor(Qt::yellow));
    EXPECT_TRUE(QFile::exists(world.imagesPath() + "sun.png"));
    EXPECT_FALSE(IconLibrary::Instance().ItemIcon(QStringLiteral("sun.png")).isNull());
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/Vantrix/internal/images/sun.png")).size(), 1);
    // The raw request line is the page joined to the server base.
    EXPECT_EQ(service.Requests().at(0).target, "/Vantrix/internal//images/sun.png");
}

TEST_F(MenuIconDownload, AnIconInTheImagesFolderIsNotFetched) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::cyan);
    ASSERT_TRUE(img.save(world.imagesPath() + "local.png"));
    EXPECT_FALSE(IconLibrary::Instance().ItemIcon(QStringLiteral("local.png")).isNull());
    EXPECT_TRUE(service.Requests().isEmpty());
}

TEST_F(MenuIconDownload, OnlyA2xxBodyIsWritten) {
    service.SetReply(QStringLiteral("/Vantrix/internal/images/gone.png"), "not here", 404);
    EXPECT_TRUE(IconLibrary::Instance().ItemIcon(QStringLiteral("gone.png")).isNull());
    EXPECT_FALSE(QFile::exists(world.imagesPath() + "gone.png"));
    // A failed icon is not asked for again on the next paint.
    EXPECT_TRUE(IconLibrary::Instance().ItemIcon(QStringLiteral("gone.png")).isNull());
    EXPECT_EQ(service.RequestsFor(QStringLiteral("/Vantrix/internal/images/gone.png")).size(), 1);
}

TEST_F(MenuIconDownload, AGarbageBodyLeavesNoIconAndTheFolderClean) {
    service.SetReply(QStringLiteral("/Vantrix/internal/images/bad.png"), "<html>oops</html>");
    EXPECT_TRUE(IconLibrary::Instance().ItemIcon(QStringLiteral("bad.png")).isNull());
    EXPECT_FALSE(QFile::exists(world.imagesPath() + "bad.png"));
    const QStringList left = QDir(world.imagesPath()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& f : left)
        EXPECT_FALSE(f.contains(QStringLiteral("bad.png."))) << f.toStdString(); // no temp files
}

TEST_F(MenuIconDownload, NamesThatAreNotPlainFileNamesAreNeverFetched) {
    for (const char* name : {"../escape.png", "sub/dir.png", "..", ".secret"}) {
        EXPECT_TRUE(IconLibrary::Instance().ItemIcon(QString::fromLatin1(name)).isNull()) << name;
    }
    EXPECT_TRUE(service.Requests().isEmpty());
    EXPECT_FALSE(QFile::exists(world.dataHome() + "/escape.png"));
}

TEST_F(MenuIconDownload, ASlowServerIsGivenUpAfterTheTimeOut) {
    localservice::Reply slow;
    slow.body = PngBytes(Qt::red);
    slow.delayMs = 3000;
    service.SetReply(QStringLiteral("/Vantrix/internal/images/slow.png"), slow);
    IconLibrary::Instance().SetDownloadTimeoutMs(200);
    EXPECT_TRUE(IconLibrary::Instance().ItemIcon(QStringLiteral("slow.png")).isNull());
    EXPECT_FALSE(QFile::exists(world.imagesPath() + "slow.png"));
}

TEST(MenuSamplePages, TheSampleServiceServesIconsAndForms) {
    testsupport::TestWorld world;
    localservice::LocalService service;
    localservice::SampleData data;
    localservice::InstallMenuPages(service, data);
    ASSERT_GT(service.Start(), 0);
    gServerHost = service.Host();
    gServerPath = data.serverPath;
    gServerBase = gServerHost + gServerPath;
    const QPixmap travel = IconLibrary::Instance().ItemIcon(QStringLiteral("travel.png"));
    ASSERT_FALSE(travel.isNull());
    EXPECT_EQ(travel.size(), QSize(16, 16));
    EXPECT_FALSE(IconLibrary::Instance().ItemIcon(QStringLiteral("hotbuy.gif")).isNull());

    platform::HttpRequest request;
    platform::SplitHostPort(gServerHost, &request.host, &request.port);
    request.path = "/Vantrix/internal/../data/quote.frm";
    request.headers << "Host: " + gServerHost.toLatin1();
    const platform::HttpResponse form = platform::Fetch(request);
    ASSERT_TRUE(form.ok());
    const QList<QByteArray> lines = form.body.split('\n');
    ASSERT_GT(lines.size(), 6);
    EXPECT_EQ(lines[0], "0.1\r");
    EXPECT_EQ(lines[3], "http://" + gServerHost.toLatin1() + "/Vantrix/internal/sampleForm.asp\r");
    request.path = "/Vantrix/data/weather.frm";
    EXPECT_TRUE(platform::Fetch(request).ok());
}

} // namespace
