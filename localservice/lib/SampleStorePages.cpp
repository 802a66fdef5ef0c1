// The item store's pages with the sample directory: menu database updates,
// the home menu, news headlines and search results.
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"
#include "platform/Latin1Text.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace localservice {

namespace {

// The service's text is in the Windows code page.
QByteArray Lines(const QStringList& lines) {
    return platform::EncodeAnsi(lines.join(QStringLiteral("\r\n")));
}

QString Encoded(QString text) {
    return text.replace(QLatin1Char(','), QLatin1String("%24"));
}

QString UpdateLine(const SampleRecord& r, const QString& kind = QStringLiteral("I")) {
    return QStringList{kind,
                       QString::number(r.id),
                       Encoded(r.name),
                       r.icon,
                       Encoded(r.description),
                       r.isItem ? QStringLiteral("True") : QStringLiteral("False"),
                       QString::number(r.parentId),
                       r.isRestricted ? QStringLiteral("True") : QStringLiteral("False"),
                       r.form,
                       r.bid,
                       r.adUrl}
        .join(QLatin1Char(','));
}

bool KnownUser(const Request& request) {
    return request.formValue(QStringLiteral("UserID")).toInt() > 0;
}

} // namespace

void InstallStorePages(LocalService& service, const SampleData& data) {
    const QString base = data.serverPath;
    // The sample table ships in the data folder; make it when it is missing.
    if (!data.dataFolder.isEmpty()) {
        const QString table = QDir(data.dataFolder).filePath(QStringLiteral("MenuItems.dat"));
        if (!QFileInfo::exists(table))
            CreateSampleDatabase(table, data.records);
    }

    // Changes since the stamp: the whole directory for the first update (the
    // default stamp), else a bid change that moves with the clock. A grown
    // directory's first update is every record again as a "U" line, as the
    // server sends a full reload; made once, here, so that the time measured
    // is the program's, not the making of the reply.
    const int records = data.records;
    QByteArray reload;
    if (records > 0) {
        const int count = LargeDirectorySize(records);
        reload.reserve(qsizetype(count) * 220);
        for (int i = 0; i < count; ++i)
            reload += "\r\n" + platform::EncodeAnsi(UpdateLine(LargeDirectoryRecord(i, records),
                                                               QStringLiteral("U")));
        reload += "\r\n";
    }
    service.SetHandler(base + QStringLiteral("getUpdates.ASP"), [reload](const Request& request) {
        const QString stamp = QLocale::c().toString(QDateTime::currentDateTime(),
                                                    QStringLiteral("M/d/yyyy h:mm:ss AP"));
        QStringList lines{stamp};
        const QString since = request.formValue(QStringLiteral("LastUpdated"));
        if (since.startsWith(QLatin1String("01/04/00")) && !reload.isEmpty()) {
            Reply reply;
            reply.body = stamp.toLatin1() + reload;
            return reply;
        }
        if (since.startsWith(QLatin1String("01/04/00"))) {
            for (const SampleRecord& r : SampleDirectory())
                lines << UpdateLine(r);
        } else {
            const int minute = QTime::currentTime().minute();
            lines << QStringLiteral("B,%1,%2")
                         .arg(900 + minute % 8)
                         .arg(2.0 + minute * 0.25, 0, 'f', 2);
        }
        lines << QString();
        Reply reply;
        reply.body = Lines(lines);
        return reply;
    });

    const std::shared_ptr<SampleShortcuts> shortcuts = data.shortcuts;
    // A grown directory's large category heads the default home menu.
    if (records > 0) {
        const std::lock_guard<std::mutex> hold(shortcuts->lock);
        shortcuts->leading = {kLargeCategory};
    }
    service.SetHandler(
        base + QStringLiteral("getUserHomeMenu.ASP"), [shortcuts](const Request& request) {
            Reply reply;
            if (!KnownUser(request)) {
                reply.body = "ERR";
                return reply;
            }
            QStringList lines;
            {
                const std::lock_guard<std::mutex> hold(shortcuts->lock);
                const int userId = request.formValue(QStringLiteral("UserID")).toInt();
                for (const int id : UserShortcuts(*shortcuts, userId))
                    lines << QString::number(id);
            }
            lines << QStringLiteral("-") << QStringLiteral("109") << QStringLiteral("27345")
                  << QStringLiteral("31504") << QStringLiteral("EOF") << QString();
            reply.body = Lines(lines);
            return reply;
        });

    service.SetHandler(base + QStringLiteral("getNewsHeadlines.asp"), [](const Request& request) {
        Reply reply;
        if (!KnownUser(request)) {
            reply.body = "ERROR: unknown user";
            return reply;
        }
        reply.body = Lines(
            {QStringLiteral("  Top Stories  "), QStringLiteral("3"), QStringLiteral("5101"),
             QStringLiteral("CITY COUNCIL APPROVES NEW PARK ALONG THE RIVERFRONT"),
             QStringLiteral("5102"), QStringLiteral("Markets close higher"), QStringLiteral("5103"),
             QStringLiteral("Storm expected to bring heavy rain to the coast tonight"),
             QStringLiteral("Technology"), QStringLiteral("2"), QStringLiteral("6201"),
             QStringLiteral("NEW PHONES ANNOUNCED"), QStringLiteral("6202"),
             QStringLiteral("Web browsers add faster page loading"), QStringLiteral("Sports"),
             QStringLiteral("0"), QString()});
        return reply;
    });

    // Ids of the records whose name or description holds the query; the
    // closing line is not an id.
    service.SetHandler(base + QStringLiteral("getSearchResults.ASP"), [](const Request& request) {
        const QString query = request.formValue(QStringLiteral("query")).trimmed();
        QStringList lines;
        if (!query.isEmpty()) {
            for (const SampleRecord& r : SampleDirectory()) {
                if (r.name.startsWith(QLatin1Char('.')) || r.isRestricted)
                    continue;
                if (r.name.contains(query, Qt::CaseInsensitive) ||
                    r.description.contains(query, Qt::CaseInsensitive))
                    lines << QString::number(r.id);
                if (lines.size() >= 60)
                    break;
            }
        }
        lines << QStringLiteral("EOF");
        Reply reply;
        reply.body = Lines(lines);
        return reply;
    });
}

} // namespace localservice
