#include "core/modTaskbar.h"

#include "core/ButtonWindow.h"
#include "core/modGlobals.h"
#include "platform/Taskbar.h"
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QWidget>

#include <cmath>

namespace modGlobals {

namespace {

// Widths of the button in its places, pixels.
constexpr int kSmallButtonWidth = 47;
constexpr int kBigButtonWidth = 54;

// The system's rectangles keep right and bottom one past the last pixel.
int Right(const QRect& r) {
    return r.x() + r.width();
}
int Bottom(const QRect& r) {
    return r.y() + r.height();
}

bool IsVertical(int edge) {
    return edge == platform::ABE_LEFT || edge == platform::ABE_RIGHT;
}

int ButtonHeightPixels() {
    const QWidget* button = platform::WidgetOf(gButtonHwnd);
    return button ? button->height() : 0;
}

void SetButtonFace(bool smallPicture, int widthPixels) {
    windows::button().SetButtonFace(smallPicture, platform::PixelsToTwipsX(widthPixels));
}

// An absent taskbar reads as an empty rectangle at the screen origin; its
// worked-out edge is then the top, which floats the button flush with the
// screen's bottom left corner.
void ReportedTaskbar(QRect* rect, int* edge) {
    QRect r;
    int e = platform::ABE_BOTTOM;
    if (!platform::GetTaskbarPos(&r, &e)) {
        r = QRect(platform::ScreenRect().topLeft(), QSize(0, 0));
        e = TaskbarEdgeFromRect(r);
    }
    *rect = r;
    *edge = e;
}

void PositionInQuickLaunch(const QRect& bar, int edge, const QRect& notify) {
    SetWatcherWindow(0);
    platform::SetParent(gButtonHwnd, gTaskToolbarHwnd);
    if (IsVertical(edge))
        platform::MoveWindow(gReBarHwnd, 0, 22, bar.width() - 8,
                             Bottom(bar) - notify.height() - 38);
    else
        platform::MoveWindow(gReBarHwnd, 58, 0, Right(bar) - notify.width() - 68, bar.height() - 8);
    SetButtonFace(true, kSmallButtonWidth);
    platform::MoveWindow(gButtonHwnd, 0, 0, kSmallButtonWidth, ButtonHeightPixels());
}

void PositionBesideStart(const QRect& bar, int edge, const QRect& notify) {
    SetWatcherWindow(0);
    platform::SetParent(gButtonHwnd, gTrayHwnd);
    SetButtonFace(false, kBigButtonWidth);
    if (IsVertical(edge)) {
        platform::MoveWindow(gButtonHwnd, 0, 23, kBigButtonWidth, ButtonHeightPixels());
        platform::MoveWindow(gReBarHwnd, 0, 49, bar.width() - 8,
                             Bottom(bar) - notify.height() - 65);
    } else {
        platform::MoveWindow(gButtonHwnd, 56, 0, kBigButtonWidth, ButtonHeightPixels());
        platform::MoveWindow(gReBarHwnd, 112, 0, Right(bar) - notify.width() - 122,
                             bar.height() - 8);
    }
    SetWatcherWindow(gReBarHwnd);
}

void PositionFloating(QRect bar, int edge, const QRect& notify) {
    platform::SetParent(gButtonHwnd, 0);
    SetWatcherWindow(0);
    if (!gReBarHwnd)
        edge = TaskbarEdgeFromRect(bar);
    if (gReBarHwnd) {
        if (IsVertical(edge))
            platform::MoveWindow(gReBarHwnd, 0, 22, bar.width() - 8,
                                 Bottom(bar) - notify.height() - 22);
        else
            platform::MoveWindow(gReBarHwnd, 58, 0, Right(bar) - notify.width() - 58,
                                 bar.height() - 8);
    }
    int reread = edge;
    ReportedTaskbar(&bar, &reread);
    SetButtonFace(false, kBigButtonWidth);
    const int height = ButtonHeightPixels();
    const int bottom = (platform::ScreenHeightTwips() - platform::PixelsToTwipsY(height)) /
                       platform::TwipsPerPixelY();
    switch (edge) {
    case platform::ABE_LEFT:
        platform::MoveWindow(gButtonHwnd, Right(bar), bottom, kBigButtonWidth, height);
        break;
    case platform::ABE_TOP:
    case platform::ABE_RIGHT:
        platform::MoveWindow(gButtonHwnd, 0, bottom, kBigButtonWidth, height);
        break;
    case platform::ABE_BOTTOM:
        platform::MoveWindow(gButtonHwnd, 0, bottom - bar.height() + 2, kBigButtonWidth, height);
        break;
    default:
        break;
    }
}

} // namespace

void FindTaskbarWindows() {
    gTrayHwnd = platform::FindWindowA(QStringLiteral("Shell_TrayWnd"));
    gTrayNotifyHwnd = platform::FindWindowExA(gTrayHwnd, QStringLiteral("TrayNotifyWnd"));
    gReBarHwnd = platform::FindWindowExA(gTrayHwnd, QStringLiteral("ReBarWindow32"));
    gTaskToolbarHwnd = platform::FindWindowExA(gReBarHwnd, QStringLiteral("ToolbarWindow32"));
}

void PlaceButtonAtStartup(QWidget* button) {
    FindTaskbarWindows();
    gButtonHwnd = platform::HandleOf(button);
    // Both taskbar places need the rebar; the stored choice stays as it is
    // for a later start on a desktop that has one.
    if (!gReBarHwnd)
        gButtonPosition = 0;
    if (gButtonPosition == 1)
        SetWatcherWindow(gReBarHwnd);
    PositionButton(gButtonPosition);
}

void PositionButton(int Position) {
    if (Position < 0 || Position > 2)
        return;
    QRect bar;
    int edge = platform::ABE_BOTTOM;
    ReportedTaskbar(&bar, &edge);
    const QRect notify = platform::GetWindowRect(gTrayNotifyHwnd);
    switch (Position) {
    case 2:
        PositionInQuickLaunch(bar, edge, notify);
        break;
    case 1:
        PositionBesideStart(bar, edge, notify);
        break;
    default:
        PositionFloating(bar, edge, notify);
        break;
    }
}

int GetButtonTop() {
    const QRect r = platform::GetWindowRect(gButtonHwnd);
    return static_cast<int>(std::lround(static_cast<double>(r.top()) * platform::TwipsPerPixelY()));
}

int GetButtonLeft() {
    const QRect r = platform::GetWindowRect(gButtonHwnd);
    return static_cast<int>(
        std::lround(static_cast<double>(r.left()) * platform::TwipsPerPixelX()));
}

int TaskbarEdgeFromRect(const QRect& rect) {
    const int screenWidth = platform::ScreenWidthTwips() / platform::TwipsPerPixelX();
    const int screenHeight = platform::ScreenHeightTwips() / platform::TwipsPerPixelY();
    if (rect.height() > screenHeight / 2.0)
        return rect.left() > screenWidth / 2.0 ? platform::ABE_RIGHT : platform::ABE_LEFT;
    return rect.top() > screenHeight / 2.0 ? platform::ABE_BOTTOM : platform::ABE_TOP;
}

void ReadTaskbar(QRect* rect, int* edge) {
    ReportedTaskbar(rect, edge);
    if (!gReBarHwnd)
        *edge = TaskbarEdgeFromRect(*rect);
}

void UpdateScreenBottom() {
    QRect bar;
    int edge = 0;
    ReadTaskbar(&bar, &edge);
    gScreenBottom = IsVertical(edge)
                        ? platform::ScreenHeightTwips()
                        : platform::ScreenHeightTwips() - platform::TwipsPerPixelY() * bar.height();
}

bool TaskbarWatchTick(TaskbarSnapshot& stored) {
    if (gButtonPosition != 0)
        return false;
    QRect bar;
    int edge = 0;
    ReadTaskbar(&bar, &edge);
    if (edge == stored.edge && bar.height() == stored.height && bar.width() == stored.width)
        return false;
    PositionButton(0);
    stored = {edge, bar.height(), bar.width()};
    return true;
}

void ReleaseTaskbar() {
    QRect bar;
    int edge = 0;
    ReadTaskbar(&bar, &edge);
    const QRect notify = platform::GetWindowRect(gTrayNotifyHwnd);
    SetWatcherWindow(0);
    if (!gReBarHwnd)
        return;
    if (!IsVertical(edge))
        platform::MoveWindow(gReBarHwnd, 58, 0, Right(bar) - notify.width() - 68, bar.height() - 8);
    else
        platform::MoveWindow(gReBarHwnd, 0, 22, bar.width() - 8,
                             Bottom(bar) - notify.height() - 38);
}

void SetWatcherWindow(quintptr hwnd) {
    platform::SetWatchedWindow(hwnd);
}

} // namespace modGlobals
