// The submenu window's painting: sizing the window to its rows (with scroll
// strips when it would pass the usable screen), the skin background, the
// rows with their headings, placeholders, separators, bids and icons, and the
// highlight bar. Missing icon files are asked of the icon queue; painting
// itself never fetches anything.
#include "menus/frmMenu.h"

#include "core/ButtonWindow.h"
#include "core/ItemIds.h"
#include "core/modGlobals.h"
#include "menus/IconLibrary.h"
#include "menus/RowPainter.h"
#include "menus/frmTooltip.h"
#include "platform/Twips.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

using namespace modGlobals;
using menus::IconLibrary;
using menus::ImageList;
using menus::kRowHeight;

namespace {

int StripHeight() {
    return platform::TwipsToPixelsY(180);
}

} // namespace

int frmMenu::RoomPixels() const {
    const int tppY = platform::TwipsPerPixelY();
    // Before the button has read the taskbar the whole screen counts.
    int room = gScreenBottom > 0 ? gScreenBottom / tppY : platform::ScreenRect().height();
    if (m_FitRoom > 0)
        room = qMin(room, m_FitRoom);
    return room;
}

void frmMenu::FitHeight(int maxHeight) {
    if (maxHeight <= 0 || height() <= maxHeight)
        return;
    m_FitRoom = maxHeight;
    DrawMenu(RowCount());
}

void frmMenu::DrawMenu(int rows) {
    const int tppX = platform::TwipsPerPixelX();
    const int tppY = platform::TwipsPerPixelY();
    const int canvasHeight = rows * kRowHeight + platform::TwipsToPixelsY(60);
    IconLibrary::Instance().LookAtImagesFolder();
    skinForm.ApplySkin(menus::SkinStorage::ForWindow(QStringLiteral("submenu"), gTrueColor), this);
    const int b = skinForm.Border();
    const int cw = kWidth - 2 * b;

    // Rows that fit are rounded down: the window never reaches half a row
    // past the usable bottom of the screen.
    int windowHeight = canvasHeight + platform::TwipsToPixelsY(30);
    const int room = RoomPixels();
    const int strip = StripHeight();
    const bool scrolls = windowHeight > room;
    if (scrolls) {
        const int fit = qMax(1, (room - 2 * strip - 2 * b) / kRowHeight);
        windowHeight = 2 * b + strip + fit * kRowHeight + strip;
    }
    // A refill keeps the width a running slide has given the window.
    resize(m_Painted ? width() : kWidth, windowHeight);
    const int clientHeight = windowHeight - 2 * b;
    m_MenuWidth = cw * tppX;
    m_ClientHeight = clientHeight * tppY;

    const int oldTop = m_canvas->y();
    const bool keepScroll = m_Painted && scrolls && m_Scrolls;
    m_Scrolls = scrolls;
    m_Painted = true;
    int canvasTop = b + (scrolls ? strip : 0);
    if (keepScroll)
        canvasTop = qBound(b + clientHeight - canvasHeight, oldTop, b + strip);
    m_canvas->setGeometry(b, canvasTop, cw, canvasHeight);

    // The skin under the client area depends only on its size and the skin
    // set. The rows are not kept in a picture: the canvas paints the rows it
    // exposes, so a refill only asks for a repaint.
    const QSize size(cw, qMin(canvasHeight, clientHeight));
    if (m_Background.isNull() || m_Background.deviceIndependentSize().toSize() != size ||
        m_BackgroundTrueColor != gTrueColor) {
        m_Background = menus::NewSurface(size, this);
        QPainter bg(&m_Background);
        PaintSkinUnder(bg, QRect(QPoint(0, 0), size));
        m_BackgroundTrueColor = gTrueColor;
    }
    if (!m_canvas->PaintExposed)
        m_canvas->PaintExposed = [this](QPainter& p, const QRect& exposed) {
            PaintCanvas(p, exposed);
        };
    IndexRows();
    m_ShownValid = false;
    m_canvas->update();

    if (scrolls) {
        picScrollUp->setGeometry(b, b, cw, strip);
        picScrollDown->setGeometry(b, b + clientHeight - strip, cw, strip);
        PaintStrip(picScrollUp, QStringLiteral("ScrollUp"));
        PaintStrip(picScrollDown, QStringLiteral("ScrollDown"));
        if (!keepScroll) {
            picScrollUp->show();
            picScrollDown->show();
        }
        picScrollUp->raise();
        picScrollDown->raise();
    } else {
        picScrollUp->hide();
        picScrollDown->hide();
    }
    update();
    RequestIconsInSight();
}

void frmMenu::PaintStrip(menus::PictureBox* strip, const QString& key) {
    QPixmap pm = menus::NewSurface(strip->size(), this);
    QPainter p(&pm);
    p.drawPixmap(0, 0,
                 menus::Region(m_Background, QRect(QPoint(0, 0), strip->size())
                                                 .intersected(QRect(QPoint(0, 0), m_canvas->size()))
                                                 .intersected(m_Background.rect())));
    const QPixmap arrow = IconLibrary::Instance().Image(ImageList::imlIcons, key);
    if (!arrow.isNull())
        p.drawPixmap((strip->width() - 16) / 2, 0, arrow);
    p.end();
    strip->Image = pm;
    strip->update();
}

