#pragma once
// What every menu window draws and hit-tests alike: the row band, the row's
// name, bid, icon and expand arrow, and the highlight bar that repeats its row
// in the highlight colour over the canvas's own background. The home menu
// and the submenu windows both paint through these, so a row looks and
// answers the pointer the same way on every level.
#include "core/clsItem.h"
#include "menus/Layout.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>

class QFontMetrics;
class QPainter;
class QWidget;

namespace menus {

class PictureBox;

// Where the parts of a row go on a canvas of a given width (pixels): text
// 420 twips from the left, icons 60 twips from the left and 30 twips below
// the row's top, the expand arrow 60 twips and its own width from the right.
struct RowGeometry {
    int width = 0;
    int textLeft = 0;
    int iconLeft = 0;
    int iconTop = 0;
    int arrowLeft = 0;
    static RowGeometry For(int canvasWidth);
};

// The 1-based row under a canvas y; 0 above the first row. A row's first
// pixel line belongs to it (rounding y / 20 - 0.5 gave every other band's
// top line to the row above).
int RowAt(int canvasY);

// The row under a canvas point when the point lies on a real row (1..count),
// across the canvas (0 <= x < width), and within the part of the canvas that
// can be seen (visibleTop <= y < visibleBottom, canvas pixels); else 0. A
// pointer over a scroll strip or below the window never reaches a row that
// is scrolled out of sight.
int VisibleRowAt(const QPoint& canvasPoint, int canvasWidth, int count, int visibleTop,
                 int visibleBottom);

QFont RowFont();
QColor HighlightTextColor(); // kHighlightTextColor

// "0.00": two decimals, at least one integer digit.
QString BidText(float bid);

// A painting surface for a widget's device pixel ratio, filled white.
QPixmap NewSurface(const QSize& size, const QWidget* widget);
// A part of a surface as a surface of its own.
QPixmap Region(const QPixmap& from, const QRect& rect);

// The name a row shows: whole when it fits before the bid, or before the
// arrow's glyph (2 pixels from it; the clear left part of the arrow's box may
// hold text), else cut there with an ellipsis.
QString ShownName(const QFontMetrics& fm, const RowGeometry& g, const clsItem& item,
                  const QPixmap& arrow, bool showBid);

// Paints a row's name (cut with an ellipsis before the arrow or the bid), its
// bid right-aligned on a fixed left edge when showBid and the bid is not 0,
// the icon, and for a category the arrow; the text in the painter's pen.
// A null icon or arrow draws nothing.
void PaintRowContent(QPainter& p, const RowGeometry& g, int top, const clsItem& item,
                     const QPixmap& icon, const QPixmap& arrow, bool showBid);

// The highlight bar of a row: the background under the band, then the row in
// the highlight colour, underlined, with "MenuExpandHi" for a category.
QPixmap PaintHighlightBar(const QPixmap& background, const QRect& band, const clsItem& item,
                          const QPixmap& icon, bool showBid, const QWidget* widget);

// Puts a bar's picture at `pos` (in the bar's parent) and shows it on top.
void ShowBar(PictureBox* bar, const QPixmap& picture, const QPoint& pos);

} // namespace menus
