#pragma once
// Readers of outside input that the item store and the opening code act on:
// the home-menu, search and news replies, bookmark.htm lines and .url files.
// They only read text: no request, window or database is touched, so every
// kind of hostile input can be tried on them directly.
#include "core/clsItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ReplyParsers {

// A row of a menu built from a reply or a file.
ItemPtr NewRow(int id, const QString& name, bool isItem);

// One line of the home-menu reply.
struct HomeMenuLine {
    enum Kind { Item, Separator, EmptyRecord } kind = Item;
    int id = 0; // for Item
};
struct HomeMenuReply {
    QList<HomeMenuLine> lines;
    bool sawEnd = false; // the closing "EOF" line came
};
// Lines up to "EOF": ids, "-" separators, and empty records (an empty line
// before the last). Lines that are no id are dropped. At most
// kMaxHomeMenuRows lines are kept: an X11 window is at most 32767 pixels
// high, 1638 rows of 20 pixels.
constexpr qsizetype kMaxHomeMenuRows = 1638;
HomeMenuReply ParseHomeMenu(const QString& reply);

// The item ids of a search reply in order, each once; the reply's last line
// is its closing one and never an id.
QList<int> ParseSearchResults(const QString& reply);

// The rows of a news reply (feed headings, headlines, separators), or
// the one "No News..." row the reply calls for. Without the closing rows.
ItemCollectionPtr NewsRows(const QString& reply);

// One bookmark line: the address between <A HREF=" and its closing quote,
// the title between the tag's end and </A>. False for a line without them
// (a sub-folder's heading).
bool ParseBookmark(const QString& line, QString* url, QString* title);
// The bookmarks of the personal folder of a bookmark.htm, as (title, url).
QList<QPair<QString, QString>> ParseBookmarkFile(const QStringList& lines);

// The address on the "URL=" line of a .url file's shortcut section; nothing
// when there is none.
std::optional<QString> UrlFileAddress(const QByteArray& content);

// True for an address a favorite may open: http, https or ftp with a host.
// Anything else (a program, a local file, a script) is never started.
bool IsWebAddress(const QString& address);

} // namespace ReplyParsers