void frmMenu::PaintCanvas(QPainter& p, const QRect& exposed) {
    // Only inside the client area: rows scrolled past either strip would
    // cover the frame's edge beyond it.
    const int b = skinForm.Border();
    const QRect client = QRect(b, b, width() - 2 * b, m_ClientHeight / platform::TwipsPerPixelY())
                             .translated(-m_canvas->pos());
    const QRect area = exposed.intersected(client);
    if (area.isEmpty())
        return;
    // Hover scrolling moves the canvas a pixel a frame: the rows under the
    // client area, from the row its top cuts, are painted once into a
    // picture one row taller than the area and shown from there until the
    // area leaves it.
    const int top = client.top() / kRowHeight * kRowHeight;
    const QRect cover(0, top, m_canvas->width(), client.height() + kRowHeight);
    const QRect shown(0, m_ShownTop, m_Shown.isNull() ? 0 : cover.width(),
                      qRound(m_Shown.height() / m_Shown.devicePixelRatio()));
    if (!m_ShownValid || !shown.contains(area)) {
        if (m_Shown.isNull() || shown.size() != cover.size())
            m_Shown = menus::NewSurface(cover.size(), this);
        QPainter cache(&m_Shown);
        cache.translate(0, -top);
        const QRect rows = cover.intersected(m_canvas->rect());
        cache.setClipRect(rows);
        PaintSkinUnder(cache, rows);
        PaintRows(cache, rows);
        cache.end();
        m_ShownTop = top;
        m_ShownValid = true;
    }
    const qreal dpr = m_Shown.devicePixelRatio();
    const QRect from = area.translated(0, -m_ShownTop);
    p.drawPixmap(QRectF(area), m_Shown,
                 QRectF(from.x() * dpr, from.y() * dpr, from.width() * dpr, from.height() * dpr));
}

void frmMenu::PaintSkinUnder(QPainter& p, const QRect& area) {
    p.fillRect(area, Qt::white);
    menus::SkinElement client;
    if (skinForm.GetElement(QStringLiteral("Client"), &client))
        menus::PaintSkinBackground(p, client, m_canvas->size(), area);
}

void frmMenu::IndexRows() {
    m_PenRows.clear();
    const auto& entries = m_Items->Entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const clsItem* item = entries[i].item.get();
        if (item && IsLabelId(item->ID))
            m_PenRows.push_back(i);
    }
}

void frmMenu::RequestIconsInSight() {
    // Only the rows that can be seen ask for their missing icons: a category
    // of 50,000 rows must not queue 50,000 downloads before it shows. Rows
    // scrolled into sight ask when they arrive there.
    const auto& entries = m_Items->Entries();
    const int count = static_cast<int>(entries.size());
    const int first = qMax(0, VisibleTop() / kRowHeight);
    const int last = qMin(count - 1, (VisibleBottom() - 1) / kRowHeight);
    for (int i = first; i <= last; ++i) {
        const clsItem* item = entries[i].item.get();
        if (item && item->ID != kSeparatorId && !IsLabelId(item->ID))
            RowIcon(*item, true);
    }
}

void frmMenu::PaintRows(QPainter& p, const QRect& area) {
    const menus::RowGeometry g = menus::RowGeometry::For(m_canvas->width());
    const QPixmap arrow =
        IconLibrary::Instance().Image(ImageList::ImageList1, QStringLiteral("MenuExpand"));
    const QColor highlight = menus::HighlightTextColor();
    QFont plain = menus::RowFont();
    QFont bold = plain;
    bold.setBold(true);
    menus::SkinElement line;
    const bool haveLine = skinForm.GetElement(QStringLiteral("Line"), &line);
    QRect lineRect;
    if (haveLine && !menus::ParseBackgroundRect(line.BackgroundRect, &lineRect))
        lineRect = QRect(0, 0, line.Width, line.Height);
    // Every paint of the whole list started in black, and a heading or
    // placeholder row passed its colour on to the rows after it: a row
    // keeps the colour of the last such row above it.
    const auto& entries = m_Items->Entries();
    const int count = static_cast<int>(entries.size());
    const int first = qMax(0, area.top() / kRowHeight);
    const int last = qMin(count - 1, area.bottom() / kRowHeight);
    p.setPen(Qt::black);
    const auto above = std::lower_bound(m_PenRows.begin(), m_PenRows.end(), first);
    if (above != m_PenRows.begin() && *(above - 1) < count) {
        if (const clsItem* item = entries[*(above - 1)].item.get())
            p.setPen(item->ID == kNewsFeedHeadingId ? highlight : QColor(0x60, 0x60, 0x60));
    }
    for (int i = first; i <= last; ++i) {
        const clsItem* item = entries[i].item.get();
        if (!item)
            continue;
        const int top = i * kRowHeight;
        // The text's top 2 pixels below the row's top, at a baseline.
        const QPoint at(g.textLeft, top + 2 + QFontMetrics(bold).ascent());
        if (item->ID == kSeparatorId) {
            if (haveLine && !line.Picture.isNull())
                p.drawPixmap(QPoint(0, top),
                             menus::Region(line.Picture, QRect(QPoint(0, 0), lineRect.size())));
        } else if (item->ID == kNewsFeedHeadingId) {
            p.setFont(bold);
            p.setPen(Qt::white);
            p.drawText(at + QPoint(1, 1), item->Name);
            p.setPen(highlight);
            p.drawText(at, item->Name);
            p.setFont(plain);
        } else if (IsInertId(item->ID)) {
            p.setFont(plain);
            p.setPen(Qt::white);
            p.drawText(at + QPoint(1, 1), item->Name);
            p.setPen(QColor(0x60, 0x60, 0x60));
            p.drawText(at, item->Name);
        } else {
            p.setFont(plain);
            menus::PaintRowContent(p, g, top, *item, RowIcon(*item, false), arrow, true);
        }
    }
}

