#include "core/ReplyParsers.h"

#include "core/ItemIds.h"
#include "core/modGlobals.h"

#include <QSet>
#include <QUrl>

namespace ReplyParsers {

ItemPtr NewRow(int id, const QString& name, bool isItem) {
    auto item = std::make_shared<clsItem>();
    item->ID = id;
    item->Name = name;
    item->IsItem = isItem;
    return item;
}

HomeMenuReply ParseHomeMenu(const QString& reply) {
    HomeMenuReply out;
    // Line by line in place: a reply near the size limit split into a list
    // of millions of strings took 1.5 GB before the menu showed.
    const QStringView all(reply);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = all.indexOf(u"\r\n", start);
        const bool last = end < 0;
        if (last)
            end = all.size();
        const QStringView line = all.mid(start, end - start);
        start = end + 2;
        if (line == u"EOF") {
            out.sawEnd = true;
            break;
        }
        // Rows past what any window can show are not kept; the rest is only
        // searched for its "EOF".
        if (out.lines.size() >= kMaxHomeMenuRows)
            continue;
        if (line.isEmpty()) {
            // The empty text after a final line break is not a record.
            if (!last)
                out.lines.append({HomeMenuLine::EmptyRecord, 0});
            continue;
        }
        if (line == u"-") {
            out.lines.append({HomeMenuLine::Separator, 0});
            continue;
        }
        bool ok = false;
        const int id = line.trimmed().toInt(&ok);
        if (ok)
            out.lines.append({HomeMenuLine::Item, id});
    }
    return out;
}

QList<int> ParseSearchResults(const QString& reply) {
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    QList<int> ids;
    QSet<int> seen;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        bool ok = false;
        const int id = lines.at(i).trimmed().toInt(&ok);
        if (!ok || seen.contains(id))
            continue; // not an integer, or an id listed twice
        seen.insert(id);
        ids.append(id);
    }
    return ids;
}

ItemCollectionPtr NewsRows(const QString& reply) {
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    const qsizetype last = lines.size() - 1;
    auto c = std::make_shared<ItemCollection>();
    if (lines.at(0).isEmpty()) {
        c->Add(NewRow(kInertId, QStringLiteral("No News Feeds Defined."), true));
        return c;
    }
    if (last < 1 || lines.at(0).contains(QLatin1String("ERROR"), Qt::CaseInsensitive)) {
        c->Add(NewRow(kInertId, QStringLiteral("No News Available"), true));
        return c;
    }
    // Never past the reply's last line; a count that is no number ends the
    // list with the rows built so far.
    qsizetype i = 0;
    bool stop = false;
    while (i < last && !stop) {
        if (i > 0)
            c->Add(NewRow(kSeparatorId, QString(), true));
        c->Add(NewRow(kNewsFeedHeadingId, lines.at(i).trimmed(), true));
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
            const QString text = modGlobals::ProperCase(lines.at(i));
            ItemPtr row =
                NewRow(kNewsHeadlineId, text.size() <= 36 ? text : text.left(33) + "...", true);
            row->Description = text;
            row->NewsID = lines.at(i - 1).trimmed().toInt(); // 0 when no number
            c->Add(row);
        }
        ++i;
    }
    if (c->Count() == 0)
        c->Add(NewRow(kInertId, QStringLiteral("No News Available"), true));
    return c;
}

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

QList<QPair<QString, QString>> ParseBookmarkFile(const QStringList& lines) {
    QList<QPair<QString, QString>> out;
    // Every step below ends at the end of the file.
    qsizetype i = 1; // the first line is the file's type line
    while (i < lines.size() && !lines.at(i).contains(QLatin1String("Personal Bookmarks</H3>")))
        ++i;
    ++i; // from the line after the heading on, which may already be a bookmark
    int closings = 0;
    while (i < lines.size()) {
        // The gap before the next bookmark.
        while (i < lines.size() && !lines.at(i).toUpper().contains(QLatin1String("<DT>"))) {
            if (lines.at(i).toUpper().contains(QLatin1String("</DL>")) && ++closings == 2)
                return out;
            ++i;
        }
        if (i >= lines.size())
            break;
        QString url, title;
        if (ParseBookmark(lines.at(i), &url, &title))
            out.append({title, url});
        ++i;
    }
    return out;
}

std::optional<QString> UrlFileAddress(const QByteArray& content) {
    // [InternetShortcut] holds the address; other sections (a browser's own
    // [DEFAULT] copy among them) are not read.
    bool inShortcut = false;
    for (QByteArray line : content.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inShortcut = line.toLower() == "[internetshortcut]";
            continue;
        }
        if (inShortcut && line.toLower().startsWith("url="))
            return QString::fromUtf8(line.mid(4).trimmed());
    }
    return std::nullopt;
}

bool IsWebAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("ftp")) &&
           !url.host().isEmpty();
}

} // namespace ReplyParsers
