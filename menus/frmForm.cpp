// The form panel's window, its members of the chain, and the building of the
// panel from its form-definition file.
#include "menus/frmForm.h"

#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/ChainCapture.h"
#include "platform/Latin1Text.h"
#include "platform/RequestWait.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <exception>

using namespace modGlobals;
using menus::ChainCapture;
using platform::TwipsRect;
using platform::TwipsToPixelsX;
using platform::TwipsToPixelsY;

namespace {

constexpr int kFieldHeightTwips = 285;
constexpr int kSelectHeightTwips = 315;
constexpr int kButtonWidthTwips = 1200;
constexpr int kButtonHeightTwips = 330;
// The size of a panel whose file gave none (a wrong version).
constexpr int kEmptyWidthTwips = 2400;
constexpr int kEmptyHeightTwips = 1200;

int g_downloadTimeoutMs = 10000;

// The decoded pictures of one panel together. A panel is at most a screen
// across; eight pictures of 5000 x 5000 pixels took 816 MB.
constexpr qint64 kPictureBudgetBytes = 32LL * 1024 * 1024;

QPointer<frmForm>& OpenPanel() {
    static QPointer<frmForm> panel;
    return panel;
}

// A control made for the panel: the template's font and no keyboard focus
// until it is shown.
template <typename T> T* Template(QWidget* parent, const char* name) {
    T* control = new T(parent);
    control->setObjectName(QString::fromLatin1(name) + QStringLiteral("(0)"));
    control->hide();
    return control;
}

} // namespace

void menus::FormCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    SkinElement client;
    if (skin_.GetElement(QStringLiteral("Client"), &client))
        PaintSkinBackground(p, client, size());
    else
        p.fillRect(rect(), palette().color(QPalette::Window));
    skin_.PaintFrame(p, size());
}

void menus::FormCombo::showPopup() {
    emit DroppedDown();
    QComboBox::showPopup();
}

frmForm::frmForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The layouts are measured for an 8-point dialog font.
    QFont f = font();
    f.setPointSizeF(8.0);
    setFont(f);

    picFormBox = new menus::FormCanvas(skinForm, this);
    picFormBox->setObjectName(QStringLiteral("picForm"));
    picFormBox->setMouseTracking(true);
    picFormBox->installEventFilter(this);

    lblText.push_back(Template<QLabel>(picFormBox, "lblText"));
    txtField.push_back(Template<QLineEdit>(picFormBox, "txtField"));
    cboSelect.push_back(Template<menus::FormCombo>(picFormBox, "cboSelect"));
    imgX.push_back(Template<QLabel>(picFormBox, "imgX"));

    cmdSubmit = new QPushButton(QStringLiteral("Submit"), picFormBox);
    cmdSubmit->setObjectName(QStringLiteral("cmdSubmit"));
    cmdSubmit->setDefault(true);
    cmdSubmit->setGeometry(TwipsRect(0, 0, kButtonWidthTwips, kButtonHeightTwips));
    connect(cmdSubmit, &QPushButton::clicked, this, &frmForm::cmdSubmit_Click);

    resize(TwipsToPixelsX(kEmptyWidthTwips), TwipsToPixelsY(kEmptyHeightTwips));
    picFormBox->setGeometry(rect());
}

frmForm::~frmForm() {
    QWidget* holder = ChainCapture::Instance().Holder();
    if (holder && (holder == this || isAncestorOf(holder)))
        ChainCapture::Instance().ReleaseCapture();
}

frmForm* frmForm::Instance() {
    QPointer<frmForm>& panel = OpenPanel();
    if (!panel)
        panel = new frmForm();
    return panel;
}

void frmForm::SetDownloadTimeoutMs(int ms) {
    g_downloadTimeoutMs = ms;
}

// --- members of the chain ---------------------------------------------------

void frmForm::GetCapture() {
    // An unloaded panel takes nothing: it is about to go.
    if (m_Unloaded)
        return;
    ChainCapture::Instance().SetCapture(picFormBox);
    m_HaveCapture = true;
}

void frmForm::ReleaseFormCapture() {
    // Only our own: the parent may have taken the capture a moment ago.
    if (ChainCapture::Instance().Holder() == picFormBox)
        ChainCapture::Instance().ReleaseCapture();
    m_HaveCapture = false;
}

