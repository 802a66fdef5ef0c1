// The refer-a-friend wizard: typed and picked recipients, the contacts of the
// vCard file and of the address book (read from real files that the registry
// layer names), the 20-recipient limit and the 500-contact table, the
// estimate in the locale's currency, and the referral request as the local
// service receives it with each of its replies. Screenshots of both pages go
// into the build folder.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/Contacts.h"
#include "platform/Registry.h"
#include "shell/frmRefer.h"
#include "support/Files.h"
#include "support/Screenshot.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QLabel>
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

class ReferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        service.SetReply(kReferPage, QByteArray("OK"));
        modInternet::SetASPDataTimeoutMs(5000);
        gUserID = 1234;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    // The registry layer names the vCard file and the address book's folder.
    void Sources(const QByteArray& vcards, const QByteArray& addressBook) {
        const QString vcf = world.configHome() + QStringLiteral("/contacts.vcf");
        const QString book = world.configHome() + QStringLiteral("/Eudora");
        WriteFile(vcf, vcards);
        WriteFile(book + QStringLiteral("/NNdbase.txt"), addressBook);
        WriteFile(platform::RegistryFilePath(),
                  "[HKEY_CURRENT_USER\\Software\\Tarvel\\Contacts]\nVCardFile=\"" +
                      vcf.toLocal8Bit() +
                      "\"\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                      "App Paths\\Eudora.exe]\nPath=\"" +
                      book.toLocal8Bit() + "\"\n");
    }
    void Type(frmRefer& f, const QString& text) {
        f.txtEmail->setText(text);
        f.cmdAdd->click();
    }
    QString Finish(frmRefer& f, const QString& message) {
        f.cmdNext->click();
        f.txtMessage->setPlainText(message);
        f.cmdNext->click();
        const auto requests = service.RequestsFor(kReferPage);
        return requests.isEmpty() ? QString() : QString::fromLatin1(requests.last().body);
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
};

} // namespace

TEST_F(ReferTest, TypedAddressesArriveAsTypedWithTheEncodedMessage) {
    auto f = std::make_unique<frmRefer>();
    EXPECT_TRUE(gReferLoaded);
    Type(*f, QStringLiteral("abc"));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].prompt, QStringLiteral("That is not a valid email address."));
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Invalid email address."));
    EXPECT_EQ(f->txtEmail->text(), QStringLiteral("abc"));
    Type(*f, QStringLiteral("a+b@x.com"));
    Type(*f, QStringLiteral("first.last@")); // only "@" and "." are asked for
    Type(*f, QStringLiteral("x&y=z@q.org"));
    EXPECT_EQ(Texts(f->lstEmails).size(), 3);
    EXPECT_TRUE(f->txtEmail->text().isEmpty());
    EXPECT_EQ(f->lblTotal->text(), QStringLiteral("$135.00*"));

    const QString body = Finish(*f, QStringLiteral("Hi & bye"));
    EXPECT_EQ(body, QStringLiteral("UserID=1234&Email=a%2Bb%40x.com&FirstName=&Email=first.last%40"
                                   "&FirstName=&Email=x%26y%3Dz%40q.org&FirstName="
                                   "&Message=Hi+%26+bye"));
    const auto fields = service.RequestsFor(kReferPage).last().formFields();
    QStringList emails;
    for (const auto& [k, v] : fields)
        if (k == QLatin1String("Email"))
            emails << v;
    EXPECT_EQ(emails, (QStringList{"a+b@x.com", "first.last@", "x&y=z@q.org"}));
    ASSERT_EQ(world.notifier.calls.size(), 2);
    EXPECT_EQ(world.notifier.calls[1].title, QStringLiteral("Emails sent"));
    QApplication::processEvents();
    EXPECT_FALSE(gReferLoaded || frmRefer::Loaded());
}

