// The collections built from server replies and from the user's browser: the
// home menu, search results, news headlines and favourites.
#include "core/ButtonWindow.h"
#include "core/ItemIds.h"
#include "core/ItemSort.h"
#include "core/MenuChain.h"
#include "core/ReplyParsers.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSet>

namespace {

using ReplyParsers::NewRow;

// The hourglass for the length of a blocking request.
class WaitCursor {
public:
    WaitCursor() {
        if (qGuiApp)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (qGuiApp)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

// ---- Home menu and search ---------------------------------------------------

ItemCollectionPtr clsItemManager::GetHomeMenuCollection(int userId) {
    using namespace modGlobals;
    if (m_HomeMenu)
        return m_HomeMenu;
    const QString location = QStringLiteral("clsItemManager.GetHomeMenuCollection");
    QString reply;
    {
        WaitCursor wait;
        reply = modInternet::GetASPData(gServerPath + QStringLiteral("getUserHomeMenu.ASP"),
                                        QStringLiteral("UserID=") + QString::number(userId) +
                                            QStringLiteral("&Version=") + gVersion);
    }
    // No reply (the request failed) is told like an error reply: one
    // message, nothing cached, so the next call asks again.
    if (reply.isEmpty() || reply.trimmed() == QLatin1String("ERR") ||
        reply.contains(QLatin1String("error"))) {
        platform::MsgBox(QStringLiteral("Unable to get Home Menu settings from server."),
                         platform::vbInformation, QStringLiteral("Error"));
        return nullptr;
    }
    auto c = std::make_shared<ItemCollection>();
    const ReplyParsers::HomeMenuReply parsed = ReplyParsers::ParseHomeMenu(reply);
    for (const ReplyParsers::HomeMenuLine& line : parsed.lines) {
        if (line.kind == ReplyParsers::HomeMenuLine::EmptyRecord) {
            ShowError(QStringLiteral("Empty record in home menu."), 0, location);
        } else if (line.kind == ReplyParsers::HomeMenuLine::Separator) {
            c->Add(NewRow(kSeparatorId, QString(), false));
        } else if (ItemPtr rec = SeekItem(line.id, location)) {
            if (rec->Icon.isEmpty())
                rec->Icon = rec->IsItem ? QStringLiteral("Item") : QStringLiteral("FolderIcon");
            c->Add(rec);
        }
    }
    // A reply cut off before its "EOF" is shown but not kept: the next call
    // fetches the whole menu again.
    if (parsed.sawEnd)
        m_HomeMenu = c;
    return c;
}

ItemCollectionPtr clsItemManager::GetHomeMenuShortcutCollection() {
    auto result = std::make_shared<ItemCollection>();
    if (!m_HomeMenu)
        return result; // no home menu fetched yet: no shortcuts
    for (const auto& entry : m_HomeMenu->Entries()) {
        if (entry.item->ID == kSeparatorId)
            break;
        result->Add(entry.item);
    }
    return result;
}

ItemCollectionPtr clsItemManager::GetSearchCollection(const QString& SearchString) {
    using namespace modGlobals;
    const QString reply =
        modInternet::GetASPData(gServerPath + QStringLiteral("getSearchResults.ASP"),
                                QStringLiteral("query=") + modInternet::URLEncode(SearchString) +
                                    QStringLiteral("&UserID=") + QString::number(gUserID) +
                                    QStringLiteral("&Version=") + gVersion);
    std::vector<ItemPtr> raw;
    for (const int id : ReplyParsers::ParseSearchResults(reply)) {
        if (ItemPtr rec = SeekItem(id, QStringLiteral("clsItemManager.GetSearchCollection")))
            raw.push_back(std::move(rec));
    }
    ItemCollectionPtr result = ItemSort::SortItems(raw, 0);
    if (result->Count() == 0)
        result->Add(NewRow(kInertId, QStringLiteral("(No matches)"), false));
    result->Add(NewRow(kSeparatorId, QString(), false));
    ItemPtr web = NewRow(kSearchWebId, QStringLiteral("Search the web..."), true);
    web->Icon = QStringLiteral("Search");
    result->Add(web);
    return result;
}

// ---- News -------------------------------------------------------------------

ItemCollectionPtr clsItemManager::GetNewsCollection() {
    using namespace modGlobals;
    if (gNewsCollection && gNewsCollection->Count() > 0 && !IsInertId(gNewsCollection->Item(1)->ID))
        return gNewsCollection;
    windows::button().ResetNewsTimer();
    windows::menuChain().ShowWaitBox(QStringLiteral("Loading News... Please Wait..."));

    const QString reply =
        modInternet::GetASPData(gServerPath + QStringLiteral("getNewsHeadlines.asp"),
                                QStringLiteral("UserID=") + QString::number(gUserID) +
                                    QStringLiteral("&Version=") + gVersion);
    // A new collection: an open news menu keeps the rows it shows.
    ItemCollectionPtr c = ReplyParsers::NewsRows(reply);
    c->Add(NewRow(kSeparatorId, QString(), true));
    c->Add(NewRow(kModifyNewsFeedsId, QStringLiteral("Modify News Feeds"), true));

    windows::menuChain().UnloadWaitBox();
    gNewsCollection = c;
    windows::button().ResetNewsTimer();
    return c;
}

// ---- Favourites -------------------------------------------------------------

namespace {

ItemPtr Favorite(const QString& name, const QString& url) {
    ItemPtr row = NewRow(kFavoriteId, name, true);
    row->URL = url;
    return row;
}

// The lines of a bookmark file, which the browser wrote: UTF-8 when it is
// valid UTF-8, else the Windows code page.
QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = platform::DecodeOtherText(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.split(QLatin1Char('\n'));
}

} // namespace

ItemCollectionPtr clsItemManager::GetFavoritesCollection() {
    using namespace modGlobals;
    auto c = std::make_shared<ItemCollection>();
    const ItemPtr none = NewRow(kInertId, QStringLiteral("No Favorites"), true);
    if (gFavoritesPath.isEmpty()) {
        c->Add(none);
        return c;
    }
    if (gFavoritesPosition == 0) {
        // Plain ".url" files, matched without regard to case as the browser's
        // own file system did.
        QDir dir(gFavoritesPath);
        dir.setNameFilters({QStringLiteral("*.url")});
        dir.setFilter(QDir::Files); // plain files only, as the browser lists them
        dir.setSorting(QDir::Name | QDir::IgnoreCase);
        for (const QString& f : dir.entryList())
            c->Add(Favorite(f.left(f.size() - 4), f));
        return c;
    }

    const QStringList lines =
        ReadLines(QDir(gFavoritesPath).filePath(QStringLiteral("bookmark.htm")));
    for (const auto& [title, url] : ReplyParsers::ParseBookmarkFile(lines))
        c->Add(Favorite(title, url));
    // A missing file, or one without the personal folder or its end.
    if (c->Count() == 0)
        c->Add(none);
    return c;
}
