// The home menu's painting: sizing the window to its rows, the skin
// background, rows, icons, divider, search strip and the highlight bar. All
// of it goes into pictures that keep their image (the canvas, the bar, the
// strip), so an exposed window is only copied, never repainted.
#include "menus/frmMain.h"

#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "menus/IconLibrary.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QPainter>

#include <exception>

using namespace modGlobals;
using menus::IconLibrary;
using menus::ImageList;

namespace {

// A name longer than its row would run under the expand arrow or off the
// window's edge: it ends in an ellipsis instead.
QString FittedName(const QFontMetrics& fm, const clsItem& item, int textLeft, int arrowLeft,
                   int clientWidth) {
    const int right = item.IsItem ? clientWidth : arrowLeft;
    return fm.elidedText(item.Name, Qt::ElideRight, qMax(0, right - textLeft - 2));
}

constexpr int kTextLeftTwips = 420;
constexpr int kIconLeftTwips = 60;
constexpr int kIconTopTwips = 30;
constexpr int kStripLeftTwips = 220;

QPixmap NewSurface(const QSize& size, const QWidget* w) {
    const qreal dpr = w->devicePixelRatioF();
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::white);
    return pm;
}

// A part of a surface as a surface of its own.
QPixmap Region(const QPixmap& from, const QRect& r) {
    const qreal dpr = from.devicePixelRatio();
    QPixmap pm = from.copy(QRect(qRound(r.x() * dpr), qRound(r.y() * dpr), qRound(r.width() * dpr),
                                 qRound(r.height() * dpr)));
    pm.setDevicePixelRatio(dpr);
    return pm;
}

} // namespace

QFont frmMain::RowFont() const {
    QFont f = QApplication::font();
    f.setPixelSize(12);
    f.setBold(false);
    f.setUnderline(false);
    return f;
}

int frmMain::RowCount() const {
    return m_Items ? m_Items->Count() : 0;
}

