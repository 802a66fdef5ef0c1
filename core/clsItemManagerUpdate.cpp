// The menu database update: the changes since the last stamp, applied to the
// local table.
#include "core/clsItemManagerUpdate.h"

#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/Dbf.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cstdint>

namespace ItemUpdate {

QDateTime ParseMonthFirstDate(const QString& text) {
    static const QRegularExpression us(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4}|\\d{2})"
                       "(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?)?\\s*$"));
    static const QRegularExpression iso(QStringLiteral(
        "^\\s*(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    QRegularExpressionMatch m = us.match(text);
    if (m.hasMatch()) {
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = m.captured(3).toInt();
        if (m.capturedLength(3) == 2)
            year += year < 30 ? 2000 : 1900;
        if (m.capturedLength(4) > 0) {
            hour = m.captured(4).toInt();
            minute = m.captured(5).toInt();
            second = m.captured(6).toInt();
            const QString half = m.captured(7).toUpper();
            if (!half.isEmpty()) {
                if (hour < 1 || hour > 12)
                    return {};
                hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
            }
        }
    } else if ((m = iso.match(text)).hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        hour = m.captured(4).toInt();
        minute = m.captured(5).toInt();
        second = m.captured(6).toInt();
    } else {
        return {};
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

QString RequestStamp(const QDateTime& stamp) {
    return QLocale::c().toString(stamp, QStringLiteral("MM/dd/yy+h:mm:ss+AP"));
}

QString DecodeCommas(QStringView text) {
    QString out = text.toString();
    return out.replace(QLatin1String("%24"), QLatin1String(","));
}

std::optional<int> ParseInteger(QStringView text) {
    char buf[16];
    const QStringView t = text.trimmed();
    if (t.isEmpty() || t.size() > 12)
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i)
        buf[i] = t[i].unicode() < 128 ? static_cast<char>(t[i].unicode()) : '?';
    int32_t v = 0;
    if (!platform::DbfTable::ParseInt(QByteArrayView(buf, t.size()), &v))
        return std::nullopt;
    return v;
}

bool IsBid(QStringView text) {
    const QStringView t = text.trimmed();
    bool dot = false, digit = false;
    for (const QChar c : t) {
        if (c == QLatin1Char('.') && !dot)
            dot = true;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = true;
        else
            return false;
    }
    return t.isEmpty() || digit;
}

} // namespace ItemUpdate

namespace {

const QByteArray kIdTag = QByteArrayLiteral("ID_TAG");

// Splits a line at every "," into at most `max` views; returns the number of
// fields (more than max when the line has more).
int SplitFields(QStringView line, QStringView* out, int max) {
    int n = 0;
    qsizetype start = 0;
    while (true) {
        const qsizetype comma = line.indexOf(QLatin1Char(','), start);
        const qsizetype end = comma < 0 ? line.size() : comma;
        if (n < max)
            out[n] = line.sliced(start, end - start);
        ++n;
        if (comma < 0)
            return n;
        start = comma + 1;
    }
}

QString Decoded(QStringView text) {
    return text.contains(QLatin1String("%24")) ? ItemUpdate::DecodeCommas(text) : QString();
}

} // namespace

void clsItemManager::DownloadUpdates() {
    using namespace modGlobals;
    // A store whose table did not open has nothing to bring up to date.
    if (!m_Data)
        return;
    const QString location = QStringLiteral("clsItemManager.DownloadUpdates");
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
    const QString reply =
        modInternet::GetASPData(gServerPath + QStringLiteral("getUpdates.ASP"), body);
    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    if (lines.size() < 2)
        return;
    // The reply is not searched for error texts: an "ERR" in place of the
    // stamp is simply no date, and the lines after it are applied.
    const QString& first = lines.at(0);

    const Fields& f = m_Fields;
    platform::DbfTable& t = *m_Data;
    int malformed = 0;
    QString firstMalformed;
    bool newHotBuy = false;
    QStringView fields[11];
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QStringView line = lines.at(k);
        if (line.trimmed().isEmpty())
            continue;
        const int count = SplitFields(line, fields, 11);
        const QStringView kind = fields[0];
        bool ok = false;
        int id = 0;
        bool idOk = false;
        if (const auto v = count >= 2 ? ItemUpdate::ParseInteger(fields[1]) : std::nullopt) {
            id = *v;
            idOk = true;
        }
        if ((kind == QLatin1String("I") || kind == QLatin1String("U")) && count == 11 && idOk) {
            const std::optional<int> parent = ItemUpdate::ParseInteger(fields[6]);
            const auto isItem = modGlobals::ParseBoolean(fields[5]);
            const auto isRestrict = modGlobals::ParseBoolean(fields[7]);
            if (parent && isItem && isRestrict && ItemUpdate::IsBid(fields[9])) {
                ok = true;
                int record = t.Seek(kIdTag, id);
                if (record < 0) {
                    record = t.AppendBlank();
                    t.AssignString(record, f.ID, fields[1]);
                    t.AssignString(record, f.ParentID, fields[6]);
                    newHotBuy = newHotBuy || *parent == 3;
                } else if (t.IsDeleted(record)) {
                    t.Recall(record); // a record sent again is wanted again
                }
                const QString name = Decoded(fields[2]);
                const QString descript = Decoded(fields[4]);
                t.AssignString(record, f.Name, name.isNull() ? fields[2] : QStringView(name));
                t.AssignString(record, f.Icon, fields[3]);
                t.AssignString(record, f.Descript,
                               descript.isNull() ? fields[4] : QStringView(descript));
                t.Assign(record, f.IsItem, *isItem ? "T" : "F");
                t.Assign(record, f.IsRestrict, *isRestrict ? "T" : "F");
                t.AssignString(record, f.Form, fields[8]);
                t.AssignString(record, f.Bid, fields[9]);
                if (f.AdURL >= 0)
                    t.AssignString(record, f.AdURL, fields[10]);
            }
        } else if (kind == QLatin1String("B") && count == 3 && idOk &&
                   ItemUpdate::IsBid(fields[2])) {
            ok = true;
            const int record = t.Seek(kIdTag, id);
            if (record >= 0)
                t.AssignString(record, f.Bid, fields[2]);
        } else if (kind == QLatin1String("D") && idOk) {
            ok = true;
            const int record = t.Seek(kIdTag, id);
            if (record >= 0)
                t.Delete(record);
        }
        if (!ok && malformed++ == 0)
            firstMalformed =
                QStringLiteral("line %1: \"%2\"").arg(k).arg(line.left(120).toString());
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
        ShowError(QStringLiteral("The menu database could not be written: ") + error, 0, location);
        return;
    }
    if (ItemUpdate::ParseMonthFirstDate(first).isValid())
        SaveSetting(QStringLiteral("Main"), QStringLiteral("LastUpdated"), first);
    if (newHotBuy)
        SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QStringLiteral("Yes"));
}
