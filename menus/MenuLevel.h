#pragma once
// The members through which the windows of the menu chain (the home menu at
// the root, then one submenu window or the form panel per level) talk to each
// other. A parent knows its child only as a MenuLevel, so it does not care
// whether the child is a submenu or a form panel. A member that a kind of
// window lacks does nothing (the form panel has no KeyboardHighlight; the
// home menu's ParentForm is no window).
//
// A window joins the chain by deriving from QWidget and MenuLevel (the
// capture holder treats every shown top-level MenuLevel as a window of the
// chain), takes and releases the capture through ChainCapture, slides with
// Slide, paints from SkinStorage::ForWindow and IconLibrary, and is created
// for the openers by the functions of ChildFactory().
#include "core/clsItem.h"

#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class QObject;
class QWidget;

namespace menus {

class MenuLevel {
public:
    virtual ~MenuLevel();

    // The window of this level (a top-level widget).
    virtual QWidget* Window() = 0;

    virtual QWidget* ParentForm() const { return nullptr; }
    virtual void SetParentForm(QWidget* /*newParentForm*/) {}
    virtual int ParentCategoryID() const { return 0; }
    virtual void SetParentCategoryID(int /*newParentCategoryID*/) {}
    virtual bool HaveCapture() const { return false; }
    virtual void SetHaveCapture(bool /*newHaveCapture*/) {}
    virtual bool ReversedMenu() const { return false; }
    virtual void GetCapture() {}
    virtual void ReleaseFormCapture() {}
    virtual void HighlightOldCategory() {}
    virtual void KeyboardHighlight() {}
    // The child's canvas, moved by the opener during a slide.
    virtual QWidget* picForm() { return nullptr; }
    // Fits a window taller than maxHeight pixels into that height (a submenu
    // scrolls its rows); a window that cannot does nothing.
    virtual void FitHeight(int /*maxHeight*/) {}
    // A child of this window has unloaded itself (Left or Esc): the window
    // forgets it, so that its opener opens a new one next time.
    virtual void ChildClosed(QWidget* /*child*/) {}
    // True for a submenu window (the openers keep only those open).
    virtual bool IsSubmenu() const { return false; }
    // Unloads the window, its child first. Safe to call from the window's own
    // handlers: the window is hidden at once and deleted later.
    virtual void Unload() = 0;
};

// The level of a window, or nullptr when it is none (or gone).
MenuLevel* AsMenuLevel(QObject* window);

// Makes a window topmost without moving or sizing it.
void BringToTop(QWidget* window);

// The child windows that the openers create. Set by the library of the
// submenu window and the form panel; while a function is empty the openers
// open nothing.
struct ChildWindows {
    std::function<QWidget*()> newSubmenu; // a new frmMenu for every opening
    std::function<QWidget*()> formPanel;  // the single frmForm
};
ChildWindows& ChildFactory();

// Rules shared by the levels of the chain.

// Strictly inside: a point on an edge of the rectangle is outside.
bool StrictlyInside(const QRect& rect, const QPoint& point);
// Inclusive test of the home menu's hand-over (left <= x <= left + width).
bool InsideOrOnEdge(const QRect& rect, const QPoint& point);

// The position (1-based) of the first row whose ID is `id`, 0 when none.
int FindRow(const ItemCollection& items, int id);

// The row that KeyboardHighlight highlights: 1 when row 1 is no label (a
// feed heading or an inert row), else 0. A separator in row 1 passes.
int KeyboardHighlightRow(const ItemCollection& items);

// The selection index of the home menu's search box (rows count from 1).
inline constexpr int kSearchBoxRow = 999;

// The new highlighted row of HighlightOldCategory, or 0 when nothing
// changes: nothing while no row (or the search box) is highlighted,
// nothing when the highlighted row already is the open category, else the
// first row of that category when there is one.
int OldCategoryRow(const ItemCollection& items, int selIndex, int openCategoryID);

// The window of the chain really under a screen point: of the shown levels
// whose rectangle holds the point strictly inside, the topmost. A level lies
// above every level of the chain before it (also one turned to the left at
// the screen edge, over an ancestor), so that is the deepest one.
QWidget* ChainWindowAt(const QPoint& screenPoint);

// True when `level` lies below `ancestor` in the chain (it was opened from
// it, directly or through levels between).
bool IsBelowInChain(QWidget* level, QWidget* ancestor);

// The window under `screenPoint` (ChainWindowAt) when that is `start` or a
// window above it in the chain (through ParentForm), else nullptr: a point
// on a deeper level that covers an ancestor is not over the ancestor.
QWidget* WindowUnderPointInChain(QWidget* start, const QPoint& screenPoint);

// Unloads the open child of a level (its own children with it) and empties
// the reference first, so that a handler run by the unload finds no child.
void UnloadChildLevel(QPointer<QWidget>& child);

// Opens the child level of the category row `category` below `parent`: a new
// submenu window, or the form panel when the row names a form. `child` holds
// the window before it is shown, so that the handlers that showing and
// filling it run find it; it waits off screen (kParkLeftTwips) until its
// opener places it. Returns the new level, or nullptr when there is no window
// to open, or filling it closed it (and said why), or `parentOpen` says the
// parent itself went meanwhile; `child` is then emptied if it still held the
// window.
MenuLevel* OpenChildLevel(QPointer<QWidget>& child, QWidget* parent, const clsItem& category,
                          const std::function<bool()>& parentOpen);

} // namespace menus
