#pragma once
// The one window of Enlist, the enrolment wizard. Loading the window is the
// start of the program and unloading it the end: main builds it, runs
// Form_Load, and shows it unless loading already ended the program.
//
// The six pages lie in one stack on the same spot; the three buttons below
// are shared. Controls, the page index and the handlers are public so that
// tests drive the wizard as a user would.
#include "enlist/EnlistControls.h"
#include "enlist/EnlistLink.h"

#include <QMap>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace platform {
class TransferControl;
}

class frmEnlist : public QWidget {
    Q_OBJECT
public:
    // What the status page says of an account: enrolment complete,
    // unfinished (with its id and e-mail), refused ("NO"), or nothing usable.
    struct StatusReply {
        enum Kind { Complete, Unfinished, Refused, Malformed } kind = Malformed;
        qint32 userId = 0;
        QString email;
    };
    static StatusReply ParseStatusReply(const QString& reply);
    // The account id that step 1 of a new account answers with, or none.
    static std::optional<qint32> ParseAccountReply(const QByteArray& body);
    // The web address of the database installer that the locator answers
    // with; "" when the answer names none.
    static QString ParseInstallerAddress(const QString& reply);
    // The user name that the name check suggests instead of the typed one,
    // kept to what the user-name box takes; "" when the typed name is free.
    QString SuggestedUserName(const QByteArray& body) const;

    // commandLine: the whole parameter text of the process.
    explicit frmEnlist(const QString& commandLine, QWidget* parent = nullptr);
    ~frmEnlist() override;

    // Start-up: command line, settings, pages, lists, first page.
    void Form_Load();
    // Close-box check; UnloadMode 0 is the user's close box, anything else
    // an unload from code or by the system.
    void Form_QueryUnload(bool& Cancel, int UnloadMode);
    // Ends the program: the window goes without a question.
    void Unload();
    bool IsUnloaded() const { return unloaded_; }

    // Index of the visible page (0 to 5).
    int CurrentPage() const;

    // Wizard handlers.
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdEnlist_Click();

    // Server link: synchronous POST to a page of the default server host;
    // the reply text, "" when no answer came.
    QString GetASPData(const QString& URL, const QString& Data);
    // The same POST with its status: the wait cursor shows meanwhile, and
    // keys and clicks given during it are dropped, not run after it.
    EnlistLink::PostResult Request(const QString& path, const QString& data);
    static QString URLEncode(const QString& Text);
    // Focus colours: the tooltip colours while a field has the focus.
    void CtlGotFocus(QWidget* Ctl);
    void CtlLostFocus(QWidget* Ctl);
    // Fetches and starts the database installer, then unloads the window.
    void DownloadDB();

    // Whether the machine has a network connection; a test may replace it.
    static inline std::function<bool()> InternetGetConnectedState;
    static bool RealConnectedState();

    // Form-level state.
    QString EnlistCommandLine;
    qint32 UserID = 0;
    bool AddNewMode = false;
    bool RegisterMode = false;

    // Controls outside the pages.
    QLabel* Image1 = nullptr;
    std::array<QFrame*, 2> Line1{};
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdCancel = nullptr;
    platform::TransferControl* Inet1 = nullptr;
    QStackedWidget* stkPanels = nullptr;
    std::array<QWidget*, 6> picPanel{};

    // Labels by their design index; lblTitle(0..4) are the page titles of
    // pages 1 to 5.
    QMap<int, QLabel*> Label1;
    std::array<QLabel*, 5> lblTitle{};
    QLabel* lblLogin = nullptr;

    // Page 0.
    QPushButton* cmdEnlist = nullptr;
    EnlistTextBox* txtLoginUserName = nullptr;
    EnlistTextBox* txtLoginPassword = nullptr;
    // Page 1.
    EnlistTextBox* txtUserName = nullptr;
    EnlistTextBox* txtPassword = nullptr;
    EnlistTextBox* txtPassword2 = nullptr;
    EnlistTextBox* txtEmail = nullptr;
    EnlistTextBox* txtReferrer = nullptr;
    // Page 2.
    EnlistTextBox* txtFirstName = nullptr;
    EnlistTextBox* txtLastName = nullptr;
    EnlistTextBox* txtAddress1 = nullptr;
    EnlistTextBox* txtAddress2 = nullptr;
    EnlistTextBox* txtCity = nullptr;
    EnlistCombo* cboState = nullptr;
    EnlistTextBox* txtZip = nullptr;
    EnlistCombo* cboCountry = nullptr;
    EnlistTextBox* txtPhone = nullptr;
    // Page 3.
    EnlistCombo* cboDOBMonth = nullptr;
    EnlistCombo* cboDOBYear = nullptr;
    EnlistCombo* cboGender = nullptr;
    EnlistCombo* cboEducation = nullptr;
    EnlistCombo* cboIncome = nullptr;
    EnlistCombo* cboMaritalStatus = nullptr;
    EnlistCombo* cboEmployment = nullptr;
    EnlistCombo* cboHoursOnline = nullptr;
    EnlistCombo* cboFrequency = nullptr;

signals:
    // The window is gone; the program ends.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout (frmEnlist.cpp).
    void BuildWindow();
    void BuildLoginPage();
    void BuildAccountPage();
    void BuildAddressPage();
    void BuildProfilePage();
    void BuildClosingPages();
    void ConnectFields();
    void SetTabOrder();
    void FillLists();

    // Flow (frmEnlistFlow.cpp).
    void EnterFinishMode(const StatusReply& status);
    // Asks the server for the enrolment state of the login page's account.
    StatusReply FetchStatus();
    void RegisterStatusCheck();
    void NextOnLogin();
    void NextOnAccount();
    void NextOnAddress();
    void NextOnProfile();
    QString ProfileStep2Body() const;
    void ShowPage(int page);
    void KeyPressChain(EnlistTextBox* box, int& keyAscii);
    void ShowDownloadFallback();

    bool unloaded_ = false;
    bool unloadingFromCode_ = false;
};
