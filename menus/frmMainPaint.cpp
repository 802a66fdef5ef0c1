// The home menu's painting: sizing the window to its rows, the skin
// background, rows, icons, divider, search strip and the highlight bar. All
// of it goes into pictures that keep their image (the canvas, the bar, the
// strip), so an exposed window is only copied, never repainted.
#include "menus/frmMain.h"

#include "core/ButtonWindow.h"
#include "core/ItemIds.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "menus/IconLibrary.h"
#include "menus/RowPainter.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QFile>
#include <QPainter>

#include <exception>

using namespace modGlobals;
using menus::IconLibrary;
using menus::ImageList;

namespace {

constexpr int kTextLeftTwips = 420;
constexpr int kStripLeftTwips = 220;
constexpr int kIconLeftTwips = 60;

using menus::NewSurface;
using menus::Region;

} // namespace

QFont frmMain::RowFont() const {
    return menus::RowFont();
}

int frmMain::RowCount() const {
    return m_Items ? qMin(m_Items->Count(), m_ShownRows) : 0;
}

int frmMain::RowsThatFit(int n, int frameTwips) const {
    // Whole window heights in twips, in 64 bits: a list of any length must
    // not overflow the sum.
    const qint64 tppY = platform::TwipsPerPixelY();
    const qint64 fixed = frameTwips + kSearchBoxHeightTwips + 240;
    const qint64 full = fixed + qint64(n) * kRowHeight * tppY;
    const QRect button = ButtonRect();
    const qint64 above = qint64(button.top()) * tppY;
    const qint64 below =
        qint64(platform::ScreenRect().height() - button.top() - button.height()) * tppY;
    if (full <= above || full <= below)
        return n;
    // Neither side holds it: it opens above the button, up to the screen's
    // top, with the rows that fit and the search strip always shown.
    const qint64 rows = (above - fixed) / (kRowHeight * tppY);
    return int(qBound(qint64(0), rows, qint64(n)));
}

int frmMain::RowAt(int clientY) const {
    return menus::RowAt(clientY);
}

QRect frmMain::StripRect() const {
    return QRect(picSearch->pos() - ClientOrigin(), picSearch->size());
}

QRect frmMain::SearchButtonRect() const {
    // 1380 < x < 1635 twips across, on the search field's band (the design's
    // vertical figure lies over the rows and would turn row clicks into
    // searches).
    const QRect strip = StripRect();
    const int left = platform::TwipsToPixelsX(1380) + 1;
    const int right = platform::TwipsToPixelsX(1635) - 1;
    return QRect(left, strip.top(), right - left + 1, strip.height());
}

void frmMain::FillHomeMenu() {
    try {
        IconLibrary::Instance().LookAtImagesFolder();
        ItemCollectionPtr items =
            itemsSource_ ? itemsSource_() : ItemManager().GetHomeMenuCollection(gUserID);
        // A failed fetch has told the user already: show an empty menu
        // rather than a second error.
        m_Items = items ? items : std::make_shared<ItemCollection>();
        const int tppX = platform::TwipsPerPixelX();
        const int tppY = platform::TwipsPerPixelY();

        skinForm.ApplySkin(menus::SkinStorage::ForWindow(QStringLiteral("home"), gTrueColor), this);
        // The skin's frame lies around the client part: the first fill makes
        // room for it too, so a later refill of the same rows keeps the size.
        const int frameTwips = 2 * skinForm.Border() * tppY;
        // Rows that cannot be shown get no window, canvas or bar.
        m_ShownRows = RowsThatFit(m_Items->Count(), frameTwips);
        const int n = m_ShownRows;
        const int clientPart = n * kRowHeight * tppY + kSearchBoxHeightTwips + 240;
        const int heightTwips = m_ClientHeight > 0 ? (height() * tppY - m_ClientHeight) + clientPart
                                                   : frameTwips + clientPart;
        resize(kWidth, heightTwips / tppY);

        menus::SkinElement client;
        const bool haveClient = skinForm.GetElement(QStringLiteral("Client"), &client);
        const int b = skinForm.Border();
        const int cw = haveClient ? client.Width : width() - 2 * b;
        const int ch = haveClient ? client.Height : height() - 2 * b;
        m_ClientWidth = cw * tppX;
        m_ClientHeight = ch * tppY;

        const QPoint origin = ClientOrigin();
        const int stripTop = (m_ClientHeight - kSearchBoxHeightTwips - 1) / tppY;
        const int stripLeft = platform::TwipsToPixelsX(kStripLeftTwips);
        picSearch->move(origin + QPoint(stripLeft, stripTop));
        pMenu->setGeometry(QRect(origin, QSize(cw, ch)));

        QPixmap canvas = NewSurface(QSize(cw, ch), this);
        QPainter p(&canvas);
        if (haveClient)
            menus::PaintSkinBackground(p, client, QSize(cw, ch));
        menus::SkinElement panel;
        if (skinForm.GetElement(QStringLiteral("Panel"), &panel) && !panel.Picture.isNull())
            p.drawPixmap(0, ch - panel.Height, panel.Picture);
        m_Background = canvas.copy();

        PaintCaption(p);
        PaintRows(p);
        p.end();
        pMenu->Image = canvas;
        pMenu->update();
        PaintStrip(false);

        picHighlight->resize(cw, HighlightHeightTwips(tppY) / tppY);
        update();
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 0, QStringLiteral("frmMain.FillHomeMenu"));
    }
}

