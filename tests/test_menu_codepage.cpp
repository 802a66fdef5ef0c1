// The service's text in the menus: names and descriptions that arrive as
// Windows-1252 bytes in an update line, or lie in the menu table as such,
// show in a row and in its tooltip as the text the service means, and stay
// byte for byte what the server sent when the table is written back. The
// same rows given as Unicode are the measure.
#include "core/clsItemManager.h"
#include "menus/frmTooltip.h"
#include "platform/Latin1Text.h"
#include "shell/IconQueue.h"
#include "support/Files.h"
#include "support/MenuRows.h"
#include "test_submenu_fixture.h"

#include <QImage>
#include <QTest>

using namespace modGlobals;
using namespace submenutest;

namespace {

// "Café € 5 “q”" as the service sends it, and as it is meant.
const QByteArray kNameBytes("Caf\xE9 \x80 5 \x93q\x94");
const QString kName = QStringLiteral("Caf\u00E9 \u20AC 5 \u201Cq\u201D");
const QByteArray kTipBytes("\x84Open\x93 \x96 \x80\x32 a cup");
const QString kTip = QStringLiteral("\u201EOpen\u201C \u2013 \u20AC2 a cup");
// Every byte from 0x80 to 0x9F, the five that Windows-1252 leaves without a
// character among them.
QByteArray HighBytes() {
    QByteArray b;
    for (int c = 0x80; c < 0xA0; ++c)
        b += static_cast<char>(c);
    return b;
}

class MenuCodePage : public SubmenuTest {
protected:
    void ReplyUpdate(const QByteArray& lines) {
        service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"),
                         "12/8/2026 10:15:00 AM\r\n" + lines);
    }
    // The bytes of a field as the file holds them, read by a fresh engine.
    QByteArray FileBytes(int id, const char* field) const {
        auto t = platform::DbfTable::Open(gDataPath + QStringLiteral("MenuItems.dat"));
        if (!t)
            return "(no table)";
        t->CreateTag("ID_TAG", t->FieldIndex("ID"));
        const int r = t->Seek("ID_TAG", id);
        return r < 0 ? QByteArray("(absent)")
                     : t->FieldBytes(r, t->FieldIndex(field)).toByteArray().trimmed();
    }
    // The tooltip the submenu shows for a row once the highlight settles.
    QImage TooltipOf(frmMenu* menu, int id, QString* text) {
        menu->picForm_MouseMove(QPoint(60, (RowOf(menu, id) - 1) * 20 + 8));
        menu->timTooltip_Timer();
        menus::frmTooltip* tip = menus::frmTooltip::Loaded();
        if (!tip)
            return {};
        *text = tip->lblTooltip->text();
        return tip->grab().toImage();
    }
    // The first row band of the home menu showing `row`.
    QImage HomeRowShot(const ItemPtr& row) {
        home->Unload();
        homeRows = testsupport::Rows({row});
        home->ShowMenu();
        QApplication::processEvents();
        const QImage img = home->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint o = home->ClientOrigin();
        return img.copy(o.x(), o.y(), img.width() - 2 * o.x(), 20);
    }
};

TEST_F(MenuCodePage, AnUpdatedNameShowsInRowAndTooltipAsTheServiceMeantIt) {
    ReplyUpdate("U,302," + kNameBytes + ",," + kTipBytes + ",True,10,False,,,\r\n");
    ItemManager().DownloadUpdates();
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    const int row = RowOf(arts, 302);
    ASSERT_GT(row, 0);
    // What the row painter is handed.
    EXPECT_EQ(arts->m_Items->Item(row)->Name, kName);
    QString shown;
    const QImage tip = TooltipOf(arts, 302, &shown);
    ASSERT_FALSE(tip.isNull());
    EXPECT_EQ(shown, kTip);
    // The same tooltip given the Unicode text, at the same place.
    const QRect at = menus::frmTooltip::Loaded()->geometry();
    menus::frmTooltip::Unload();
    menus::frmTooltip::ShowAt(kTip, QRect(at.left(), at.bottom() + 1, at.width(), 20));
    ASSERT_NE(menus::frmTooltip::Loaded(), nullptr);
    EXPECT_EQ(menus::frmTooltip::Loaded()->grab().toImage(), tip);
    menus::frmTooltip::Unload();

    // A row read from the table looks like the row given the Unicode name.
    const ItemPtr stored = ItemManager().GetItem(302);
    ASSERT_NE(stored, nullptr);
    const QImage fromTable = HomeRowShot(stored);
    const QImage meant = HomeRowShot(testsupport::Row(302, kName, true, QString()));
    EXPECT_EQ(fromTable, meant);

    // Written back, the table holds the server's bytes.
    gItemManager.reset();
    EXPECT_EQ(FileBytes(302, "Name"), kNameBytes);
    EXPECT_EQ(FileBytes(302, "Descript"), kTipBytes);
}