int frmMain::RowAt(int clientY) const {
    // Band r (0-based, 20 pixels each) is row r + 1; the band's first pixel
    // line belongs to it too (the design's rounding of y / 20 - 0.5 gave
    // every other band's top line to the row above).
    if (clientY < 0)
        return 0;
    return clientY / kRowHeight + 1;
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
        ItemCollectionPtr items =
            itemsSource_ ? itemsSource_() : ItemManager().GetHomeMenuCollection(gUserID);
        // A failed fetch has told the user already: show an empty menu
        // rather than a second error.
        m_Items = items ? items : std::make_shared<ItemCollection>();
        const int n = m_Items->Count();
        const int tppX = platform::TwipsPerPixelX();
        const int tppY = platform::TwipsPerPixelY();

        const int clientPart = n * kRowHeight * tppY + kSearchBoxHeightTwips + 240;
        const int heightTwips =
            m_ClientHeight > 0 ? (height() * tppY - m_ClientHeight) + clientPart : clientPart;
        skinForm.ApplySkin(menus::SkinStorage::ForWindow(QStringLiteral("home"), gTrueColor), this);
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

        QFont caption = RowFont();
        caption.setPixelSize(11);
        caption.setBold(true);
        p.setFont(caption);
        p.setPen(CaptionColor());
        p.drawText(QRect(stripLeft, stripTop - 16, cw - stripLeft, 16),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("Search:"));
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
    const int textLeft = platform::TwipsToPixelsX(kTextLeftTwips);
    const int iconLeft = platform::TwipsToPixelsX(kIconLeftTwips);
    const int iconTop = platform::TwipsToPixelsY(kIconTopTwips);
    const int arrowLeft = cw - platform::TwipsToPixelsX(60) - 16;
    const QPixmap arrow =
        IconLibrary::Instance().Image(ImageList::imlIcons, QStringLiteral("MenuExpand"));
    p.setFont(RowFont());
    p.setPen(Qt::black);
    int divider = -1;
    const auto& entries = m_Items->Entries();
    for (int r = 0; r < static_cast<int>(entries.size()); ++r) {
        const clsItem* item = entries[r].item.get();
        if (!item)
            continue;
        const int top = r * kRowHeight;
        if (item->ID == -1) {
            m_SepRow = r;
            divider = r; // one pair of lines: the last divider wins
        } else {
            p.drawText(QRect(textLeft, top + 2, cw - textLeft, kRowHeight - 2),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       FittedName(p.fontMetrics(), *item, textLeft, arrowLeft, cw));
            DrawRowIcon(p, *item, iconLeft, top + iconTop);
            if (!item->IsItem && !arrow.isNull())
                p.drawPixmap(arrowLeft, top + iconTop, arrow);
        }
        if (item->ID == 3)
            m_FlashRow = r;
    }
    if (divider >= 0) {
        const int y = divider * kRowHeight;
        const QPalette pal = QApplication::palette();
        p.fillRect(QRect(0, y + 10, cw, 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(0, y + 11, cw, 1), pal.color(QPalette::Light));
    }
}

void frmMain::DrawRowIcon(QPainter& p, const clsItem& item, int x, int y) {
    IconLibrary& icons = IconLibrary::Instance();
    if (!item.Icon.isEmpty() && item.IsItem) {
        // A missing or undrawable icon leaves the row without one.
        const QPixmap pm = icons.ItemIcon(item.Icon);
        if (!pm.isNull())
            p.drawPixmap(x, y, pm);
        return;
    }
    const QPixmap folder = icons.Image(ImageList::imlIcons, QStringLiteral("FolderIcon"));
    if (!folder.isNull())
        p.drawPixmap(x, y, folder);
}

void frmMain::HideBar() {
    picHighlight->hide();
}

void frmMain::DrawHighlight() {
    const ItemPtr item = m_Items ? m_Items->Item(m_SelIndex) : nullptr;
    if (!item || m_Background.isNull())
        return;
    RedrawSearchArea();
    const int cw = pMenu->width();
    const int top = (m_SelIndex - 1) * kRowHeight;
    const QRect band(0, top, cw, picHighlight->height());
    // The bar shows the skin background of its row, then the row in the
    // highlight colour.
    QPixmap bar = NewSurface(band.size(), this);
    {
        QPainter p(&bar);
        p.drawPixmap(0, 0, Region(m_Background, band.intersected(m_Background.rect())));
        QFont f = RowFont();
        f.setUnderline(true);
        p.setFont(f);
        p.setPen(HighlightTextColor());
        const int textLeft = platform::TwipsToPixelsX(kTextLeftTwips);
        p.drawText(QRect(textLeft, 2, cw - textLeft, kRowHeight - 2),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   FittedName(p.fontMetrics(), *item, textLeft, cw - 4 - 16, cw));
        const int iconTop = platform::TwipsToPixelsY(kIconTopTwips);
        DrawRowIcon(p, *item, 4, iconTop);
        if (!item->IsItem) {
            const QPixmap hi =
                IconLibrary::Instance().Image(ImageList::imlIcons, QStringLiteral("MenuExpandHi"));
            if (!hi.isNull())
                p.drawPixmap(cw - 4 - 16, iconTop, hi);
        }
    }
    picHighlight->Image = bar;
    picHighlight->move(ClientOrigin() + QPoint(0, top));
    picHighlight->raise();
    picHighlight->show();
    picHighlight->update();
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
    const int arrowLeft = pMenu->width() - platform::TwipsToPixelsX(60) - 16;
    const int width = qMin(p.fontMetrics().horizontalAdvance(item->Name) + 2, arrowLeft - textLeft);
    const QRect box(textLeft, row0 * kRowHeight + 2, width, kRowHeight - 4);
    p.drawPixmap(box.topLeft(), Region(m_Background, box.intersected(m_Background.rect())));
    p.drawText(QRect(textLeft, row0 * kRowHeight + 2, pMenu->width() - textLeft, kRowHeight - 2),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               FittedName(p.fontMetrics(), *item, textLeft, arrowLeft, pMenu->width()));
    p.end();
    pMenu->update();
}