void frmForm::Unload() {
    if (m_Unloaded)
        return;
    m_Unloaded = true;
    ReleaseFormCapture();
    if (OpenPanel() == this)
        OpenPanel() = nullptr;
    hide();
    // From inside our own handlers (Submit, a click outside) the window
    // must outlive the call. Closed while one of its pictures is fetched,
    // it also outlives the wait: Qt would carry out a deleteLater made
    // inside the wait's event processing before the fetch returns to us.
    platform::Defer(this, [this] { deleteLater(); });
}

void frmForm::SetParentCategoryID(int newParentCategoryID) {
    m_ParentCategoryID = newParentCategoryID;
    const ItemPtr item = ItemManager().GetItem(newParentCategoryID);
    m_FormFile = item ? item->Form : QString();
    DrawForm();
}

QString frmForm::Tag(const QWidget* control) {
    return control ? control->property("Tag").toString() : QString();
}

// --- building ---------------------------------------------------------------

void frmForm::DrawForm() {
    const QString location = QStringLiteral("frmForm.DrawForm");
    // The panel shows the waits for its file and pictures: closed meanwhile,
    // it ends the one under way, asks for nothing more and reports nothing.
    const platform::WaitWindow shown(this);
    try {
        // A name from the server becomes a path only when it is a plain
        // file name and none of the programs' own files (a wrong version line
        // would delete the menu table): nothing is fetched, read, written or
        // deleted otherwise.
        if (!IsPlainFileName(m_FormFile) || IsProgramDataFile(m_FormFile) || gDataPath.isEmpty()) {
            cmdSubmit->hide();
            ShowError(QStringLiteral("Bad file name or number"), 52, location);
            return;
        }
        const QString path = gDataPath + m_FormFile;
        if (!QFile::exists(path))
            modInternet::DownloadFileWithin(
                QStringLiteral("../data/") +
                    QString::fromLatin1(platform::EncodeAnsi(m_FormFile).toPercentEncoding()),
                path, g_downloadTimeoutMs, 4 * g_downloadTimeoutMs);
        if (m_Unloaded)
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            cmdSubmit->hide();
            ShowError(QStringLiteral("File not found"), 53, location);
            return;
        }
        const QByteArray bytes = file.readAll();
        file.close();
        const menus::FormDefinition def = menus::ParseFormDefinition(bytes);
        if (!def.VersionOK) {
            // So that the next opening downloads it again; no message.
            QFile::remove(path);
            cmdSubmit->hide();
            return;
        }
        BuildForm(def);
        if (!def.Error.isEmpty())
            ShowError(def.Error, def.ErrorNumber, location);
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 0, location);
    }
}

void frmForm::BuildForm(const menus::FormDefinition& def) {
    if (!def.HaveSize)
        return;
    const QSize size(TwipsToPixelsX(def.Width), TwipsToPixelsY(def.Height));
    resize(size);
    picFormBox->setGeometry(QRect(QPoint(0, 0), size));
    skinForm.ApplySkin(menus::SkinStorage::ForWindow(QStringLiteral("form"), true), this);
    // The skin's frame is painted into the picture: the panel's controls sit
    // at the file's places from the panel's corner.
    setContentsMargins(0, 0, 0, 0);
    picFormBox->update();

    if (!def.HaveSubmitURL)
        return;
    m_SubmitURL = def.SubmitURL;
    if (!def.HaveButton)
        return;
    cmdSubmit->setGeometry(
        TwipsRect(def.ButtonLeft, def.ButtonTop, def.ButtonWidth, kButtonHeightTwips));
    cmdSubmit->setText(def.ButtonCaption);

    for (const QString& line : def.Hidden) {
        if (m_HiddenCount >= menus::FormDefinition::kMaxHidden)
            break;
        m_Hidden[m_HiddenCount++] = line;
    }
    for (const menus::FormLabel& l : def.Labels)
        AddLabel(l.Caption, l.Left, l.Top);
    for (const menus::FormField& f : def.Fields)
        AddTextField(f.Name, f.Left, f.Top, f.Width, f.MaxLength);
    for (const menus::FormSelect& s : def.Selects)
        AddSelect(s);
    for (const menus::FormPicture& p : def.Pictures)
        if (!AddImage(p.File, p.Left, p.Top))
            return;
}

