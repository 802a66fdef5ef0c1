// The text of the menu database update and the change one line makes to the
// table; apart from the request so that tests and fuzzing reach them.
#include "core/clsItemManagerUpdate.h"

#include "core/ItemIds.h"
#include "core/modGlobals.h"
#include "platform/Dbf.h"

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
    char buf[64]; // room for leading zeros
    const QStringView t = text.trimmed();
    if (t.isEmpty() || t.size() > 64)
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

namespace {

const QByteArray kIdTag = QByteArrayLiteral("ID_TAG");

// Splits a line at every "," into at most `max` views; returns the number of
// fields (more than max when the line has more).
int SplitFields(QStringView line, QStringView* out, int max) {
    // A plain loop: a search call a field costs more than the fields' bytes.
    int n = 0;
    qsizetype start = 0;
    const qsizetype size = line.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && line[i] != QLatin1Char(','))
            continue;
        if (n < max)
            out[n] = line.sliced(start, i - start);
        ++n;
        start = i + 1;
    }
    return n;
}

QString Decoded(QStringView text) {
    // A search for the '%' alone runs many characters a step; few fields
    // hold one.
    return text.indexOf(QLatin1Char('%')) >= 0 && text.contains(QLatin1String("%24"))
               ? DecodeCommas(text)
               : QString();
}

} // namespace

MenuFields MenuFields::Of(const platform::DbfTable& t) {
    MenuFields f;
    f.ID = t.FieldIndex("ID");
    f.ParentID = t.FieldIndex("ParentID");
    f.Name = t.FieldIndex("Name");
    f.Icon = t.FieldIndex("Icon");
    f.Descript = t.FieldIndex("Descript");
    f.IsItem = t.FieldIndex("IsItem");
    f.IsRestrict = t.FieldIndex("IsRestrict");
    f.Form = t.FieldIndex("Form");
    f.Bid = t.FieldIndex("Bid");
    f.AdURL = t.FieldIndex("AdURL");
    return f;
}

bool ApplyLine(platform::DbfTable& t, const MenuFields& f, QStringView line, bool* newHotBuy) {
    QStringView fields[11];
    const int count = SplitFields(line, fields, 11);
    const QStringView kind = fields[0];
    const std::optional<int> id = count >= 2 ? ParseInteger(fields[1]) : std::nullopt;
    if (!id)
        return false;
    if ((kind == QLatin1String("I") || kind == QLatin1String("U")) && count == 11) {
        const std::optional<int> parent = ParseInteger(fields[6]);
        const auto isItem = modGlobals::ParseBoolean(fields[5]);
        const auto isRestrict = modGlobals::ParseBoolean(fields[7]);
        if (!parent || !isItem || !isRestrict || !IsBid(fields[9]) || !t.Fits(f.Bid, fields[9]))
            return false;
        int record = t.Seek(kIdTag, *id);
        if (record < 0) {
            // A value that would not read back as itself is no value.
            if (!t.Fits(f.ID, fields[1]) || !t.Fits(f.ParentID, fields[6]))
                return false;
            record = t.AppendBlank();
            t.AssignString(record, f.ID, fields[1]);
            t.AssignString(record, f.ParentID, fields[6]);
            if (*parent == kHotBuyCategoryId)
                *newHotBuy = true;
        } else if (t.IsDeleted(record)) {
            t.Recall(record); // a record sent again is wanted again
        }
        const QString name = Decoded(fields[2]);
        const QString descript = Decoded(fields[4]);
        // The id and parent the line sends are the record's own in a full
        // reload; given as kept, they let the whole record go to the file
        // without reading it first.
        t.AssignStrings(record,
                        {{f.Name, name.isNull() ? fields[2] : QStringView(name)},
                         {f.Icon, fields[3]},
                         {f.Descript, descript.isNull() ? fields[4] : QStringView(descript)},
                         {f.IsItem, *isItem ? u"T" : u"F"},
                         {f.IsRestrict, *isRestrict ? u"T" : u"F"},
                         {f.Form, fields[8]},
                         {f.Bid, fields[9]},
                         {f.AdURL, fields[10]},
                         {f.ID, fields[1], true},
                         {f.ParentID, fields[6], true}});
        return true;
    }
    if (kind == QLatin1String("B") && count == 3) {
        if (!IsBid(fields[2]) || !t.Fits(f.Bid, fields[2]))
            return false;
        const int record = t.Seek(kIdTag, *id);
        if (record >= 0)
            t.AssignString(record, f.Bid, fields[2]);
        return true;
    }
    if (kind == QLatin1String("D")) {
        const int record = t.Seek(kIdTag, *id);
        if (record >= 0)
            t.Delete(record);
        return true;
    }
    return false;
}

} // namespace ItemUpdate
