// The collections built from server replies and from the user's browser: the
// home menu, search results, news headlines and favourites.
#include "core/ItemSort.h"
#include "core/WindowHooks.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Notifier.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QStringDecoder>

namespace {

ItemPtr NewRow(int id, const QString& name, bool isItem) {
    auto item = std::make_shared<clsItem>();
    item->ID = id;
    item->Name = name;
    item->IsItem = isItem;
    return item;
}

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
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    bool sawEnd = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line == QLatin1String("EOF")) {
            sawEnd = true;
            break;
        }
        if (line.isEmpty()) {
            // The empty text after a final line break is not a record.
            if (i + 1 < lines.size())
                ShowError(QStringLiteral("Empty record in home menu."), 0, location);
            continue;
        }
        if (line == QLatin1String("-")) {
            c->Add(NewRow(-1, QString(), false));
            continue;
        }
        bool ok = false;
        const int id = line.trimmed().toInt(&ok);
        if (!ok)
            continue; // not an id: no row
        if (ItemPtr rec = SeekItem(id, location)) {
            if (rec->Icon.isEmpty())
                rec->Icon = rec->IsItem ? QStringLiteral("Item") : QStringLiteral("FolderIcon");
            c->Add(rec);
        }
    }
    // A reply cut off before its "EOF" is shown but not kept: the next call
    // fetches the whole menu again.
    if (sawEnd)
        m_HomeMenu = c;
    return c;
}

ItemCollectionPtr clsItemManager::GetHomeMenuShortcutCollection() {
    auto result = std::make_shared<ItemCollection>();
    if (!m_HomeMenu)
        return result; // no home menu fetched yet: no shortcuts
    for (const auto& entry : m_HomeMenu->Entries()) {
        if (entry.item->ID == -1)
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
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    std::vector<ItemPtr> raw;
    QSet<int> seen;
    // The last line is the reply's closing one, never an id.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        bool ok = false;
        const int id = lines.at(i).trimmed().toInt(&ok);
        if (!ok || seen.contains(id))
            continue; // not an integer, or an id listed twice
        seen.insert(id);
        if (ItemPtr rec = SeekItem(id, QStringLiteral("clsItemManager.GetSearchCollection")))
            raw.push_back(std::move(rec));
    }
    ItemCollectionPtr result = ItemSort::SortItems(raw, 0);
    if (result->Count() == 0)
        result->Add(NewRow(-1000, QStringLiteral("(No matches)"), false));
    result->Add(NewRow(-1, QString(), false));
    ItemPtr web = NewRow(-4, QStringLiteral("Search the web..."), true);
    web->Icon = QStringLiteral("Search");
    result->Add(web);
    return result;
}

// ---- News -------------------------------------------------------------------

