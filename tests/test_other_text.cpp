// Text that other programs wrote, and what the refer-a-friend wizard sends of
// it: vCard exports (folded, quoted-printable, with and without a CHARSET),
// Email.txt and EUL.txt in UTF-8 or the Windows code page, a huge EUL.txt,
// and the referral request as the local service receives its bytes, in the
// service's 8-bit code page with what it cannot carry refused.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/Latin1Text.h"
#include "platform/Registry.h"
#include "shell/frmAbout.h"
#include "shell/frmRefer.h"
#include "support/Files.h"
#include "support/Scripted.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace modGlobals;

using testsupport::Texts;
using testsupport::WriteFile;

namespace {

const QString kReferPage = QStringLiteral("/Vantrix/internal/submitPotentialUsers.asp");

// A box's text with line ends as LF (the dialogs put CR LF after each line).
QString Plain(const QPlainTextEdit* box) {
    return box->toPlainText().remove(QLatin1Char('\r'));
}

class OtherText : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        service.SetReply(kReferPage, QByteArray("OK"));
        modInternet::SetASPDataTimeoutMs(5000);
        gUserID = 1234;
    }
    // The registry layer names the vCard file.
    void VCards(const QByteArray& vcards) {
        const QString vcf = world.configHome() + QStringLiteral("/contacts.vcf");
        WriteFile(vcf, vcards);
        WriteFile(platform::RegistryFilePath(),
                  "[HKEY_CURRENT_USER\\Software\\Tarvel\\Contacts]\nVCardFile=\"" +
                      vcf.toLocal8Bit() + "\"\n");
    }
    // Every contact to the recipients, then Finish: the body's bytes.
    QByteArray SendAll(frmRefer& f, const QString& message = QString()) {
        if (f.cmdShow->isEnabled())
            f.cmdShow_Click();
        f.cmdAddAll->click();
        f.cmdNext->click();
        if (!message.isEmpty())
            testsupport::TypeText(f.txtMessage, message);
        f.cmdNext->click();
        const auto requests = service.RequestsFor(kReferPage);
        return requests.isEmpty() ? QByteArray() : requests.last().body;
    }
    int Refusals() const {
        int n = 0;
        for (const auto& call : world.notifier.calls)
            n += call.prompt == platform::NotAnsiMessage();
        return n;
    }
    testsupport::TestWorld world;
    localservice::LocalService service;
};

} // namespace

TEST_F(OtherText, VCardNamesAreDecodedAsTheFileSaysAndSentInTheCodePage) {
    VCards("BEGIN:VCARD\r\nVERSION:3.0\r\n"
           // A fold in the middle of the UTF-8 "é".
           "N:Dupr\xc3\r\n \xa9;Jean;;;\r\nEMAIL:jean@x.fr\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:2.1\r\n"
           "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Dubois;Fran=C3=A7ois\r\n"
           "EMAIL;INTERNET:fd@x.fr\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:2.1\r\n"
           "N;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:M=FCller;J=FC=\r\nrgen\r\n"
           "EMAIL:jm@x.de\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd\xd0\xbe\xd0\xb2;"
           "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd\r\nEMAIL:ivan@x.ru\r\nEND:VCARD\r\n");
    frmRefer f;
    f.cmdShow_Click();
    EXPECT_EQ(Texts(f.lstFriends),
              (QStringList{QString::fromUtf8("Dubois, Fran\xc3\xa7ois (fd@x.fr)"),
                           QString::fromUtf8("Dupr\xc3\xa9, Jean (jean@x.fr)"),
                           QString::fromUtf8("M\xc3\xbcller, J\xc3\xbcrgen (jm@x.de)"),
                           QString::fromUtf8("\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd\xd0\xbe\xd0\xb2, "
                                             "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd (ivan@x.ru)")}));
    // The Cyrillic name has no bytes in the code page: it goes as no name,
    // never as "?" or UTF-8 beside the 8-bit bytes.
    EXPECT_EQ(SendAll(f).toStdString(),
              std::string("UserID=1234&Email=fd%40x.fr&FirstName=Fran%E7ois"
                          "&Email=jean%40x.fr&FirstName=Jean"
                          "&Email=jm%40x.de&FirstName=J%FCrgen"
                          "&Email=ivan%40x.ru&FirstName=&Message="));
}

