#pragma once
// The mail program's contacts, as the refer-a-friend wizard lists them. The
// design drove a desktop mail program by automation; Linux has no such
// program in common, so the Linux implementation reads one vCard file (3.0 or
// 4.0, as address books export it) whose path the registry layer names:
// HKEY_CURRENT_USER "Software\Tarvel\Contacts", value "VCardFile". With no
// such value, or no readable file, there are no contacts. Tests install a
// scripted source (tests/support/Scripted.h).
#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

struct Contact {
    QString lastFirst; // "Last, First" as a mail program lists it; "" when unnamed
    QString firstName;
    QString email; // the first address; "" when the card has none
};

class Contacts {
public:
    virtual ~Contacts() = default;
    // Every contact in the source's own order; empty when there is no source.
    virtual QList<Contact> ReadContacts() = 0;
};

// The source in use: the Linux one unless a test installed another. The
// caller of SetContacts keeps ownership; nullptr returns to the default.
Contacts& contacts();
void SetContacts(Contacts* replacement);

// The cards of a vCard text (folded lines joined, escapes undone). A card
// without an END line still counts; text outside cards is ignored.
QList<Contact> ParseVCards(const QByteArray& text);

// The entries of an address book "NNdbase.txt": fields separated by commas
// and line ends; a field "alias NAME ADDRESS" or "alias "TWO WORDS" ADDRESS"
// names one entry (the address up to a ","). Other fields, and an alias
// without a name or an address, give none.
struct AddressBookEntry {
    QString name;
    QString email;
};
QList<AddressBookEntry> ParseAddressBook(const QByteArray& text);

// Where the Linux source reads from ("" when the registry names no file).
QString VCardFilePath();

} // namespace platform