void frmMain::PaintRows(QPainter& p) {
    const int cw = pMenu->width();
    const menus::RowGeometry g = menus::RowGeometry::For(cw);
    const QPixmap arrow =
        IconLibrary::Instance().Image(ImageList::imlIcons, QStringLiteral("MenuExpand"));
    p.setFont(RowFont());
    p.setPen(Qt::black);
    int divider = -1;
    const auto& entries = m_Items->Entries();
    for (int r = 0; r < RowCount(); ++r) {
        const clsItem* item = entries[r].item.get();
        if (!item)
            continue;
        const int top = r * kRowHeight;
        if (item->ID == kSeparatorId) {
            m_SepRow = r;
            divider = r; // one pair of lines: the last divider wins
        } else {
            menus::PaintRowContent(p, g, top, *item, RowIcon(*item), arrow, false);
        }
        if (item->ID == kHotBuyCategoryId)
            m_FlashRow = r;
    }
    if (divider >= 0) {
        const int y = divider * kRowHeight;
        const QPalette pal = QApplication::palette();
        p.fillRect(QRect(0, y + 10, cw, 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(0, y + 11, cw, 1), pal.color(QPalette::Light));
    }
}

QPixmap frmMain::RowIcon(const clsItem& item) {
    IconLibrary& icons = IconLibrary::Instance();
    if (item.Icon.isEmpty() || !item.IsItem)
        return icons.Image(ImageList::imlIcons, QStringLiteral("FolderIcon"));
    // Painting never waits for the network: a missing icon file is asked of
    // the icon queue, once per opening (a failed or empty download must not
    // come back with every refill), and the row shows it when it arrives.
    IconLibrary::FileState state;
    const QPixmap pm = icons.LocalIcon(item.Icon, &state);
    const bool missing = state == IconLibrary::FileState::Missing;
    const bool empty = state == IconLibrary::FileState::Empty;
    if ((missing || empty) && !m_RequestedIcons.contains(item.Icon)) {
        m_RequestedIcons.insert(item.Icon);
        if (empty && QFile::remove(gImagesPath + item.Icon))
            icons.NoteIconFile(gImagesPath + item.Icon, false);
        windows::button().DownloadNewIcon(QStringLiteral("/images/") + item.Icon,
                                          gImagesPath + item.Icon, this);
    }
    return pm;
}

void frmMain::RefreshIcons() {
    if (!m_Loaded || m_Background.isNull())
        return;
    IconLibrary::Instance().LookAtImagesFolder();
    // The same rows again, on the background kept from the fill.
    QPixmap canvas = m_Background.copy();
    QPainter p(&canvas);
    PaintCaption(p);
    PaintRows(p);
    p.end();
    pMenu->Image = canvas;
    pMenu->update();
    if (picHighlight->isVisible() && m_SelIndex >= 1 && m_SelIndex <= RowCount())
        DrawHighlight();
}

void frmMain::PaintCaption(QPainter& p) {
    QFont caption = RowFont();
    caption.setPixelSize(11);
    caption.setBold(true);
    p.setFont(caption);
    p.setPen(CaptionColor());
    const int stripTop = picSearch->y() - ClientOrigin().y();
    const int stripLeft = platform::TwipsToPixelsX(kStripLeftTwips);
    p.drawText(QRect(stripLeft, stripTop - 16, pMenu->width() - stripLeft, 16),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("Search:"));
}

void frmMain::HideBar() {
    picHighlight->hide();
}

void frmMain::DrawHighlight() {
    const ItemPtr item = m_Items ? m_Items->Item(m_SelIndex) : nullptr;
    if (!item || m_Background.isNull())
        return;
    RedrawSearchArea();
    const int top = (m_SelIndex - 1) * kRowHeight;
    const QRect band(0, top, pMenu->width(), picHighlight->height());
    menus::ShowBar(picHighlight,
                   menus::PaintHighlightBar(m_Background, band, *item, RowIcon(*item), false, this),
                   ClientOrigin() + QPoint(0, top));
}

void frmMain::PaintStrip(bool highlighted) {
    const QSize size = picSearch->size();
    QPixmap strip = NewSurface(size, this);
    {
        QPainter p(&strip);
        if (!pMenu->Image.isNull()) {
            const QRect under(StripRect().topLeft(), size + QSize(2, 2));
            p.drawPixmap(
                0, 0, Region(pMenu->Image, under.intersected(QRect(QPoint(0, 0), pMenu->size()))));
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(highlighted ? picHighlight->BackColor : QColor(Qt::white));
        p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 4, 4);
        const QPixmap icon =
            IconLibrary::Instance().Image(ImageList::ImageList1, QStringLiteral("Search"));
        // Centred on the strip's height; the field starts right of it.
        if (!icon.isNull())
            p.drawPixmap(platform::TwipsToPixelsX(kIconLeftTwips) - 1, (size.height() - 16) / 2,
                         icon);
    }
    picSearch->Image = strip;
    picSearch->BackColor = highlighted ? picHighlight->BackColor : QColor(Qt::white);
    QPalette pal = txtSearch->palette();
    if (!txtSearch->hasFocus()) {
        pal.setColor(QPalette::Base, picSearch->BackColor);
        txtSearch->setPalette(pal);
    }
    picSearch->update();
}

void frmMain::DrawSearchBox() {
    PaintStrip(true);
    QPalette pal = lblSearch->palette();
    pal.setColor(QPalette::WindowText, HighlightTextColor());
    lblSearch->setPalette(pal);
}

void frmMain::RedrawSearchArea() {
    PaintStrip(false);
    QPalette pal = lblSearch->palette();
    pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    lblSearch->setPalette(pal);
    // The strip takes the focus so that the text box loses it.
    if (txtSearch->hasFocus())
        picSearch->setFocus();
}

void frmMain::PrintName(int row0, const QColor& color) {
    const ItemPtr item = m_Items ? m_Items->Item(row0 + 1) : nullptr;
    if (!item || pMenu->Image.isNull())
        return;
    QPainter p(&pMenu->Image);
    p.setFont(RowFont());
    p.setPen(color);
    const int textLeft = platform::TwipsToPixelsX(kTextLeftTwips);
    // Smoothed glyph edges would keep a trace of the other colour: the
    // name's own box gets its background back first.
    const menus::RowGeometry g = menus::RowGeometry::For(pMenu->width());
    const int width =
        qMin(p.fontMetrics().horizontalAdvance(item->Name) + 2, g.arrowLeft - textLeft);
    const QRect box(textLeft, row0 * kRowHeight + 2, width, kRowHeight - 4);
    p.drawPixmap(box.topLeft(), Region(m_Background, box.intersected(m_Background.rect())));
    // The name alone: the icon and the arrow stay as they are.
    menus::PaintRowContent(p, g, row0 * kRowHeight, *item, QPixmap(), QPixmap(), false);
    p.end();
    pMenu->update();
}
