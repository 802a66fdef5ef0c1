#pragma once
// The home menu: the root window of the menu chain. It opens above (or below)
// the desktop button with the user's home-menu rows and the search box, and is
// the parent of the first submenu level. One instance, loaded and unloaded,
// never duplicated; unloading only hides it and resets its state, so that an
// unload from inside its own handlers (OpenItem does that) leaves nothing
// dangling.
#include "core/clsItem.h"
#include "menus/Layout.h"
#include "menus/MenuLevel.h"
#include "menus/PictureBox.h"
#include "menus/Skin.h"
#include "menus/Slide.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>

class frmMain : public QWidget, public menus::MenuLevel {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The program's home menu, created on first use.
    static frmMain& Instance();
    // The context menu the program's home menu gets (now, or when it is
    // created): installing it does not create the window before the button
    // has shown.
    static void SetInstanceContextMenu(std::function<void(int row, const QPoint& globalPos)> show);

    // --- members of the chain ---
    QWidget* Window() override { return this; }
    QWidget* ParentForm() const override { return nullptr; }
    bool ReversedMenu() const override { return m_ReversedMenu; }
    bool HaveCapture() const override { return m_HaveCapture; }
    void GetCapture() override;
    void ReleaseFormCapture() override;
    void HighlightOldCategory() override;
    void ChildClosed(QWidget* child) override;
    void Unload() override;

    void ShowMenu();
    void UpdateMenu();
    // The icon queue's refill once the icons arrived: the same rows painted
    // again, nothing fetched.
    Q_INVOKABLE void RefreshIcons();
    bool IsLoaded() const { return m_Loaded; }

    // Where the rows come from: GetHomeMenuCollection(gUserID) unless a test
    // sets another source. A source may return no collection (a failed
    // fetch): the menu is then empty.
    using ItemsSource = std::function<ItemCollectionPtr()>;
    void SetItemsSource(ItemsSource source) { itemsSource_ = std::move(source); }

    // The context menu of a shortcut row (row, screen position in pixels);
    // empty until the home-menu commands are installed.
    std::function<void(int row, const QPoint& globalPos)> ShowContextMenu;

    // --- controls (public for the tests) ---
    menus::PictureBox* pMenu = nullptr;        // the rows' canvas
    menus::PictureBox* picHighlight = nullptr; // the highlight bar
    menus::PictureBox* picSearch = nullptr;    // the search strip
    QLineEdit* txtSearch = nullptr;
    QLabel* lblSearch = nullptr;
    QTimer Timer1;        // submenu opener, 250 ms
    QTimer timFlash;      // hot-category flash, 500 ms
    int Timer1Starts = 0; // how often the hover delay was (re)started
    QString timFlashTag;
    menus::SkinForm skinForm;
    menus::Slide slide; // the home menu's own slide-in

    // --- state (public for the tests) ---
    ItemCollectionPtr m_Items;
    int m_SelIndex = 0; // 0 none, 1..n a row, kSearchBoxRow the search box
    QPointer<QWidget> m_ChildForm;
    int m_OpenCategoryID = 0;
    bool m_ReversedMenu = false;
    bool m_HaveCapture = false;
    bool m_SearchPicCapture = false;
    bool m_SearchTextCapture = false;
    int m_ClientWidth = 0;  // twips
    int m_ClientHeight = 0; // twips
    int m_SepRow = 0;       // 0-based
    int m_FlashRow = -1;    // 0-based; -1 when no row is the hot category
    int m_LastRow = 0;
    bool m_OpenedAbove = false;
    // The rows the window shows: all of them, or the first that fit between
    // the button and the screen's top when neither side holds the whole list.
    int m_ShownRows = 0;

    // Geometry shared with the tests (pixels unless named twips).
    static constexpr int kRowHeight = menus::kRowHeight;
    static constexpr int kWidth = 165;
    static constexpr int kSearchBoxWidthTwips = 1140;
    static constexpr int kSearchBoxHeightTwips = 330;
    static int HighlightHeightTwips(int twipsPerPixelY);
    int RowCount() const; // the rows shown
    // How many of n rows the window can show beside the button.
    int RowsThatFit(int n, int frameTwips) const;
    int RowAt(int clientY) const;   // 1-based row of a client y
    QRect SearchButtonRect() const; // client pixels
    QRect StripRect() const;        // client pixels
    QPoint ClientOrigin() const;    // client area in window pixels
    QPoint ToClient(const QPoint& windowPos) const { return windowPos - ClientOrigin(); }
    static QColor HighlightTextColor() { return menus::kHighlightTextColor; }
    static QColor FlashColor() { return QColor(255, 0, 0); }
    static QColor CaptionColor() { return QColor(255, 255, 255); }
    QFont RowFont() const;

    // --- handlers (public so that the tests can drive them directly) ---
    void Timer1_Timer();
    void timFlash_Timer();
    void Form_MouseMove(Qt::MouseButtons buttons, const QPoint& client);
    void Form_MouseDown(Qt::MouseButton button, const QPoint& client);
    void Form_MouseUp();
    void Form_DblClick(const QPoint& client);
    void Form_KeyDown(int key);
    void SubmitSearch();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // showing and placement
    void ResetState();
    void PositionHomeMenu();
    QRect ButtonRect() const; // the desktop button on the screen, pixels
    // painting
    void FillHomeMenu();
    void PaintRows(QPainter& p);
    void PaintCaption(QPainter& p);
    QPixmap RowIcon(const clsItem& item);
    void DrawHighlight();
    void DrawSearchBox();
    void RedrawSearchArea();
    void PaintStrip(bool highlighted);
    void PrintName(int row0, const QColor& color);
    // input
    void picSearch_MouseDown(Qt::MouseButton button, const QPoint& p);
    void picSearch_MouseMove(const QPoint& p);
    bool txtSearch_MouseDown(Qt::MouseButton button, const QPoint& p);
    void txtSearch_MouseMove(const QPoint& p);
    void txtSearch_GotFocus();
    void txtSearch_LostFocus();
    void CaptureSearchPicture();
    void ReleaseSearchPicture();
    void CaptureSearchText();
    void ReleaseSearchText();
    void FocusSearchBox();
    void HighlightRow(int row);
    void HideBar();
    // the chain
    void UnloadChild();
    menus::MenuLevel* Child() const;

    ItemsSource itemsSource_;
    QPixmap m_Background; // the skin under the rows, without them
    bool m_Loaded = false;
    QSet<QString> m_RequestedIcons; // asked of the icon queue this opening
    menus::Slide childSlide_;
};
