// The submenu window's members of the chain, its filling, loading and
// unloading, and the command of its context menu that adds a row to the home
// menu.
#include "menus/frmMenu.h"

#include "core/ItemIds.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/ChainCapture.h"
#include "menus/frmMain.h"
#include "menus/frmTooltip.h"
#include "platform/Notifier.h"
#include "platform/PointerGrab.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>

#include <exception>
#include <stdexcept>

using namespace modGlobals;
using menus::ChainCapture;

namespace {

// The built-in categories have lists of their own and need no record.
bool IsBuiltInCategory(int id) {
    return id == kMemberMenuCategoryId || id == kNewsCategoryId || id == kFavoritesCategoryId;
}

ItemCollectionPtr RestrictedStub() {
    auto stub = std::make_shared<clsItem>();
    stub->Name = QStringLiteral("Restricted category");
    stub->ID = kRestrictedStubId;
    stub->IsItem = true;
    auto items = std::make_shared<ItemCollection>();
    items->Add(stub, ItemKey(kRestrictedStubId));
    return items;
}

// The wait cursor of a blocking command, put back however the command ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

frmMenu::frmMenu()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmMenu"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    m_canvas = new menus::PictureBox(this);
    m_canvas->setObjectName(QStringLiteral("picForm"));
    picHighlight = new menus::PictureBox(m_canvas);
    picHighlight->setObjectName(QStringLiteral("picHighlight"));
    picHighlight->BackColor = Qt::black;
    picHighlight->hide();
    picScrollUp = new menus::PictureBox(this);
    picScrollUp->setObjectName(QStringLiteral("picScrollUp"));
    picScrollDown = new menus::PictureBox(this);
    picScrollDown->setObjectName(QStringLiteral("picScrollDown"));
    // The pictures only show; the window takes the pointer and hands it to
    // its handlers in canvas coordinates.
    for (QWidget* w : {static_cast<QWidget*>(m_canvas), static_cast<QWidget*>(picHighlight),
                       static_cast<QWidget*>(picScrollUp), static_cast<QWidget*>(picScrollDown)})
        w->setAttribute(Qt::WA_TransparentForMouseEvents);

    mnuContext = new QMenu(QStringLiteral("Context"), this);
    mnuContextOpen = mnuContext->addAction(QStringLiteral("&Open"));
    mnuContextAdd = mnuContext->addAction(QStringLiteral("&Add to Home Menu"));
    mnuContext->setDefaultAction(mnuContextOpen);
    connect(mnuContextOpen, &QAction::triggered, this, &frmMenu::mnuContextOpen_Click);
    connect(mnuContextAdd, &QAction::triggered, this, &frmMenu::mnuContextAdd_Click);
    PopupMenu = [this](const QPoint& pos) {
        // The pop-up has the pointer while it is open; the X11 grab waits.
        platform::GrabPause pause;
        mnuContext->exec(pos);
    };

    Timer1.setInterval(250);
    timTooltip.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &frmMenu::Timer1_Timer);
    connect(&timTooltip, &QTimer::timeout, this, &frmMenu::timTooltip_Timer);
    m_Items = std::make_shared<ItemCollection>();

    // Form_Load: both strips without a border, hidden until a paint needs them.
    picScrollUp->BorderStyle = 0;
    picScrollDown->BorderStyle = 0;
    picScrollUp->hide();
    picScrollDown->hide();
}

frmMenu::~frmMenu() {
    childSlide_.Stop();
    QWidget* holder = ChainCapture::Instance().Holder();
    if (holder && (holder == this || isAncestorOf(holder)))
        ChainCapture::Instance().ReleaseCapture();
    UnloadChild();
}

// --- members of the chain ---------------------------------------------------

void frmMenu::SetParentCategoryID(int newParentCategoryID) {
    m_ParentCategoryID = newParentCategoryID;
    if (newParentCategoryID != kSearchWindowCategoryId)
        FillMenu(newParentCategoryID);
}

void frmMenu::GetCapture() {
    if (m_Unloaded)
        return;
    ChainCapture::Instance().SetCapture(this);
    m_HaveCapture = true;
    if (menus::MenuLevel* child = menus::AsMenuLevel(m_ChildForm.data()))
        child->SetHaveCapture(false);
    if (menus::MenuLevel* parent = menus::AsMenuLevel(m_ParentForm.data()))
        parent->HighlightOldCategory();
}

void frmMenu::ReleaseFormCapture() {
    ChainCapture::Instance().ReleaseCapture();
    m_HaveCapture = false;
}

void frmMenu::HighlightOldCategory() {
    const int row = menus::OldCategoryRow(*m_Items, m_SelIndex, m_OpenCategoryID);
    if (row > 0) {
        m_SelIndex = row;
        DrawHighlight();
    }
}

void frmMenu::KeyboardHighlight() {
    const int row = menus::KeyboardHighlightRow(*m_Items);
    if (row > 0) {
        m_SelIndex = row;
        m_LastRow = row;
        DrawHighlight();
    }
}

void frmMenu::ChildClosed(QWidget* child) {
    if (child && m_ChildForm == child) {
        childSlide_.Stop();
        m_ChildForm = nullptr;
    }
}

void frmMenu::UnloadChild() {
    childSlide_.Stop();
    menus::UnloadChildLevel(m_ChildForm);
}