TEST_F(ReferTest, ContactsFromTheVCardFileAndTheAddressBook) {
    Sources("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;Anna;;;Jr.\r\nFN:Anna Smith\r\n"
            "EMAIL;TYPE=INTERNET:anna@example.com\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\nN:Nomail;Ned\nEND:VCARD\n"
            "BEGIN:VCARD\nitem1.EMAIL:only@addr\n ess.org\nEND:VCARD\n",
            "alias bob bob@x.com\r\n"
            "alias \"Bob Smith\" bs@y.com, more@y.com\r\n"
            "alias nobody\r\n"
            "aliases x x@y.z\r\n"
            "alias \"Unclosed x@y.com\r\n"
            "note bob <vip>\r\n");
    frmRefer f;
    f.cmdShow_Click();
    EXPECT_FALSE(f.cmdShow->isEnabled());
    EXPECT_FALSE(f.lblSorting->isVisible());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(Texts(f.lstFriends), (QStringList{"bob@x.com", "bs@y.com", "only@address.org",
                                                "Smith, Anna Jr. (anna@example.com)"}));
    EXPECT_EQ(f.ContactCount(), 4);
    f.cmdAddAll_Click();
    EXPECT_EQ(f.lstFriends->count(), 0);
    EXPECT_EQ(f.ReferralBody(),
              QStringLiteral("UserID=1234&Email=bob%40x.com&FirstName=bob&Email=bs%40y.com"
                             "&FirstName=Bob+Smith&Email=only%40address.org&FirstName="
                             "&Email=anna%40example.com&FirstName=Anna&Message="));
    // A picked contact goes back into its sorted place; a typed one is gone.
    Type(f, QStringLiteral("typed@z.org"));
    f.lstEmails->setCurrentRow(0);
    f.cmdRemove_Click();
    f.lstEmails->setCurrentRow(f.lstEmails->count() - 1);
    f.cmdRemove_Click();
    EXPECT_EQ(Texts(f.lstFriends), (QStringList{"bob@x.com"}));
    EXPECT_FALSE(Texts(f.lstEmails).contains(QStringLiteral("typed@z.org")));

    testsupport::Screenshot(&f, QStringLiteral("refer-page1.png"));
    f.cmdNext_Click();
    f.txtMessage->setPlainText(QStringLiteral("See you there!"));
    EXPECT_TRUE(f.picPanel[2]->isVisible());
    EXPECT_FALSE(f.picPanel[0]->isVisible());
    EXPECT_TRUE(f.cmdBack->isEnabled());
    EXPECT_EQ(f.cmdNext->text(), QStringLiteral("&Finish"));
    testsupport::Screenshot(&f, QStringLiteral("refer-page2.png"));
    f.cmdBack_Click();
    EXPECT_TRUE(f.picPanel[0]->isVisible());
    EXPECT_EQ(f.cmdNext->text(), QStringLiteral("&Next >"));
    EXPECT_TRUE(service.RequestsFor(kReferPage).isEmpty());
}

TEST_F(ReferTest, NoContactSourceMeansNoContacts) {
    frmRefer f;
    f.cmdShow_Click();
    EXPECT_EQ(f.lstFriends->count(), 0);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Contacts not found"));
    EXPECT_TRUE(platform::contacts().ReadContacts().isEmpty());
}

TEST_F(ReferTest, TwentyRecipientsAtMostAndTheTableHoldsFiveHundred) {
    testsupport::ScriptedContacts source;
    for (int i = 0; i < 450; ++i)
        source.contacts.append({QStringLiteral("Person %1").arg(i, 3, 10, QLatin1Char('0')),
                                QStringLiteral("P%1").arg(i), QStringLiteral("p%1@x.org").arg(i)});
    QByteArray book;
    for (int i = 0; i < 100; ++i)
        book += "alias a" + QByteArray::number(i) + " a" + QByteArray::number(i) + "@book.org\n";
    Sources(QByteArray(), book);
    frmRefer f;
    f.cmdShow_Click();
    EXPECT_EQ(source.reads, 1);
    EXPECT_EQ(f.ContactCount(), frmRefer::kMaxContacts);
    EXPECT_EQ(f.lstFriends->count(), 500);
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Too many contacts"));

    const QString firstSorted = f.lstFriends->item(0)->text();
    f.cmdAddAll_Click();
    EXPECT_EQ(f.lstEmails->count(), 20);
    EXPECT_EQ(f.lstEmails->item(0)->text(), firstSorted);
    EXPECT_EQ(f.lstFriends->count(), 480);
    EXPECT_FALSE(f.cmdAdd->isEnabled() || f.cmdAddAll->isEnabled() || f.cmdAddFriend->isEnabled());
    EXPECT_EQ(f.lblTotal->text(), QStringLiteral("$900.00*"));
    // Enter in the address box still reaches Add: nothing past 20.
    f.txtEmail->setText(QStringLiteral("late@x.org"));
    f.cmdAdd_Click();
    EXPECT_EQ(f.lstEmails->count(), 20);

    f.lstEmails->setCurrentRow(3);
    f.cmdRemove_Click();
    EXPECT_TRUE(f.cmdAdd->isEnabled() && f.cmdAddAll->isEnabled() && f.cmdAddFriend->isEnabled());
    f.cmdRemoveAll_Click();
    EXPECT_EQ(f.lstFriends->count(), 500);
    EXPECT_EQ(f.lblTotal->text(), QStringLiteral("$0.00*"));

    // Five recipients in another locale's currency.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (int i = 0; i < 5; ++i)
        Type(f, QStringLiteral("t%1@x.org").arg(i));
    EXPECT_EQ(f.lblTotal->text(), QLocale().toCurrencyString(225.0) + QLatin1Char('*'));
    EXPECT_TRUE(f.lblTotal->text().contains(QStringLiteral("225,00")));
}