TEST_F(MenuCodePage, EveryHighByteSurvivesTheTableBothWays) {
    // In a name, a description, an icon and a form name; the icon and form
    // carry no "." so that nothing is fetched for them.
    const QByteArray high = HighBytes();
    ReplyUpdate("U,303," + high.left(20) + ",i" + high.mid(20, 4) + "," + high + ",False,10," +
                "False,f" + high.right(8) + ",,\r\n");
    ItemManager().DownloadUpdates();
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const ItemPtr item = ItemManager().GetItem(303);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name, platform::DecodeAnsi(high.left(20)));
    EXPECT_EQ(item->Description.size(), 32);
    EXPECT_EQ(item->Description.at(0), QChar(0x20AC));
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(item->Description.at(undefined - 0x80), QChar(undefined)) << undefined;
    EXPECT_EQ(item->Description.at(0x9F - 0x80), QChar(0x0178));
    gItemManager.reset();
    EXPECT_EQ(FileBytes(303, "Name"), high.left(20));
    EXPECT_EQ(FileBytes(303, "Icon"), "i" + high.mid(20, 4));
    EXPECT_EQ(FileBytes(303, "Descript"), high);
    EXPECT_EQ(FileBytes(303, "Form"), "f" + high.right(8));

    // The record rewritten by a later update keeps them.
    service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"),
                     "12/8/2026 11:15:00 AM\r\nB,303,0.25\r\n");
    ItemManager().DownloadUpdates();
    ASSERT_NE(ItemManager().GetItem(303), nullptr);
    EXPECT_EQ(ItemManager().GetItem(303)->Description, platform::DecodeAnsi(high));
    gItemManager.reset();
    EXPECT_EQ(FileBytes(303, "Descript"), high);
    EXPECT_EQ(FileBytes(303, "Bid"), "0.25");
}

TEST_F(MenuCodePage, AnIconNamedInTheCodePageIsAskedForByItsOwnBytes) {
    const QByteArray icon("caf\xE9\x80.png");
    ReplyUpdate("U,303,Sculpture Hub," + icon + ",,True,10,False,,,\r\n");
    ItemManager().DownloadUpdates();
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const QByteArray page = "/Vantrix/internal/images/" + icon;
    service.SetReply(QString::fromLatin1(page), testsupport::SolidPng(QSize(16, 16), Qt::blue));
    IconQueue queue;
    buttonWindow.downloadNewIcon = [&](const QString& url, const QString& file, QObject* frm) {
        return queue.Add(url, file, frm);
    };
    service.ClearRequests();
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    for (int i = 0; i < 200 && queue.Count() > 0; ++i)
        QTest::qWait(10);
    QStringList asked;
    for (const localservice::Request& r : service.Requests())
        if (r.path.contains("/images/"))
            asked << QString::fromLatin1(QByteArray::fromPercentEncoding(r.path));
    // What the server reads back from the target, escapes undone.
    EXPECT_EQ(asked, QStringList{QString::fromLatin1(page)});
    // Kept under the name the row shows.
    EXPECT_TRUE(QFile::exists(gImagesPath + platform::DecodeAnsi(icon)));
}

TEST_F(MenuCodePage, ATableFileWithTheBytesShowsTheSameText) {
    // A table shipped by the installer, not touched by an update.
    {
        auto t = platform::DbfTable::Open(gDataPath + QStringLiteral("MenuItems.dat"));
        ASSERT_NE(t, nullptr);
        t->CreateTag("ID_TAG", t->FieldIndex("ID"));
        const int r = t->Seek("ID_TAG", 200);
        ASSERT_GE(r, 0);
        ASSERT_TRUE(t->Assign(r, t->FieldIndex("Name"), kNameBytes));
        ASSERT_TRUE(t->Assign(r, t->FieldIndex("Descript"), kTipBytes));
        ASSERT_TRUE(t->Flush());
    }
    frmMenu* arts = OpenFromHome(3);
    ASSERT_NE(arts, nullptr);
    const int row = RowOf(arts, 200);
    ASSERT_GT(row, 0);
    EXPECT_EQ(arts->m_Items->Item(row)->Name, kName);
    QString shown;
    EXPECT_FALSE(TooltipOf(arts, 200, &shown).isNull());
    EXPECT_EQ(shown, kTip);
    // Its submenu's path in a search window's tooltip reads the same way.
    EXPECT_EQ(arts->GetCategoryPath(200), QStringLiteral("Tarvel > Arts > ") + kName);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

} // namespace