void frmForm::AddLabel(const QString& Caption, int Left, int Top) {
    auto* label = new QLabel(picFormBox);
    label->setObjectName(QStringLiteral("lblText(%1)").arg(lblText.size()));
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setText(Caption);
    label->move(platform::TwipsToPixels(QPoint(Left, Top)));
    label->adjustSize();
    label->show();
    lblText.push_back(label);
}

void frmForm::AddTextField(const QString& Name, int Left, int Top, int Width, int MaxLength) {
    auto* field = new QLineEdit(picFormBox);
    field->setObjectName(QStringLiteral("txtField(%1)").arg(txtField.size()));
    field->setProperty("Tag", Name);
    field->setGeometry(TwipsRect(Left, Top, Width, kFieldHeightTwips));
    field->setMaxLength(MaxLength > 0 ? MaxLength : 32767);
    field->setMouseTracking(true);
    field->installEventFilter(this);
    // The typed text goes to the server in the file's own code page.
    platform::KeepAnsi(field);
    field->show();
    txtField.push_back(field);
}

void frmForm::AddSelect(const menus::FormSelect& select) {
    const int k = static_cast<int>(cboSelect.size());
    if (k > menus::FormDefinition::kMaxSelects)
        return; // the reading refused it already
    auto* list = new menus::FormCombo(picFormBox);
    list->setObjectName(QStringLiteral("cboSelect(%1)").arg(k));
    list->setProperty("Tag", select.Name);
    list->setGeometry(TwipsRect(select.Left, select.Top, select.Width, kSelectHeightTwips));
    list->setMouseTracking(true);
    list->installEventFilter(this);
    list->show();
    list->addItems(select.Texts);
    m_SelectValues[static_cast<size_t>(k)] = select.Values;
    list->setCurrentIndex(select.Texts.isEmpty() ? -1 : 0);
    connect(list, &menus::FormCombo::DroppedDown, this, [this, list] { cboSelect_DropDown(list); });
    cboSelect.push_back(list);
}

bool frmForm::AddImage(const QString& File, int Left, int Top) {
    const QString location = QStringLiteral("frmForm.DrawForm");
    if (!IsPlainFileName(File) || gImagesPath.isEmpty()) {
        ShowError(QStringLiteral("Bad file name or number"), 52, location);
        return false;
    }
    const QString path = gImagesPath + File;
    bool fetched = false;
    if (!QFile::exists(path))
        fetched = modInternet::DownloadFileWithin(
            QStringLiteral("/images/") +
                QString::fromLatin1(platform::EncodeAnsi(File).toPercentEncoding()),
            path, g_downloadTimeoutMs, 4 * g_downloadTimeoutMs);
    if (m_Unloaded)
        return false;
    if (!QFile::exists(path)) {
        ShowError(QStringLiteral("File not found"), 53, location);
        return false;
    }
    // The size is read before the pixels: a picture past what is left of
    // the panel's budget is never decoded.
    QImageReader reader(path);
    const QSize size = reader.size();
    const qint64 left = kPictureBudgetBytes - m_PictureBytes;
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > left) {
        ShowError(QStringLiteral("Out of memory"), 7, location);
        return false;
    }
    reader.setAllocationLimit(int(left / (1024 * 1024)) + 1);
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        // A body that is no picture (an error page sent as 200) would
        // otherwise be taken for the picture by every later opening.
        if (fetched)
            QFile::remove(path);
        ShowError(QStringLiteral("Invalid picture"), 481, location);
        return false;
    }
    m_PictureBytes += decoded.sizeInBytes();
    const QPixmap picture = QPixmap::fromImage(decoded);
    auto* image = new QLabel(picFormBox);
    image->setObjectName(QStringLiteral("imgX(%1)").arg(imgX.size()));
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    image->setPixmap(picture);
    image->setGeometry(QRect(platform::TwipsToPixels(QPoint(Left, Top)),
                             picture.deviceIndependentSize().toSize()));
    image->show();
    imgX.push_back(image);
    return true;
}