TEST_F(ReferTest, ServerRefusalsAndTheStandardText) {
    WriteFile(world.dataPath() + QStringLiteral("Email.txt"),
              "Join me!\nhttp://example.test/join?ref=%ID%&again=%ID%");
    auto f = std::make_unique<frmRefer>();
    EXPECT_TRUE(f->txtCanned->toPlainText().contains(
        QStringLiteral("http://example.test/join?ref=1234&again=1234")));
    service.SetReply(kReferPage, QByteArray("OK\r\n"));
    // No recipients: only the id and the message go.
    EXPECT_EQ(Finish(*f, QString()), QStringLiteral("UserID=1234&Message="));
    ASSERT_EQ(world.notifier.calls.size(), 1);
    EXPECT_EQ(world.notifier.calls[0].title, QStringLiteral("Emails not sent"));
    EXPECT_FALSE(gReferLoaded);

    f = std::make_unique<frmRefer>();
    service.Stop();
    Finish(*f, QStringLiteral("x"));
    ASSERT_EQ(world.notifier.calls.size(), 2);
    EXPECT_EQ(world.notifier.calls[1].prompt,
              QStringLiteral("An error occuring while contacting the server. Please try again "
                             "later."));
}

namespace {

// A contacts source that looks at the wizard while it is read: whether
// "Sorting..." has been painted on screen by then.
class WatchedContacts : public platform::Contacts {
public:
    explicit WatchedContacts(QLabel* sorting) : sorting_(sorting) { platform::SetContacts(this); }
    ~WatchedContacts() override { platform::SetContacts(nullptr); }
    QList<platform::Contact> ReadContacts() override {
        ++reads;
        sortingShownWhileRead = sorting_->isVisible() && painted.count > 0;
        return {{QStringLiteral("Smith, Anna"), QStringLiteral("Anna"),
                 QStringLiteral("anna@example.com")}};
    }
    struct PaintCount : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++count;
            return false;
        }
    } painted;
    int reads = 0;
    bool sortingShownWhileRead = false;

private:
    QLabel* sorting_;
};

} // namespace

TEST_F(ReferTest, EnterPressesTheFocusedButtonAndSortingShowsWhileContactsLoad) {
    // Enter on a focused button did nothing, and "Sorting..." was shown and
    // hidden again without ever being painted.
    frmRefer f;
    WatchedContacts source(f.lblSorting);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.lblSorting->installEventFilter(&source.painted);

    f.cmdShow->setFocus();
    QTest::keyClick(f.cmdShow, Qt::Key_Return);
    EXPECT_EQ(source.reads, 1);
    EXPECT_TRUE(source.sortingShownWhileRead);
    EXPECT_FALSE(f.lblSorting->isVisible());
    EXPECT_EQ(Texts(f.lstFriends), QStringList{"Smith, Anna (anna@example.com)"});

    f.cmdAddFriend->setFocus();
    QTest::keyClick(f.cmdAddFriend, Qt::Key_Enter);
    EXPECT_EQ(Texts(f.lstEmails), QStringList{"Smith, Anna (anna@example.com)"});

    f.cmdNext->setFocus();
    QTest::keyClick(f.cmdNext, Qt::Key_Return);
    EXPECT_TRUE(f.picPanel[2]->isVisible());
    EXPECT_EQ(f.cmdNext->text(), QStringLiteral("&Finish"));
    // On page 2 Enter in the message box is a new line, not Finish.
    QTest::keyClick(f.txtMessage, Qt::Key_Return);
    EXPECT_TRUE(service.RequestsFor(kReferPage).isEmpty());
    f.cmdCancel->setFocus();
    QTest::keyClick(f.cmdCancel, Qt::Key_Return);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(service.RequestsFor(kReferPage).isEmpty());
}