ItemCollectionPtr clsItemManager::GetNewsCollection() {
    using namespace modGlobals;
    if (gNewsCollection && gNewsCollection->Count() > 0 && gNewsCollection->Item(1)->ID > -1000)
        return gNewsCollection;
    if (Windows().resetNewsTimer)
        Windows().resetNewsTimer();
    if (Windows().showWaitBox)
        Windows().showWaitBox(QStringLiteral("Loading News... Please Wait..."));

    const QString reply =
        modInternet::GetASPData(gServerPath + QStringLiteral("getNewsHeadlines.asp"),
                                QStringLiteral("UserID=") + QString::number(gUserID) +
                                    QStringLiteral("&Version=") + gVersion);
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    const qsizetype last = lines.size() - 1;
    // A new collection: an open news menu keeps the rows it shows.
    auto c = std::make_shared<ItemCollection>();
    if (lines.at(0).isEmpty()) {
        c->Add(NewRow(-1000, QStringLiteral("No News Feeds Defined."), true));
    } else if (last < 1 || lines.at(0).contains(QLatin1String("ERROR"), Qt::CaseInsensitive)) {
        c->Add(NewRow(-1000, QStringLiteral("No News Available"), true));
    } else {
        // Never past the reply's last line; a count that is no number ends
        // the list with the rows built so far.
        qsizetype i = 0;
        bool stop = false;
        while (i < last && !stop) {
            if (i > 0)
                c->Add(NewRow(-1, QString(), true));
            c->Add(NewRow(-19, lines.at(i).trimmed(), true));
            ++i;
            bool ok = false;
            const int count = lines.at(i).trimmed().toInt(&ok);
            if (!ok)
                break;
            for (int n = 0; n < count; ++n) {
                i += 2;
                if (i > last) {
                    stop = true;
                    break;
                }
                const QString text = ProperCase(lines.at(i));
                ItemPtr row = NewRow(-17, text.size() <= 36 ? text : text.left(33) + "...", true);
                row->Description = text;
                row->NewsID = lines.at(i - 1).trimmed().toInt(); // 0 when no number
                c->Add(row);
            }
            ++i;
        }
        if (c->Count() == 0)
            c->Add(NewRow(-1000, QStringLiteral("No News Available"), true));
    }
    c->Add(NewRow(-1, QString(), true));
    c->Add(NewRow(-18, QStringLiteral("Modify News Feeds"), true));

    if (Windows().unloadWaitBox)
        Windows().unloadWaitBox();
    gNewsCollection = c;
    if (Windows().resetNewsTimer)
        Windows().resetNewsTimer();
    return c;
}

// ---- Favourites -------------------------------------------------------------

namespace {

ItemPtr Favorite(const QString& name, const QString& url) {
    ItemPtr row = NewRow(-20, name, true);
    row->URL = url;
    return row;
}

// The lines of a bookmark file; UTF-8 when it is valid UTF-8, else Latin-1.
QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.split(QLatin1Char('\n'));
}

// One bookmark line: the address between <A HREF=" and its closing quote,
// the title between the tag's end and </A>. False for a line without them
// (a sub-folder's heading).
bool ParseBookmark(const QString& line, QString* url, QString* title) {
    const QString upper = line.toUpper();
    const qsizetype href = upper.indexOf(QLatin1String("<A HREF=\""));
    if (href < 0)
        return false;
    const qsizetype a = href + 9;
    const qsizetype quote = line.indexOf(QLatin1Char('"'), a);
    if (quote < 0)
        return false;
    const qsizetype tagEnd = line.indexOf(QLatin1String("\">"), quote);
    const qsizetype c = (tagEnd >= 0 ? tagEnd : quote) + 2;
    const qsizetype d = upper.indexOf(QLatin1String("</A>"), c);
    if (d < 0)
        return false;
    *url = line.mid(a, quote - a);
    *title = line.mid(c, d - c);
    return true;
}

} // namespace

ItemCollectionPtr clsItemManager::GetFavoritesCollection() {
    using namespace modGlobals;
    auto c = std::make_shared<ItemCollection>();
    const ItemPtr none = NewRow(-1000, QStringLiteral("No Favorites"), true);
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
    // Every step below ends at the end of the file.
    qsizetype i = 1; // the first line is the file's type line
    while (i < lines.size() && !lines.at(i).contains(QLatin1String("Personal Bookmarks</H3>")))
        ++i;
    ++i; // from the line after the heading on, which may already be a bookmark
    int closings = 0;
    while (i < lines.size()) {
        // The gap before the next bookmark.
        while (i < lines.size() && !lines.at(i).toUpper().contains(QLatin1String("<DT>"))) {
            if (lines.at(i).toUpper().contains(QLatin1String("</DL>")) && ++closings == 2) {
                if (c->Count() == 0)
                    c->Add(none);
                return c;
            }
            ++i;
        }
        if (i >= lines.size())
            break;
        QString url, title;
        if (ParseBookmark(lines.at(i), &url, &title))
            c->Add(Favorite(title, url));
        ++i;
    }
    // A missing file, or one without the personal folder or its end.
    if (c->Count() == 0)
        c->Add(none);
    return c;
}
