#pragma once
// A submenu window: one level of the cascade below the home menu. A new
// window for every opening (no Qt parent, held by its opener through a
// QPointer, deleted later on unload). It shows the rows of one category (or
// of a search), opens the next level beside itself, scrolls when taller than
// the usable screen, shows the rows' descriptions as tooltips and adds rows
// to the home menu from its context menu.
#include "core/clsItem.h"
#include "menus/MenuLevel.h"
#include "menus/PictureBox.h"
#include "menus/Skin.h"
#include "menus/Slide.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QAction;
class QMenu;

class frmMenu : public QWidget, public menus::MenuLevel {
    Q_OBJECT
public:
    frmMenu();
    ~frmMenu() override;

    // --- members of the chain ---
    QWidget* Window() override { return this; }
    QWidget* ParentForm() const override { return m_ParentForm; }
    void SetParentForm(QWidget* newParentForm) override { m_ParentForm = newParentForm; }
    int ParentCategoryID() const override { return m_ParentCategoryID; }
    // Stores the id and, unless it is kSearchWindowCategoryId (a search
    // window), fills the window.
    void SetParentCategoryID(int newParentCategoryID) override;
    bool HaveCapture() const override { return m_HaveCapture; }
    void SetHaveCapture(bool newHaveCapture) override { m_HaveCapture = newHaveCapture; }
    bool ReversedMenu() const override { return m_ReversedMenu; }
    void GetCapture() override;
    void ReleaseFormCapture() override;
    void HighlightOldCategory() override;
    void KeyboardHighlight() override;
    QWidget* picForm() override { return m_canvas; }
    void FitHeight(int maxHeight) override;
    void ChildClosed(QWidget* child) override;
    bool IsSubmenu() const override { return true; }
    void Unload() override;

    // Loads the category's rows (a negative id: the rows after the first
    // seven), writes the category log and paints.
    void FillMenu(int ParentCategoryID);
    // Fills a search window (kSearchWindowCategoryId) with the server's results.
    void Search(const QString& SearchString);
    // The icon queue's refill once the icons arrived: the same rows painted
    // again, nothing fetched and nothing logged.
    Q_INVOKABLE void RefreshIcons();
    // "Root > ... > Name" of a category, up its ParentIDs; the walk ends at
    // a missing record and at a cycle.
    QString GetCategoryPath(int ID);

    // --- handlers (public so that the tests can drive them directly) ---
    // Canvas coordinates in pixels (the canvas scrolls inside the window).
    void picForm_MouseDown(Qt::MouseButton button, const QPoint& canvas);
    void picForm_MouseMove(const QPoint& canvas);
    void picForm_DblClick();
    void Form_KeyDown(int key);
    void Timer1_Timer();
    void timTooltip_Timer();
    void mnuContextOpen_Click();
    void mnuContextAdd_Click();
    // Shows mnuContext at a screen position; tests replace it.
    std::function<void(const QPoint& globalPos)> PopupMenu;

    // --- controls ---
    menus::PictureBox* picHighlight = nullptr; // on the canvas
    menus::PictureBox* picScrollUp = nullptr;
    menus::PictureBox* picScrollDown = nullptr;
    QMenu* mnuContext = nullptr;
    QAction* mnuContextOpen = nullptr;
    QAction* mnuContextAdd = nullptr;
    QTimer Timer1;     // submenu opener, 250 ms
    QTimer timTooltip; // tooltip, 100 ms
    menus::SkinForm skinForm;

    // --- state ---
    ItemCollectionPtr m_Items;
    int m_SelIndex = 0; // 1-based, 0 none
    QString m_SearchText;
    QPointer<QWidget> m_ChildForm;
    int m_OpenCategoryID = 0;
    int m_MenuWidth = 0;    // twips
    int m_ClientHeight = 0; // twips

    static constexpr int kWidth = 240; // pixels, whatever the rows hold
    // The part of the canvas that can be seen (canvas pixels, bottom
    // exclusive): between the shown scroll strips, inside the window.
    int VisibleTop() const;
    int VisibleBottom() const;
    int RowCount() const { return m_Items ? m_Items->Count() : 0; }
    bool Scrolls() const { return m_Scrolls; }
    QPoint CanvasFromWindow(const QPoint& windowPos) const;
    // Bytes held by the window's pictures (skin, rows, strips, highlight):
    // bounded by the window's size, not by the number of rows.
    qint64 PictureBytes() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // filling and painting
    void DrawMenu(int rows);
    void PaintCanvas(QPainter& p, const QRect& exposed);
    void PaintSkinUnder(QPainter& p, const QRect& area);
    void PaintRows(QPainter& p, const QRect& area);
    void IndexRows();
    void RequestIconsInSight();
    QPixmap RowIcon(const clsItem& item, bool request);
    void RequestIcon(const QString& fileName);
    void DrawHighlight();
    void HideBar();
    void PaintStrip(menus::PictureBox* strip, const QString& key);
    int RoomPixels() const;
    // input
    // Gives the capture to a deeper level of the chain that lies over this
    // window at `screen`; false when none does.
    bool HandToLevelAbove(const QPoint& screen);
    bool IsOverParentMenu(QWidget* form, const QPoint& canvas);
    void ScrollUp();
    void ScrollDown();
    void ScrollStep(int direction);
    void ShowRowInView(int row);
    void OpenRow(const ItemPtr& item);
    void CloseChain();
    ItemPtr Selected() const;
    // timers and the chain
    void HideTooltip();
    void UnloadChild();
    void PlaceChild(QWidget* child, menus::MenuLevel* level, const clsItem& item);

    QPointer<QWidget> m_ParentForm;
    int m_ParentCategoryID = 0;
    bool m_HaveCapture = false;
    bool m_ReversedMenu = false;
    int m_LastRow = 0;    // the row the pointer was last found on
    int m_ContextRow = 0; // the row that was right-clicked
    menus::PictureBox* m_canvas = nullptr;
    // The skin under the client area (never taller than the window), without
    // rows; the rows themselves are painted on demand, only where shown.
    QPixmap m_Background;
    // 0-based indices of the heading and placeholder rows, in order: the
    // rows whose colour passes on to the rows below them.
    std::vector<int> m_PenRows;
    // The rows under the client area as last painted (one row taller than
    // the area), from canvas y m_ShownTop; a refill makes it stale.
    QPixmap m_Shown;
    int m_ShownTop = 0;
    bool m_ShownValid = false;
    bool m_BackgroundTrueColor = true;
    bool m_Scrolls = false;
    bool m_Painted = false; // the first paint sized the window
    bool m_Unloaded = false;
    int m_FitRoom = 0;         // pixels; 0 = the usable screen
    QSet<QString> m_Requested; // icons this window asked for once already
    menus::Slide childSlide_;
};
