#pragma once
// The About box: the program's title and version, the member it is licensed
// to, the licence text from the data folder ("EUL.txt") and a button that
// starts the system-information tool. Shown modally; gAboutLoaded is true
// while it exists.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // Shows a new About box modally and returns when it is closed; a second
    // request while one is open brings that one forward instead.
    static void ShowModal();
    static frmAbout* Loaded();

    // Starts the system-information tool: the registry's MSINFO path, else
    // MSINFO32.EXE in the registry's shared-tools folder, else a known Linux
    // tool on the PATH; with none, the message "System Information Is
    // Unavailable At This Time".
    void StartSysInfo();
    // Reads one value of the registry layer into KeyVal: a string as it
    // stands, a 32-bit number as "&h" and its bytes' hex codes from the last
    // to the first. False (KeyVal "") when the key or value is missing.
    bool GetKeyValue(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblLicense = nullptr;
    QPlainTextEdit* txtEUL = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
};
