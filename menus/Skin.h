#pragma once
// The skin layer of the menu windows. A stored skin is a folder of Qt
// resources (skin.ini plus PNG pictures) that names a frame and elements such
// as "Client", "Panel" and "Line", each with its picture, size and the
// background rectangle that is tiled. A window keeps one SkinForm, applies a
// stored skin to it at the start of every paint and reads the elements back.
// A missing element or picture leaves its piece unpainted; painting goes on.
#include <QPixmap>
#include <QRect>
#include <QString>

#include <map>

class QPainter;
class QWidget;

namespace menus {

// Registers the skins and icons compiled into this library (idempotent).
void EnsureMenuResources();

struct SkinElement {
    QString Name;
    QPixmap Picture; // the element's whole picture ("hEntireBitmap")
    int Width = 0;   // pixels; for "Client" the skinned window's client area
    int Height = 0;
    QString BackgroundRect; // "left top right bottom" in pixels, or ""
};

class SkinStorage {
public:
    // A stored skin from a resource folder such as ":/menus/skins/home/truecolor".
    // Loaded once and kept; a folder without skin.ini gives an empty skin.
    static const SkinStorage& Load(const QString& folder);
    // The stored skin of a window kind ("home", "submenu", "form") for the
    // display depth: the true-colour set when trueColor, else the other.
    static const SkinStorage& ForWindow(const QString& kind, bool trueColor);

    const SkinElement* Element(const QString& name) const; // nullptr when absent
    int FrameBorder() const { return frameBorder_; }
    const QPixmap& FramePicture() const { return frame_; }
    bool IsEmpty() const { return elements_.empty(); }

private:
    std::map<QString, SkinElement> elements_;
    QPixmap frame_;
    int frameBorder_ = 0;
};

// Reads "left top right bottom" (four whole numbers separated by single
// blanks). False, and rect untouched, for anything else.
bool ParseBackgroundRect(const QString& text, QRect* rect);

// The skin form object of one window.
class SkinForm {
public:
    // Applies a stored skin: the window's contents margins become the frame.
    void ApplySkin(const SkinStorage& storage, QWidget* window);
    // An element of the applied skin; "Client" reports the window's client
    // size. False when the skin has no such element.
    bool GetElement(const QString& name, SkinElement* out) const;
    // The frame around the client area, drawn from the frame picture as a
    // nine-patch.
    void PaintFrame(QPainter& painter, const QSize& windowSize) const;
    int Border() const { return storage_ ? storage_->FrameBorder() : 0; }

private:
    const SkinStorage* storage_ = nullptr;
    QWidget* window_ = nullptr;
};

// Paints an element as a window background: the whole picture at (0, 0),
// then its background rectangle tiled from that rectangle's own place across
// and down the canvas (tiles = size / tile size + 1). A background text that
// does not parse leaves only the whole picture.
void PaintSkinBackground(QPainter& painter, const SkinElement& element, const QSize& canvas);
// The same background, but only the pieces that reach into `area` (canvas
// pixels): a long list paints the part that shows, not its whole height.
void PaintSkinBackground(QPainter& painter, const SkinElement& element, const QSize& canvas,
                         const QRect& area);

} // namespace menus
