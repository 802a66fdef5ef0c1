#include "menus/MenuLevel.h"

#include "core/ItemIds.h"
#include "menus/Layout.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QRegion>
#include <QWidget>

namespace menus {

MenuLevel::~MenuLevel() = default;

MenuLevel* AsMenuLevel(QObject* window) {
    return dynamic_cast<MenuLevel*>(window);
}

void BringToTop(QWidget* window) {
    // The offscreen platform has no stacking order to change (and says so
    // on every call).
    if (window && window->isVisible() &&
        QGuiApplication::platformName() != QLatin1String("offscreen"))
        window->raise();
}

ChildWindows& ChildFactory() {
    static ChildWindows factory;
    return factory;
}

bool StrictlyInside(const QRect& r, const QPoint& p) {
    // Left + Width is one past the last pixel: the edges are Left and
    // Left + Width, both outside.
    return p.x() > r.left() && p.x() < r.left() + r.width() && p.y() > r.top() &&
           p.y() < r.top() + r.height();
}

bool InsideOrOnEdge(const QRect& r, const QPoint& p) {
    return p.x() >= r.left() && p.x() <= r.left() + r.width() && p.y() >= r.top() &&
           p.y() <= r.top() + r.height();
}

int FindRow(const ItemCollection& items, int id) {
    for (int i = 1; i <= items.Count(); ++i) {
        const ItemPtr item = items.Item(i);
        if (item && item->ID == id)
            return i;
    }
    return 0;
}

int KeyboardHighlightRow(const ItemCollection& items) {
    const ItemPtr first = items.Item(1);
    if (!first)
        return 0;
    return IsLabelId(first->ID) ? 0 : 1;
}

int OldCategoryRow(const ItemCollection& items, int selIndex, int openCategoryID) {
    if (selIndex <= 0 || selIndex == kSearchBoxRow)
        return 0;
    const ItemPtr current = items.Item(selIndex);
    if (current && current->ID == openCategoryID)
        return 0;
    return FindRow(items, openCategoryID);
}

namespace {

QWidget* ParentOf(QWidget* w) {
    MenuLevel* level = AsMenuLevel(w);
    return level ? level->ParentForm() : nullptr;
}

int ChainDepth(QWidget* w) {
    int depth = 0;
    for (QWidget* up = ParentOf(w); up && depth < 64; up = ParentOf(up))
        ++depth;
    return depth;
}

} // namespace

QWidget* ChainWindowAt(const QPoint& screenPoint) {
    QWidget* top = nullptr;
    int topDepth = -1;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !AsMenuLevel(w) || !StrictlyInside(w->frameGeometry(), screenPoint))
            continue;
        const int depth = ChainDepth(w);
        if (depth > topDepth) {
            top = w;
            topDepth = depth;
        }
    }
    return top;
}

bool IsBelowInChain(QWidget* level, QWidget* ancestor) {
    int guard = 0;
    for (QWidget* up = ParentOf(level); up && guard++ < 64; up = ParentOf(up))
        if (up == ancestor)
            return true;
    return false;
}

QWidget* WindowUnderPointInChain(QWidget* start, const QPoint& screenPoint) {
    QWidget* top = ChainWindowAt(screenPoint);
    if (!top || !start)
        return nullptr;
    return top == start || IsBelowInChain(start, top) ? top : nullptr;
}

void UnloadChildLevel(QPointer<QWidget>& child) {
    const QPointer<QWidget> old = child;
    child = nullptr;
    if (MenuLevel* level = AsMenuLevel(old.data()))
        level->Unload();
    else if (old)
        old->hide();
}

MenuLevel* OpenChildLevel(QPointer<QWidget>& child, QWidget* parent, const clsItem& category,
                          const std::function<bool()>& parentOpen) {
    const ChildWindows& factory = ChildFactory();
    const auto& create = category.Form.isEmpty() ? factory.newSubmenu : factory.formPanel;
    QPointer<QWidget> window = create ? create() : nullptr;
    MenuLevel* level = AsMenuLevel(window.data());
    if (!level)
        return nullptr; // no window to open (yet)
    child = window;
    level->SetParentForm(parent);
    window->move(kParkLeftTwips / platform::TwipsPerPixelX(), window->y());
    // A window manager does not leave the park off screen: openbox keeps a
    // strip of every window on the screen, a white band at the top left for
    // as long as the level fills (the whole news or form request). Parked,
    // the window shows one pixel at its own left end, which stays off screen.
    window->setMask(QRegion(0, 0, 1, 1));
    window->show();
    level->SetParentCategoryID(category.ID);
    if (window)
        window->clearMask();
    if (!window || !window->isVisible() || child != window || !parentOpen()) {
        if (child == window)
            child = nullptr;
        return nullptr;
    }
    return level;
}

} // namespace menus