void frmMenu::RequestIcon(const QString& fileName) {
    // Once per window: a download that fails or brings an empty file must
    // not turn every refill into another request.
    if (m_Requested.contains(fileName))
        return;
    m_Requested.insert(fileName);
    windows::button().DownloadNewIcon(QStringLiteral("/images/") + fileName, gImagesPath + fileName,
                                      this);
}

QPixmap frmMenu::RowIcon(const clsItem& item, bool request) {
    IconLibrary& icons = IconLibrary::Instance();
    if (item.Icon.isEmpty() || !item.Icon.contains(QLatin1Char('.'))) {
        if (item.IsItem)
            return icons.Image(ImageList::ImageList1, item.IsAboveLine
                                                          ? QStringLiteral("AdvertiserIcon")
                                                          : QStringLiteral("LinkIcon"));
        // The icon of the home-menu category this chain started from.
        return gCategoryIcon.isEmpty() ? QPixmap() : icons.LocalIcon(gCategoryIcon);
    }
    IconLibrary::FileState state;
    const QPixmap pm = icons.LocalIcon(item.Icon, &state);
    if (!request)
        return pm;
    if (state == IconLibrary::FileState::Missing) {
        RequestIcon(item.Icon);
    } else if (state == IconLibrary::FileState::Empty && !m_Requested.contains(item.Icon)) {
        if (QFile::remove(gImagesPath + item.Icon))
            icons.NoteIconFile(gImagesPath + item.Icon, false);
        RequestIcon(item.Icon);
    }
    return pm;
}

void frmMenu::DrawHighlight() {
    const ItemPtr item = Selected();
    if (!item || m_Background.isNull())
        return;
    picHighlight->hide();
    const QRect band(0, (m_SelIndex - 1) * kRowHeight, m_canvas->width(), kRowHeight);
    // The skin under the band, painted for the band alone.
    QPixmap under = menus::NewSurface(band.size(), this);
    {
        QPainter p(&under);
        p.translate(0, -band.top());
        PaintSkinUnder(p, band);
    }
    menus::ShowBar(picHighlight,
                   menus::PaintHighlightBar(under, QRect(QPoint(0, 0), band.size()), *item,
                                            RowIcon(*item, false), true, this),
                   band.topLeft());
    HideTooltip();
    timTooltip.start();
}

void frmMenu::HideBar() {
    picHighlight->hide();
}

ItemPtr frmMenu::Selected() const {
    return m_SelIndex >= 1 ? m_Items->Item(m_SelIndex) : nullptr;
}

int frmMenu::VisibleTop() const {
    const int b = skinForm.Border();
    const int top = picScrollUp->isVisible() ? picScrollUp->geometry().bottom() + 1 : b;
    return top - m_canvas->y();
}

int frmMenu::VisibleBottom() const {
    const int b = skinForm.Border();
    const int clientBottom = b + m_ClientHeight / platform::TwipsPerPixelY();
    const int bottom = picScrollDown->isVisible() ? picScrollDown->y() : clientBottom;
    return qMin(bottom, height()) - m_canvas->y();
}

QPoint frmMenu::CanvasFromWindow(const QPoint& windowPos) const {
    return windowPos - m_canvas->pos();
}

qint64 frmMenu::PictureBytes() const {
    qint64 bytes = 0;
    for (const QPixmap* pm : std::initializer_list<const QPixmap*>{
             &m_Background, &m_Shown, &m_canvas->Image, &picHighlight->Image, &picScrollUp->Image,
             &picScrollDown->Image})
        bytes += qint64(pm->width()) * pm->height() * pm->depth() / 8;
    return bytes;
}
