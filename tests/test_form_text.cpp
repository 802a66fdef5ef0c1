// The form panel's text on its way to the browser: the file's 8-bit text and
// what the user types leave in the one code page of the service, and the
// desktop is handed exactly the address that was built (its escapes and a
// lone "%" as they are), as QDesktopServices receives it after the shell's
// conversion.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/MenuHooks.h"
#include "menus/Slide.h"
#include "menus/frmForm.h"
#include "platform/Latin1Text.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace modGlobals;

namespace {

class Root : public QWidget, public menus::MenuLevel {
public:
    Root() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
        setGeometry(100, 100, 165, 300);
    }
    QWidget* Window() override { return this; }
    void Unload() override { hide(); }
};

class FormText : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Slide::SetStepIntervalMs(0);
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        frmForm::SetDownloadTimeoutMs(3000);
        localservice::SampleRecord r;
        r.id = 44;
        r.parentId = 1;
        r.name = QStringLiteral("Towns");
        r.form = QStringLiteral("towns.frm");
        ASSERT_TRUE(localservice::WriteMenuTable(world.dataPath() + "MenuItems.dat", {r}));
        gItemManager.reset();
    }
    void TearDown() override {
        if (panel)
            panel->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmForm* Open(const QByteArray& file) {
        service.SetReply(QStringLiteral("/Vantrix/data/towns.frm"), file);
        panel = frmForm::Instance();
        panel->SetParentForm(&root);
        panel->SetParentCategoryID(44);
        return panel;
    }
    testsupport::TestWorld world;
    localservice::LocalService service;
    Root root;
    QPointer<frmForm> panel;
};

// A form file as the service writes it: Windows-1252, CR LF.
const QByteArray kTowns = "0.1\r\nTowns\r\n3600,1800\r\n"
                          "http://www.example.com/find.asp\r\n"
                          "2250,1320,1500,Find,now\r\n"
                          "2\r\ndisc=10%\r\nq=x%20y\r\n"
                          "0\r\n"
                          "1\r\n120,390,3300,0,name\r\n"
                          "1\r\n900,700,1800,town\r\n"
                          "Z\xfcrich,Z\xfcrich,Caf\x80 cr\xe8me,Caf\x80 cr\xe8me\r\n"
                          "0\r\n";

} // namespace

TEST_F(FormText, TheBrowserGetsTheBytesThatWereBuilt) {
    testsupport::DesktopPages desktop;
    frmForm* f = Open(kTowns);
    ASSERT_EQ(f->txtField.size(), 2u);
    ASSERT_EQ(f->cboSelect.size(), 2u);
    testsupport::TypeText(f->txtField[1], QString::fromUtf8("AT&T \xe2\x82\xac\xc3\xbc"));
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    f->cboSelect[1]->setCurrentIndex(1);
    f->cmdSubmit_Click();
    ASSERT_EQ(desktop.opened.size(), 1);
    // The hidden "10%" keeps its lone "%" alone escaped and "x%20y" its
    // escape; the typed euro goes as the file's own euro byte.
    EXPECT_EQ(desktop.opened[0], "http://www.example.com/find.asp?&disc=10%25&q=x%20y"
                                 "&name=AT%26T+%80%FC&town=Caf%80%20cr%E8me");
}

TEST_F(FormText, AFieldRefusesWhatTheCodePageCannotCarry) {
    testsupport::DesktopPages desktop;
    frmForm* f = Open(kTowns);
    ASSERT_EQ(f->txtField.size(), 2u);
    testsupport::TypeText(f->txtField[1], QString::fromUtf8("Z\xc3\xbc\xd0\xb6"));
    EXPECT_EQ(f->txtField[1]->text(), QString::fromUtf8("Z\xc3\xbc"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, platform::NotAnsiMessage());
    f->cmdSubmit_Click();
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], "http://www.example.com/find.asp?&disc=10%25&q=x%20y"
                                 "&name=Z%FC&town=Z%FCrich");
}
