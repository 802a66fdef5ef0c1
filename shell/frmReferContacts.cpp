// The refer-a-friend wizard's behaviour: the contact table and its sources,
// moving recipients between the lists, the estimate, the pages and the
// referral request.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modRegistry.h"
#include "platform/Contacts.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"
#include "platform/Registry.h"
#include "shell/frmRefer.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

using namespace modGlobals;

namespace {

// An address book larger than this is not read further.
constexpr qint64 kMaxAddressBookBytes = 4 * 1024 * 1024;

QListWidgetItem* NewEntry(const QString& text, int record) {
    auto* entry = new QListWidgetItem(text);
    entry->setData(Qt::UserRole, record);
    return entry;
}

int RecordOf(const QListWidgetItem* entry) {
    return entry ? entry->data(Qt::UserRole).toInt() : 0;
}

class HourGlass {
public:
    HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourGlass() { QApplication::restoreOverrideCursor(); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

} // namespace

QList<frmRefer::AddressEntry> frmRefer::ParseAddressBook(const QByteArray& text) {
    QList<AddressEntry> out;
    for (const platform::AddressBookEntry& e : platform::ParseAddressBook(text))
        out.append({e.name, e.email});
    return out;
}

void frmRefer::ContactsFull() {
    if (m_FullReported)
        return;
    m_FullReported = true;
    platform::MsgBox(
        QStringLiteral("More than 500 contacts were found. Only the first 500 will be listed."),
        platform::vbInformation, QStringLiteral("Too many contacts"));
}

bool frmRefer::AddContact(const QString& listText, const QString& name, const QString& email) {
    // An address the service's code page cannot carry could only reach the
    // server as another address.
    if (!platform::FitsAnsi(email))
        return true;
    if (ContactCount() >= kMaxContacts) {
        ContactsFull();
        return false;
    }
    m_Contacts.push_back({name, email});
    QListWidgetItem* entry = NewEntry(listText, ContactCount());
    lstFriends->addItem(entry);
    lstFriends->setCurrentItem(entry);
    return true;
}

void frmRefer::LoadOutlookContacts() {
    const QList<platform::Contact> found = platform::contacts().ReadContacts();
    for (const platform::Contact& c : found) {
        if (c.email.isEmpty())
            continue;
        const QString text = c.lastFirst.isEmpty()
                                 ? c.email
                                 : c.lastFirst + QStringLiteral(" (") + c.email + QLatin1Char(')');
        if (!AddContact(text, c.firstName, c.email))
            return;
    }
}

void frmRefer::LoadEudoraAddresses() {
    QString folder;
    if (!modRegistry::RegQueryString(
            platform::HKEY_LOCAL_MACHINE,
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe"),
            QStringLiteral("Path"), folder) ||
        folder.isEmpty())
        return;
    QFile file(folder + QStringLiteral("/NNdbase.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<AddressEntry> entries = ParseAddressBook(file.read(kMaxAddressBookBytes));
    for (const AddressEntry& e : entries)
        if (!AddContact(e.email, e.name, e.email))
            return;
}

void frmRefer::cmdShow_Click() {
    {
        HourGlass busy;
        lblSorting->show();
        // The sources are read without a return to the event loop: painted
        // now, or the note would only be shown once it is hidden again.
        lblSorting->repaint();
        LoadOutlookContacts();
        LoadEudoraAddresses();
    }
    cmdShow->setEnabled(false);
    lblSorting->hide();
    if (lstFriends->count() == 0)
        platform::MsgBox(QStringLiteral("No contacts were found in either Outlook or Eudora. "
                                        "Please enter them manually."),
                         platform::vbInformation, QStringLiteral("Contacts not found"));
}

void frmRefer::SetAddButtons(bool enabled) {
    cmdAdd->setEnabled(enabled);
    cmdAddAll->setEnabled(enabled);
    cmdAddFriend->setEnabled(enabled);
}

void frmRefer::UpdateTotal() {
    lblTotal->setText(
        QLocale().toCurrencyString(static_cast<double>(lstEmails->count()) * kRewardPerRecipient) +
        QLatin1Char('*'));
}

void frmRefer::MoveEntry(QListWidget* from, int row, QListWidget* to) {
    QListWidgetItem* entry = from->takeItem(row);
    if (entry)
        to->addItem(entry);
}

void frmRefer::cmdAdd_Click() {
    const QString text = txtEmail->text();
    if (text.isEmpty())
        return;
    // Enter reaches this button even after the list is full.
    if (lstEmails->count() >= kMaxRecipients)
        return;
    if (text.contains(QLatin1Char('@')) && text.contains(QLatin1Char('.'))) {
        lstEmails->addItem(NewEntry(text, 0));
        txtEmail->clear();
        txtEmail->setFocus();
        UpdateTotal();
        if (lstEmails->count() >= kMaxRecipients)
            SetAddButtons(false);
        return;
    }
    platform::MsgBox(QStringLiteral("That is not a valid email address."), platform::vbInformation,
                     QStringLiteral("Invalid email address."));
    txtEmail->setFocus();
}

void frmRefer::cmdAddFriend_Click() {
    const int row = lstFriends->currentRow();
    if (row >= 0 && lstFriends->currentItem() && lstEmails->count() < kMaxRecipients) {
        MoveEntry(lstFriends, row, lstEmails);
        if (lstEmails->count() >= kMaxRecipients)
            SetAddButtons(false);
    }
    UpdateTotal();
}

void frmRefer::cmdAddAll_Click() {
    const int rounds = lstFriends->count();
    for (int i = 0; i < rounds; ++i) {
        if (lstEmails->count() >= kMaxRecipients)
            break;
        MoveEntry(lstFriends, 0, lstEmails);
    }
    if (lstEmails->count() >= kMaxRecipients)
        SetAddButtons(false);
    UpdateTotal();
}

void frmRefer::cmdRemove_Click() {
    const int row = lstEmails->currentRow();
    if (row >= 0 && lstEmails->currentItem()) {
        QListWidgetItem* entry = lstEmails->takeItem(row);
        if (RecordOf(entry) >= 1)
            lstFriends->addItem(entry); // the sorted list puts it in its place
        else
            std::unique_ptr<QListWidgetItem> dropped(entry); // a typed address is dropped
        if (lstEmails->count() < kMaxRecipients)
            SetAddButtons(true);
    }
    UpdateTotal();
}

void frmRefer::cmdRemoveAll_Click() {
    for (int row = lstEmails->count() - 1; row >= 0; --row) {
        QListWidgetItem* entry = lstEmails->takeItem(row);
        if (RecordOf(entry) > 0)
            lstFriends->addItem(entry);
        else
            std::unique_ptr<QListWidgetItem> dropped(entry);
    }
    SetAddButtons(true);
    UpdateTotal();
}

void frmRefer::cmdNext_Click() {
    if (cmdNext->text() != QLatin1String("&Finish")) {
        picPanel[2]->show();
        picPanel[0]->hide();
        cmdNext->setText(QStringLiteral("&Finish"));
        cmdBack->setEnabled(true);
        txtMessage->setFocus();
        return;
    }
    SendReferral();
    accept();
}

void frmRefer::cmdBack_Click() {
    cmdBack->setEnabled(false);
    cmdNext->setText(QStringLiteral("&Next >"));
    picPanel[0]->show();
    picPanel[2]->hide();
}

void frmRefer::cmdCancel_Click() {
    reject();
}

QString frmRefer::ReferralBody() const {
    // Every value is form-encoded: an address such as "a+b@x.com" would
    // otherwise arrive with a blank in place of its "+", and an "&" in a
    // name or address would start a field of its own.
    using modInternet::QueryEncode;
    // A contact's name the service's code page cannot carry goes as no name
    // rather than as some other one (its letters left out, or "?").
    const auto name = [](const QString& n) { return platform::FitsAnsi(n) ? n : QString(); };
    QString body = QStringLiteral("UserID=") + QString::number(gUserID);
    for (int i = 0; i < lstEmails->count(); ++i) {
        const QListWidgetItem* entry = lstEmails->item(i);
        const int r = RecordOf(entry);
        if (r > 0 && r < static_cast<int>(m_Contacts.size()))
            body += QStringLiteral("&Email=") + QueryEncode(m_Contacts[r].Email) +
                    QStringLiteral("&FirstName=") + QueryEncode(name(m_Contacts[r].Name));
        else
            body += QStringLiteral("&Email=") + QueryEncode(entry->text()) +
                    QStringLiteral("&FirstName=");
    }
    body += QStringLiteral("&Message=") + QueryEncode(txtMessage->toPlainText());
    return body;
}

void frmRefer::SendReferral() {
    const QString reply = modInternet::GetASPData(
        gServerPath + QStringLiteral("submitPotentialUsers.asp"), ReferralBody());
    if (reply == QLatin1String("OK"))
        platform::MsgBox(
            QStringLiteral("Thank you. Emails have been sent to the users you specified."),
            platform::vbInformation, QStringLiteral("Emails sent"));
    else
        platform::MsgBox(QStringLiteral("An error occuring while contacting the server. Please "
                                        "try again later."),
                         platform::vbInformation, QStringLiteral("Emails not sent"));
}
