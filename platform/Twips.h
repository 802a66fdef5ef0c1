#pragma once
// Window geometry is designed in twips (1/1440 inch). Every conversion to
// pixels goes through these helpers, which read the primary screen's logical
// DPI: 15 twips per pixel at 96 dpi, 12 at 120 dpi.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

int TwipsPerPixelX();
int TwipsPerPixelY();

// Twips to pixels, truncating like the design's integer division.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);

QPoint TwipsToPixels(QPoint twips);
QSize TwipsToPixels(QSize twips);
// left, top, width, height in twips to a pixel rectangle.
QRect TwipsRect(int left, int top, int width, int height);

// The primary screen in pixels (1024 x 768 when there is none), and its size
// in twips.
QRect ScreenRect();
int ScreenWidthTwips();
int ScreenHeightTwips();

// Centres a window on the primary screen's available area.
void CenterOnScreen(QWidget* window);

} // namespace platform