void frmMenu::Unload() {
    if (m_Unloaded)
        return;
    m_Unloaded = true;
    Timer1.stop();
    timTooltip.stop();
    childSlide_.Stop();
    // Only a search-results window takes the tooltip with it: a submenu
    // closes whenever the pointer moves on to another category, and the
    // tooltip shown meanwhile is the new row's.
    if (!m_SearchText.isEmpty())
        menus::frmTooltip::Unload();
    QPointer<QWidget> parent = m_ParentForm;
    UnloadChild();
    QWidget* holder = ChainCapture::Instance().Holder();
    if (holder && (holder == this || isAncestorOf(holder)))
        ChainCapture::Instance().ReleaseCapture();
    m_HaveCapture = false;
    hide();
    if (menus::MenuLevel* level = menus::AsMenuLevel(parent.data())) {
        level->ChildClosed(this);
        // The keyboard goes back to the level above.
        if (parent->isVisible())
            ChainCapture::Instance().GiveKeyboard(parent);
    }
    m_ParentForm = nullptr;
    m_Items = std::make_shared<ItemCollection>();
    m_SelIndex = 0;
    deleteLater();
}

void frmMenu::CloseChain() {
    // The root of the chain unloads every level with it.
    QWidget* root = this;
    int guard = 0;
    while (guard++ < 64) {
        menus::MenuLevel* level = menus::AsMenuLevel(root);
        QWidget* up = level ? level->ParentForm() : nullptr;
        if (!up)
            break;
        root = up;
    }
    if (menus::MenuLevel* level = menus::AsMenuLevel(root))
        level->Unload();
}

// --- filling ------------------------------------------------------------------

void frmMenu::FillMenu(int ParentCategoryID) {
    clsItemManager& store = ItemManager();
    if (ParentCategoryID < 0) {
        m_Items = store.GetMoreCollection(-ParentCategoryID);
    } else {
        const bool builtIn = IsBuiltInCategory(ParentCategoryID);
        if (!builtIn && !store.HasItem(ParentCategoryID)) {
            // Nothing to show: the half-built window goes, with one report;
            // none when there is no table at all (the store told that once).
            Unload();
            if (store.TableOpen())
                ShowError(QStringLiteral("Category %1 was not found in the menu table.")
                              .arg(ParentCategoryID),
                          0, QStringLiteral("frmMenu.FillMenu"));
            return;
        }
        // A record that does not read (reported by the store) leaves the
        // permission in doubt: only a user allowed restricted content sees
        // the rows then.
        const ItemPtr record = builtIn ? nullptr : store.GetItem(ParentCategoryID);
        const bool restricted = !builtIn && (!record || record->IsRestricted);
        if (restricted && !gAllowRestricted)
            m_Items = RestrictedStub();
        else
            m_Items = store.GetCollection(ParentCategoryID);
        AppendLine(gCategoryLogFile, QString::number(ParentCategoryID));
    }
    if (!m_Items)
        m_Items = std::make_shared<ItemCollection>();
    DrawMenu(m_Items->Count());
}

void frmMenu::Search(const QString& SearchString) {
    m_SearchText = SearchString;
    m_Items = ItemManager().GetSearchCollection(SearchString);
    if (!m_Items)
        m_Items = std::make_shared<ItemCollection>();
    DrawMenu(m_Items->Count());
}

void frmMenu::RefreshIcons() {
    if (m_Unloaded)
        return;
    DrawMenu(RowCount());
    if (m_SelIndex > 0 && picHighlight->isVisible())
        DrawHighlight();
}

QString frmMenu::GetCategoryPath(int ID) {
    QStringList names;
    QSet<int> seen;
    int id = ID;
    while (!seen.contains(id)) {
        seen.insert(id);
        const ItemPtr item = ItemManager().GetItem(id);
        if (!item)
            break;
        names.prepend(item->Name);
        if (item->ParentID == 0)
            break;
        id = item->ParentID;
    }
    return names.join(QStringLiteral(" > "));
}

// --- context menu -------------------------------------------------------------

void frmMenu::mnuContextOpen_Click() {
    const ItemPtr item = m_Items->Item(m_ContextRow);
    if (!item)
        return;
    HideTooltip();
    OpenRow(item);
}

void frmMenu::mnuContextAdd_Click() {
    // The row that was right-clicked, whatever the highlight did since.
    const ItemPtr item = m_Items->Item(m_ContextRow);
    if (!item)
        return;
    try {
        QString reply;
        {
            WaitCursor wait;
            // The request blocks; a held X11 grab would freeze the pointer.
            platform::GrabPause pause;
            reply = modInternet::GetURLText(
                QStringLiteral("addShortcut.asp?UserID=") + QString::number(gUserID) +
                    QStringLiteral("&MenuItemID=") + QString::number(item->ID),
                false);
        }
        if (reply == QLatin1String("OK")) {
            ItemManager().ClearHomeMenuCollection();
            QWidget* root = this;
            while (menus::MenuLevel* level = menus::AsMenuLevel(root)) {
                if (!level->ParentForm())
                    break;
                root = level->ParentForm();
            }
            if (auto* home = qobject_cast<frmMain*>(root))
                home->UpdateMenu();
        } else {
            platform::MsgBox(QStringLiteral("Unable to add menu item to Home Menu."),
                             platform::vbInformation,
                             QStringLiteral("frmMenu.mnuContactAdd_Click"));
        }
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()), 0,
                  QStringLiteral("frmMenu.mnuContactAdd_Click"));
    }
}

void frmMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    skinForm.PaintFrame(p, size());
    // Where no canvas or strip lies (above a scrolled list), the skin.
    const int b = skinForm.Border();
    if (!m_Background.isNull())
        p.drawPixmap(b, b, m_Background);
}