TEST_F(OtherText, AVCardFileInTheWindowsCodePageReadsAsIt) {
    VCards("BEGIN:VCARD\r\nN:Garc\xed"
           "a;Jos\xe9\r\nEMAIL:jg@x.es\r\nEND:VCARD\r\n");
    frmRefer f;
    f.cmdShow_Click();
    EXPECT_EQ(Texts(f.lstFriends), QStringList{QString::fromUtf8("Garc\xc3\xad"
                                                                 "a, Jos\xc3\xa9 (jg@x.es)")});
    EXPECT_EQ(SendAll(f).toStdString(),
              std::string("UserID=1234&Email=jg%40x.es&FirstName=Jos%E9&Message="));
}

TEST_F(OtherText, TheWizardRefusesWhatItsRequestCannotCarry) {
    frmRefer f;
    testsupport::TypeText(f.txtEmail, QString::fromUtf8("\xd0\xb8v@x.ru"));
    EXPECT_EQ(f.txtEmail->text(), QStringLiteral("v@x.ru"));
    EXPECT_EQ(Refusals(), 1);
    f.cmdAdd->click();
    f.cmdNext->click();
    testsupport::TypeText(f.txtMessage,
                          QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8 Hi \xe2\x82\xac!"));
    EXPECT_EQ(f.txtMessage->toPlainText(), QString::fromUtf8(" Hi \xe2\x82\xac!"));
    EXPECT_EQ(Refusals(), 4);
    f.cmdNext->click();
    const auto requests = service.RequestsFor(kReferPage);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body.toStdString(),
              std::string("UserID=1234&Email=v%40x.ru&FirstName=&Message=+Hi+%80%21"));
}

TEST_F(OtherText, EmailTxtInUtf8OrTheCodePageReadsAsWritten) {
    WriteFile(world.dataPath() + "Email.txt", "\xef\xbb\xbfHallo \xe2\x80\x93 caf\xc3\xa9 %ID%\n");
    {
        frmRefer f;
        EXPECT_EQ(Plain(f.txtCanned), QString::fromUtf8("Hallo \xe2\x80\x93 caf\xc3\xa9 1234\n"));
    }
    WriteFile(world.dataPath() + "Email.txt", "Hallo \x96 caf\xe9 %ID%\r\n\x93quoted\x94\r\n");
    frmRefer f;
    EXPECT_EQ(
        Plain(f.txtCanned),
        QString::fromUtf8("Hallo \xe2\x80\x93 caf\xc3\xa9 1234\n\xe2\x80\x9cquoted\xe2\x80\x9d\n"));
}

TEST_F(OtherText, TheAboutBoxReadsUtf8AndOnlyTheHeadOfAHugeLicence) {
    WriteFile(world.dataPath() + "EUL.txt",
              "Licence \xc2\xa9 2001 \xe2\x80\x9cTarvel\xe2\x80\x9d\n");
    {
        frmAbout about;
        EXPECT_EQ(Plain(about.txtEUL),
                  QString::fromUtf8("Licence \xc2\xa9 2001 \xe2\x80\x9cTarvel\xe2\x80\x9d\n"));
    }
    // 64 MB in one line: the box comes up at once with the first megabyte.
    {
        QFile file(world.dataPath() + "EUL.txt");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(file.write(block), block.size());
    }
    QElapsedTimer timer;
    timer.start();
    frmAbout about;
    EXPECT_LT(timer.elapsed(), 10000);
    const QString text = Plain(about.txtEUL);
    EXPECT_GT(text.size(), 512 * 1024);
    EXPECT_LE(text.size(), 1024 * 1024 + 2);
}
