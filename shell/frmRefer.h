#pragma once
// The refer-a-friend wizard. Page 1 collects up to 20 addresses, typed or
// picked from the contacts (the contacts layer, platform/Contacts.h, and the
// address book "NNdbase.txt" in the folder the registry layer names), and
// shows the reward estimate in the locale's currency; page 2 shows the
// standard invitation ("Email.txt", "%ID%" = the user id) and takes a
// personal message. Finish posts the list to submitPotentialUsers.asp with
// every value form-encoded. Shown modally; gReferLoaded is true while open.
#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class frmRefer : public QDialog {
    Q_OBJECT
public:
    explicit frmRefer(QWidget* parent = nullptr);
    ~frmRefer() override;

    // Shows a new wizard modally; a second request while one is open brings
    // that one forward.
    static void ShowModal();
    static frmRefer* Loaded();

    // The contact table holds this many records; more are not listed.
    static constexpr int kMaxContacts = 500;
    // Recipients per referral.
    static constexpr int kMaxRecipients = 20;
    // Reward estimate per recipient, in the currency's units.
    static constexpr int kRewardPerRecipient = 45;

    struct AddressEntry {
        QString name;
        QString email;
    };
    // The "alias" entries of an address-book text: fields split at commas
    // and line ends; `alias name address` or `alias "two words" address`.
    // An entry without a name and an address after it is skipped.
    static QList<AddressEntry> ParseAddressBook(const QByteArray& text);

    // The POST body that Finish sends for the recipients now listed.
    QString ReferralBody() const;

    // Page 1
    QLabel* picLogo0 = nullptr;
    QLabel* lblTotal = nullptr;
    QLineEdit* txtEmail = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdShow = nullptr;
    QLabel* lblSorting = nullptr;
    QListWidget* lstFriends = nullptr;
    QPushButton* cmdAddAll = nullptr;
    QPushButton* cmdAddFriend = nullptr;
    QPushButton* cmdRemoveAll = nullptr;
    QPushButton* cmdRemove = nullptr;
    QListWidget* lstEmails = nullptr;
    // Page 2
    QLabel* picLogo2 = nullptr;
    QPlainTextEdit* txtMessage = nullptr;
    QPlainTextEdit* txtCanned = nullptr;
    // Both
    QWidget* picPanel[3] = {}; // 0 and 2 are the pages
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;

    // Records in use (1 to m_ContactCount); record 0 is not used.
    int ContactCount() const { return static_cast<int>(m_Contacts.size()) - 1; }

    void cmdAdd_Click();
    void cmdShow_Click();
    void cmdAddFriend_Click();
    void cmdAddAll_Click();
    void cmdRemove_Click();
    void cmdRemoveAll_Click();
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPage1();
    void BuildPage2();
    void Form_Load();
    // Adds a record and its entry in lstFriends; false when the table is full.
    bool AddContact(const QString& listText, const QString& name, const QString& email);
    void LoadOutlookContacts();
    void LoadEudoraAddresses();
    void ContactsFull();
    void MoveEntry(QListWidget* from, int row, QListWidget* to);
    void SetAddButtons(bool enabled);
    void UpdateTotal();
    void SendReferral();

    struct Record {
        QString Name;
        QString Email;
    };
    std::vector<Record> m_Contacts{Record()};
    bool m_FullReported = false;
};
