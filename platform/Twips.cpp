#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

namespace {
int TwipsPerPixel(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = 96.0;
    if (screen)
        dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    if (dpi <= 0)
        dpi = 96.0;
    const int tpp = static_cast<int>(1440.0 / dpi + 0.5);
    return tpp > 0 ? tpp : 15;
}
} // namespace

int TwipsPerPixelX() {
    return TwipsPerPixel(true);
}
int TwipsPerPixelY() {
    return TwipsPerPixel(false);
}
int TwipsToPixelsX(int twips) {
    return twips / TwipsPerPixelX();
}
int TwipsToPixelsY(int twips) {
    return twips / TwipsPerPixelY();
}
int PixelsToTwipsX(int pixels) {
    return pixels * TwipsPerPixelX();
}
int PixelsToTwipsY(int pixels) {
    return pixels * TwipsPerPixelY();
}

QPoint TwipsToPixels(QPoint twips) {
    return {TwipsToPixelsX(twips.x()), TwipsToPixelsY(twips.y())};
}

QSize TwipsToPixels(QSize twips) {
    return {TwipsToPixelsX(twips.width()), TwipsToPixelsY(twips.height())};
}

QRect TwipsRect(int left, int top, int width, int height) {
    return {TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
            TwipsToPixelsY(height)};
}

QRect ScreenRect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int ScreenWidthTwips() {
    return PixelsToTwipsX(ScreenRect().width());
}
int ScreenHeightTwips() {
    return PixelsToTwipsY(ScreenRect().height());
}

void CenterOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace platform
