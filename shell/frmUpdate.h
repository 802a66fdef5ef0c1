#pragma once
// The update prompt: shows the server's page about a newer version and
// returns the member's choice in bRet. The login shows it modally, reads bRet
// and unloads it.
#include <QDialog>
#include <QList>
#include <QString>

class QPushButton;
class QTextBrowser;

namespace platform {
struct TransferResult;
}

class frmUpdate : public QDialog {
    Q_OBJECT
public:
    explicit frmUpdate(QWidget* parent = nullptr);
    ~frmUpdate() override;

    // "http://" & gServerBase & "../UpdateAvailable.asp?Version=" & gVersion.
    static QString PageAddress();
    // True once the page fetch has ended, whether or not it brought a page.
    bool PageDone() const { return transfer_ == 0; }
    // Pictures of the page shown so far.
    int PicturesShown() const { return picturesShown_; }

    QTextBrowser* WebBrowser1 = nullptr;
    QPushButton* cmdPostpone = nullptr;
    QPushButton* cmdUpdate = nullptr;

    bool bRet = false; // true = update now; false = postpone (or closed)

signals:
    void PageFinished();

private:
    void Form_Load();
    void cmdUpdate_Click();
    void cmdPostpone_Click();
    void WebBrowser1_AnchorClicked(const QUrl& link);
    void PageArrived(const platform::TransferResult& result);
    // The page's pictures, from the server through the transfer control.
    void FetchPictures();
    void PictureArrived(const QString& name, const platform::TransferResult& result);

    QString address_;
    int transfer_ = 0;
    QList<int> pictures_; // transfers started for pictures
    int picturesShown_ = 0;
};
