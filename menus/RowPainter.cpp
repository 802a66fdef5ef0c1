#include "menus/RowPainter.h"

#include "menus/IconLibrary.h"
#include "menus/PictureBox.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPainter>

namespace menus {

RowGeometry RowGeometry::For(int canvasWidth) {
    RowGeometry g;
    g.width = canvasWidth;
    g.textLeft = platform::TwipsToPixelsX(420);
    g.iconLeft = platform::TwipsToPixelsX(60);
    g.iconTop = platform::TwipsToPixelsY(30);
    g.arrowLeft = canvasWidth - platform::TwipsToPixelsX(60) - 16;
    return g;
}

int RowAt(int canvasY) {
    if (canvasY < 0)
        return 0;
    return canvasY / kRowHeight + 1;
}

int VisibleRowAt(const QPoint& c, int canvasWidth, int count, int visibleTop, int visibleBottom) {
    if (c.x() < 0 || c.x() >= canvasWidth || c.y() < visibleTop || c.y() >= visibleBottom)
        return 0;
    const int row = RowAt(c.y());
    return row >= 1 && row <= count ? row : 0;
}

QFont RowFont() {
    QFont f = QApplication::font();
    f.setPixelSize(12);
    f.setBold(false);
    f.setUnderline(false);
    return f;
}

QColor HighlightTextColor() {
    return kHighlightTextColor;
}

QString BidText(float bid) {
    return QString::number(static_cast<double>(bid), 'f', 2);
}

QPixmap NewSurface(const QSize& size, const QWidget* w) {
    const qreal dpr = w ? w->devicePixelRatioF() : 1.0;
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::white);
    return pm;
}

QPixmap Region(const QPixmap& from, const QRect& r) {
    const qreal dpr = from.devicePixelRatio();
    QPixmap pm = from.copy(QRect(qRound(r.x() * dpr), qRound(r.y() * dpr), qRound(r.width() * dpr),
                                 qRound(r.height() * dpr)));
    pm.setDevicePixelRatio(dpr);
    return pm;
}

namespace {

// The left edge of every bid: the width of "0.00 " and 10 pixels from the
// right, so 0.50 and 12.50 start at the same x.
int BidLeft(const QFontMetrics& fm, int width) {
    return width - 10 - fm.horizontalAdvance(QStringLiteral("0.00 "));
}

} // namespace

namespace {

// The clear columns at the left of a picture, in pixels: the arrow's glyph
// sits inside its 16-pixel box, and a name may run up to the glyph itself.
int ClearLeftColumns(const QPixmap& picture) {
    static QHash<qint64, int> known; // by the picture's cache key; the pictures are few
    const auto it = known.constFind(picture.cacheKey());
    if (it != known.constEnd())
        return *it;
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int clear = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < clear; ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                clear = x;
    const qreal ratio = qMax<qreal>(1, picture.devicePixelRatio());
    const int columns = static_cast<int>(clear / ratio);
    known.insert(picture.cacheKey(), columns);
    return columns;
}

} // namespace

QString ShownName(const QFontMetrics& fm, const RowGeometry& g, const clsItem& item,
                  const QPixmap& arrow, bool showBid) {
    int right = g.width;
    if (!item.IsItem)
        right = g.arrowLeft + (arrow.isNull() ? 0 : ClearLeftColumns(arrow));
    if (showBid && item.Bid != 0)
        right = qMin(right, BidLeft(fm, g.width) - 4);
    const int room = qMax(0, right - g.textLeft - 2);
    return fm.horizontalAdvance(item.Name) <= room ? item.Name
                                                   : fm.elidedText(item.Name, Qt::ElideRight, room);
}

void PaintRowContent(QPainter& p, const RowGeometry& g, int top, const clsItem& item,
                     const QPixmap& icon, const QPixmap& arrow, bool showBid) {
    const bool bid = showBid && item.Bid != 0;
    const QFontMetrics fm = p.fontMetrics();
    // Plain text at a baseline (no layout per row): the top of the text
    // 2 pixels below the row's top.
    const int baseline = top + 2 + fm.ascent();
    p.drawText(QPoint(g.textLeft, baseline), ShownName(fm, g, item, arrow, showBid));
    if (bid)
        p.drawText(QPoint(BidLeft(fm, g.width), baseline), BidText(item.Bid));
    if (!icon.isNull())
        p.drawPixmap(g.iconLeft, top + g.iconTop, icon);
    if (!item.IsItem && !arrow.isNull())
        p.drawPixmap(g.arrowLeft, top + g.iconTop, arrow);
}

QPixmap PaintHighlightBar(const QPixmap& background, const QRect& band, const clsItem& item,
                          const QPixmap& icon, bool showBid, const QWidget* widget) {
    QPixmap bar = NewSurface(band.size(), widget);
    QPainter p(&bar);
    if (!background.isNull())
        p.drawPixmap(0, 0, Region(background, band.intersected(background.rect())));
    QFont f = RowFont();
    f.setUnderline(true);
    p.setFont(f);
    p.setPen(HighlightTextColor());
    const QPixmap hi =
        IconLibrary::Instance().Image(ImageList::imlIcons, QStringLiteral("MenuExpandHi"));
    PaintRowContent(p, RowGeometry::For(band.width()), 0, item, icon, hi, showBid);
    return bar;
}

void ShowBar(PictureBox* bar, const QPixmap& picture, const QPoint& pos) {
    bar->Image = picture;
    bar->resize(picture.deviceIndependentSize().toSize());
    bar->move(pos);
    bar->raise();
    bar->show();
    bar->update();
}

} // namespace menus
