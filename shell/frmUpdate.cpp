#include "shell/frmUpdate.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Latin1Text.h"
#include "platform/TransferControl.h"
#include "platform/Twips.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPointer>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <cctype>

namespace {

// Pictures the page may bring, and the most pixels one may have: the page is
// a short note, and each picture is held decoded in memory.
constexpr int kMaxPictures = 16;
constexpr qint64 kMaxPicturePixels = 2048 * 2048;

// The view of the update page. Its pictures come only from the server,
// through the program's transfer control (QTextBrowser's own loader reads
// local files and knows no web).
class PageView : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

// The character set a page declares: its Content-Type header first, then
// a meta tag near its start; "" when it declares none.
QByteArray DeclaredCharset(const QByteArray& headers, const QByteArray& body) {
    const auto charsetIn = [](const QByteArray& text) -> QByteArray {
        const qsizetype at = text.toLower().indexOf("charset=");
        if (at < 0)
            return {};
        QByteArray name;
        for (qsizetype i = at + 8; i < text.size(); ++i) {
            const char c = text.at(i);
            if (c == '"' || c == '\'') {
                if (name.isEmpty())
                    continue;
                break;
            }
            if (!std::isalnum(static_cast<uchar>(c)) && c != '-' && c != '_' && c != ':' &&
                c != '.')
                break;
            name += c;
        }
        return name.toLower();
    };
    for (const QByteArray& line : headers.split('\n'))
        if (line.trimmed().toLower().startsWith("content-type:"))
            if (const QByteArray name = charsetIn(line); !name.isEmpty())
                return name;
    return charsetIn(body.left(2048));
}

QString PageText(const QByteArray& headers, const QByteArray& body) {
    const QByteArray charset = DeclaredCharset(headers, body);
    // Without a declaration, or with one of the 8-bit Western sets, the
    // service's own code page.
    if (charset.isEmpty() || charset == "windows-1252" || charset == "iso-8859-1" ||
        charset == "latin1" || charset == "us-ascii")
        return platform::DecodeAnsi(body);
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return platform::DecodeAnsi(body);
    return decoder.decode(body);
}

} // namespace

frmUpdate::frmUpdate(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Update Available"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(platform::TwipsToPixels(QSize(7815, 4290)));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    WebBrowser1 = new PageView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(platform::TwipsRect(0, 0, 7815, 3615));
    // Links go to the user's browser through the shell, not into this view.
    WebBrowser1->setOpenLinks(false);

    cmdPostpone = new QPushButton(QStringLiteral("Postpone"), this);
    cmdPostpone->setObjectName(QStringLiteral("cmdPostpone"));
    cmdPostpone->setGeometry(platform::TwipsRect(6480, 3840, 1200, 330));

    cmdUpdate = new QPushButton(QStringLiteral("Update Now"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setGeometry(platform::TwipsRect(5160, 3840, 1200, 330));

    setTabOrder(WebBrowser1, cmdPostpone);
    setTabOrder(cmdPostpone, cmdUpdate);

    connect(cmdUpdate, &QPushButton::clicked, this, &frmUpdate::cmdUpdate_Click);
    connect(cmdPostpone, &QPushButton::clicked, this, &frmUpdate::cmdPostpone_Click);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, &frmUpdate::WebBrowser1_AnchorClicked);

    platform::CenterOnScreen(this);
    Form_Load();
}

frmUpdate::~frmUpdate() {
    // A page that has not arrived is of no use any more; the control must
    // not stay busy with it.
    if (transfer_ != 0)
        modInternet::Inet1().CancelTransfer(transfer_);
    for (const int id : pictures_)
        modInternet::Inet1().CancelTransfer(id);
}

QString frmUpdate::PageAddress() {
    return QStringLiteral("http://") + modGlobals::gServerBase +
           QStringLiteral("../UpdateAvailable.asp?Version=") + modGlobals::gVersion;
}

void frmUpdate::Form_Load() {
    address_ = PageAddress();
    // Fetched in the background: a slow or dead server leaves the buttons
    // usable, and the page appears when it comes.
    QPointer<frmUpdate> self(this);
    transfer_ =
        modInternet::Inet1().Execute(address_, QStringLiteral("GET"), QByteArray(), QString(),
                                     [self](const platform::TransferResult& result) {
                                         if (self)
                                             self->PageArrived(result);
                                     });
}

void frmUpdate::PageArrived(const platform::TransferResult& result) {
    transfer_ = 0;
    if (result.ok()) {
        WebBrowser1->setHtml(PageText(result.headers, result.body));
        FetchPictures();
    } else {
        WebBrowser1->setPlainText(
            QStringLiteral("The description of the update could not be loaded."));
    }
    emit PageFinished();
}

void frmUpdate::FetchPictures() {
    // Addresses relative to the page; only those on the server are fetched.
    const QUrl page(address_, QUrl::TolerantMode);
    const QUrl server(QStringLiteral("http://") + modGlobals::gServerHost + QLatin1Char('/'));
    QStringList names;
    QTextDocument* doc = WebBrowser1->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat() && !names.contains(format.toImageFormat().name()))
                names << format.toImageFormat().name();
        }
    QPointer<frmUpdate> self(this);
    for (const QString& name : std::as_const(names)) {
        if (pictures_.size() >= kMaxPictures)
            break;
        const QUrl address = page.resolved(QUrl(name));
        if (address.scheme() != QLatin1String("http") || address.host() != server.host() ||
            address.port(80) != server.port(80))
            continue;
        const int id = modInternet::Inet1().Execute(
            QString::fromLatin1(address.toEncoded()), QStringLiteral("GET"), QByteArray(),
            QString(), [self, name](const platform::TransferResult& result) {
                if (self)
                    self->PictureArrived(name, result);
            });
        pictures_.push_back(id);
    }
}

void frmUpdate::PictureArrived(const QString& name, const platform::TransferResult& result) {
    if (!result.ok())
        return;
    QBuffer buffer;
    buffer.setData(result.body);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPicturePixels)
        return;
    const QImage image = reader.read();
    if (image.isNull())
        return;
    QTextDocument* doc = WebBrowser1->document();
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    // Lay the page out again with the picture's size.
    doc->markContentsDirty(0, doc->characterCount());
    ++picturesShown_;
}

void frmUpdate::WebBrowser1_AnchorClicked(const QUrl& link) {
    const QUrl target = QUrl(address_, QUrl::TolerantMode).resolved(link);
    if (target.isValid())
        modInternet::OpenDocument(target.toString(QUrl::FullyEncoded));
}

void frmUpdate::cmdUpdate_Click() {
    bRet = true;
    hide(); // ends the modal show
}

void frmUpdate::cmdPostpone_Click() {
    bRet = false;
    hide();
}
