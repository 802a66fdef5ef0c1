#pragma once
// The error dialog: shows a run-time error that ShowError put into it and
// lets the user report it to the server through the browser. There is one at
// a time; a second error refills the one that is open.
#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmError : public QDialog {
    Q_OBJECT
public:
    explicit frmError(QWidget* parent = nullptr);
    ~frmError() override;

    // The dialog that is loaded, or nullptr.
    static frmError* Loaded();
    // The loaded dialog, created (loaded) on first use.
    static frmError* Get();
    // What ShowError does: fills the one dialog and shows it, not modal.
    static void ShowError(const QString& errorMsg, int errorNo, const QString& location);

    // The page (below gServerBase) that Report Error opens.
    QString ReportPage() const;
    // Hides the dialog and deletes it later; Loaded() is null at once.
    void Unload();

    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtError = nullptr;
    QPushButton* cmdReport = nullptr;
    QPushButton* cmdClose = nullptr;

    QString ErrorMsg;
    int ErrorNo = 0;
    QString Version;
    QString Location;

public slots:
    // Esc unloads the dialog as its close box does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void cmdReport_Click();
    void cmdClose_Click();
};
