// The menu database update: the changes since the last stamp, applied to the
// local table.
#include "core/clsItemManagerUpdate.h"

#include "core/SpoolLines.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Dbf.h"
#include "platform/Latin1Text.h"

#include <QFile>
#include <QFileInfo>

bool clsItemManager::TableReady(const QString& location) {
    if (!m_Data)
        return false;
    QString error;
    if (m_Data->Recheck(&error))
        return true;
    // Another program replaced the table with something that does not read:
    // one report, then the store goes on without a table.
    m_Data.reset();
    m_OpenError = error;
    modGlobals::ShowError(
        QStringLiteral("The menu database was changed by another program and can no longer be "
                       "read: ") +
            error,
        0, location);
    return false;
}

void clsItemManager::DownloadUpdates() {
    using namespace modGlobals;
    const QString location = QStringLiteral("clsItemManager.DownloadUpdates");
    // A store whose table did not open has nothing to bring up to date.
    if (!TableReady(location))
        return;
    const QDateTime fullReload(QDate(2000, 1, 4), QTime(0, 0));

    // A stored stamp that is no date counts as never updated.
    QDateTime stamp = ItemUpdate::ParseMonthFirstDate(GetSetting(
        QStringLiteral("Main"), QStringLiteral("LastUpdated"), QStringLiteral("1/4/2000")));
    if (!stamp.isValid())
        stamp = fullReload;
    // A stamp three or more calendar days after the table's own date means
    // the table is older than the stamp says: ask for all of it again.
    const QDateTime fileTime = QFileInfo(m_Data->Path()).lastModified();
    if (!fileTime.isValid() || fileTime.date().daysTo(stamp.date()) > 2)
        stamp = fullReload;

    const QString body = QStringLiteral("UserID=") + QString::number(gUserID) +
                         QStringLiteral("&Version=") + gVersion + QStringLiteral("&LastUpdated=") +
                         ItemUpdate::RequestStamp(stamp);
    // A full reload is the whole table as text: it goes to a file next to
    // the table and is applied from there, line by line. Only a complete 2xx
    // reply arrives there at all.
    const QString spoolPath = gDataPath + QStringLiteral("MenuItems.upd");
    QString writeError;
    if (!modInternet::GetASPDataToFile(gServerPath + QStringLiteral("getUpdates.ASP"), body,
                                       spoolPath, &writeError)) {
        QFile::remove(spoolPath); // one left by a run that did not finish
        // No reply changes nothing, silently; a reply this computer could
        // not keep (a full disk) is an error of the run, told as one.
        if (!writeError.isEmpty())
            ShowError(QStringLiteral("The menu update could not be stored: ") + writeError, 0,
                      location);
        return;
    }
    QFile spool(spoolPath);
    const bool opened = spool.open(QIODevice::ReadOnly);
    QFile::remove(spoolPath); // the open file stays readable; nothing is left behind
    // The table may have been replaced while the reply came.
    if (!opened || !TableReady(location))
        return;
    SpoolLines lines(spool);
    QByteArray raw;
    // Fewer than two lines (nothing, or a stamp without a line end) change
    // nothing. The reply is not searched for error texts: an "ERR" in place
    // of the stamp is simply no date, and the lines after it are applied.
    if (lines.Next(&raw) != SpoolLines::Line || !lines.Ended())
        return;
    const QString first = platform::DecodeAnsi(raw);

    platform::DbfTable& t = *m_Data;
    // A last line without its line end may be a cut one ("D,40" sent, "D,4"
    // come): nothing of it is applied, and the stamp is not stored, so the
    // same changes come again.
    bool cut = false;
    int malformed = 0;
    QString firstMalformed;
    QString text;
    for (qsizetype k = 1;; ++k) {
        const SpoolLines::Result got = lines.Next(&raw);
        if (got == SpoolLines::End)
            break;
        bool ok = false;
        if (got == SpoolLines::Line && !lines.Ended()) {
            cut = true;
            break;
        }
        if (got == SpoolLines::Line) {
            text = platform::DecodeAnsi(raw);
            const QStringView line = text;
            if (line.trimmed().isEmpty())
                continue;
            ok = ItemUpdate::ApplyLine(t, m_Fields, line, &m_HotBuyPending);
        }
        if (!ok && malformed++ == 0)
            firstMalformed = got == SpoolLines::TooLong
                                 ? QStringLiteral("line %1 (too long)").arg(k)
                                 : QStringLiteral("line %1: \"%2\"").arg(k).arg(text.left(120));
    }

    if (malformed > 0)
        ShowError(QStringLiteral("%1 malformed line(s) of the menu update were skipped; the "
                                 "first is %2")
                      .arg(malformed)
                      .arg(firstMalformed),
                  0, location);
    // The stamp is stored only once every change is in the file, so a failed
    // write asks for the same changes again next time.
    QString error;
    if (!t.Flush(&error)) {
        // The table is back to what the file holds: the hot buys appended
        // this time are not in it, and come again with the resent lines.
        m_HotBuyPending = false;
        ShowError(QStringLiteral("The menu database could not be written: ") + error, 0, location);
        return;
    }
    // New hot buys count once they are in the file.
    if (m_HotBuyPending) {
        SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("Yes"));
        m_HotBuyPending = false;
    }
    if (!cut && ItemUpdate::ParseMonthFirstDate(first).isValid()) {
        SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), first);
        // The table is now as current as the stamp, also when no record
        // changed; left at its old date, the three-day rule would ask for
        // the whole table again every hour.
        if (!t.Touch(&error))
            qWarning("MenuItems.dat: %s", qPrintable(error));
    }
}
