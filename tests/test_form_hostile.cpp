// The form panel against files a server or another local user made hostile:
// a category whose form names one of the programs' own files, a form of tens
// of thousands of controls, pictures of hundreds of megabytes, and links
// planted in the data and images folders where the panel writes.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/frmForm.h"
#include "support/Files.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"
#include "test_form_fixture.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;

using testsupport::Crlf;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

QByteArray Png(const QSize& size) {
    return testsupport::SolidPng(size, Qt::darkCyan);
}

class FormHostile : public formtest::FormTest {
protected:
    frmForm* Open(int id) {
        if (panel)
            panel->Unload();
        errors.clear();
        panel = frmForm::Instance();
        panel->SetParentCategoryID(id);
        return panel;
    }
    static QStringList Head(int labels) {
        return {"0.1",
                "",
                "3600,1800",
                "http://www.example.com/q.asp",
                "60,1300,900,Go",
                "0",
                QString::number(labels)};
    }
};

TEST_F(FormHostile, AFormNamingTheProgramsOwnFilesLeavesThemAlone) {
    Table({{44, "MenuItems.dat"}, {45, "EUL.txt"}, {46, "c42.dat"}, {47, "db.exe"}});
    const QByteArray table = ReadFile(world.dataPath() + "MenuItems.dat");
    WriteFile(world.dataPath() + "EUL.txt", "Licence text\r\n");
    WriteFile(world.dataPath() + "c42.dat", "12\r\n31\r\n");
    WriteFile(world.dataPath() + "db.exe", "installer");
    // The server would send a valid form under each name.
    for (const QString name : {"MenuItems.dat", "EUL.txt", "c42.dat", "db.exe"})
        service.SetReply(FormPage(name), Crlf(Head(0) + QStringList{"0", "0"}));

    for (int id = 44; id <= 47; ++id) {
        frmForm* f = Open(id);
        ASSERT_EQ(errors.size(), 1) << id;
        EXPECT_EQ(errors[0].location, "frmForm.DrawForm");
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->cmdSubmit->isHidden());
    }
    // Every file is as it was, the table still opens, and nothing was fetched.
    EXPECT_EQ(ReadFile(world.dataPath() + "MenuItems.dat"), table);
    EXPECT_EQ(ReadFile(world.dataPath() + "EUL.txt"), "Licence text\r\n");
    EXPECT_EQ(ReadFile(world.dataPath() + "c42.dat"), "12\r\n31\r\n");
    EXPECT_EQ(ReadFile(world.dataPath() + "db.exe"), "installer");
    gItemManager.reset();
    EXPECT_TRUE(ItemManager().GetItem(44));
    EXPECT_TRUE(service.Requests().isEmpty());
}

TEST_F(FormHostile, TensOfThousandsOfLabelsStopWithOneErrorAndThePanelPaints) {
    Table({{44, "many.frm"}});
    QStringList lines = Head(35000);
    for (int i = 0; i < 35000; ++i)
        lines << QStringLiteral("%1,%2,Label number %3").arg(i % 40 * 90).arg(i % 90 * 20).arg(i);
    lines << "0"
          << "0";
    service.SetReply(FormPage("many.frm"), Crlf(lines));
    frmForm* f = Open(44);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].msg, "Out of memory");
    EXPECT_EQ(errors[0].location, "frmForm.DrawForm");
    // What was built before the error stays, the button included.
    ASSERT_NE(f, nullptr);
    EXPECT_GT(f->lblText.size(), 100u);
    EXPECT_LT(f->lblText.size(), 1000u);
    EXPECT_EQ(f->lblText[1]->text(), "Label number 0");
    EXPECT_FALSE(f->cmdSubmit->isHidden());
    // Painting the panel with all its labels (35,000 overflowed the stack).
    f->show();
    QApplication::processEvents();
    EXPECT_FALSE(f->grab().isNull());
}

TEST_F(FormHostile, HugePicturesAreNotDecoded) {
    Table({{44, "pics.frm"}});
    QStringList lines = Head(0) + QStringList{"0", "0", "8"};
    const QByteArray huge = Png(QSize(5000, 5000));
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("huge%1.png").arg(i);
        service.SetReply(ImagePage(name), huge);
        lines << name + QStringLiteral(",60,60");
    }
    service.SetReply(FormPage("pics.frm"), Crlf(lines));
    [[maybe_unused]] const qint64 before = testsupport::PeakMb();
    frmForm* f = Open(44);
    // Eight of these took 816 MB; not even one is decoded.
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed memory resident a while
    EXPECT_LT(testsupport::PeakMb() - before, 150);
#endif
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].msg, "Out of memory");
    EXPECT_EQ(errors[0].location, "frmForm.DrawForm");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->imgX.size(), 1u);
    EXPECT_FALSE(f->cmdSubmit->isHidden());
}

TEST_F(FormHostile, LinksPlantedAtAFormOrPictureNameAreReplacedNotFollowed) {
    Table({{44, "quote.frm"}});
    QTemporaryDir outside;
    const QString outForm = outside.filePath("planted.frm");
    const QString outPicture = outside.filePath("planted.png");
    const QString outKept = outside.filePath("kept.png");
    WriteFile(outKept, "precious");
    // Dangling links (the download would create their targets) and one to a
    // file of the other user's.
    ASSERT_TRUE(QFile::link(outForm, world.dataPath() + "quote.frm"));
    ASSERT_TRUE(QFile::link(outPicture, world.imagesPath() + "logo.png"));
    ASSERT_TRUE(QFile::link(outKept, world.imagesPath() + "kept.png"));
    QStringList lines = Head(0) + QStringList{"0", "0", "1", "logo.png,60,60"};
    service.SetReply(FormPage("quote.frm"), Crlf(lines));
    service.SetReply(ImagePage("logo.png"), Png(QSize(20, 10)));
    frmForm* f = Open(44);
    EXPECT_TRUE(errors.isEmpty());
    ASSERT_EQ(f->imgX.size(), 2u);
    EXPECT_FALSE(QFile::exists(outForm));
    EXPECT_FALSE(QFile::exists(outPicture));
    // The files are the panel's own now.
    EXPECT_FALSE(QFileInfo(world.dataPath() + "quote.frm").isSymLink());
    EXPECT_EQ(ReadFile(world.dataPath() + "quote.frm"), Crlf(lines));
    EXPECT_FALSE(QFileInfo(world.imagesPath() + "logo.png").isSymLink());

    // A link to a file that exists: read, never written or deleted.
    lines = Head(0) + QStringList{"0", "0", "1", "kept.png,60,60"};
    QFile::remove(world.dataPath() + "quote.frm");
    service.SetReply(FormPage("quote.frm"), Crlf(lines));
    Open(44);
    EXPECT_EQ(ReadFile(outKept), "precious");
}

} // namespace
