#pragma once
// The text of the menu database update and the change one line makes to
// the table, apart from the request so that tests and fuzzing reach them.
#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {
class DbfTable;
}

namespace ItemUpdate {

// A month-first date with an optional time ("1/4/2000", "3/5/2026 4:12:33 PM",
// "03/05/26 16:12"), or an ISO date and time; invalid when the text is none.
// Two-digit years 00 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999.
QDateTime ParseMonthFirstDate(const QString& text);
// The stamp as the update request sends it: "MM/dd/yy+h:mm:ss+AM".
QString RequestStamp(const QDateTime& stamp);
// Turns every "%24" back into the "," it stands for.
QString DecodeCommas(QStringView text);
// The integer a field holds (blanks around allowed), within 32 bits.
std::optional<int> ParseInteger(QStringView text);
// A bid: blank, or a non-negative decimal.
bool IsBid(QStringView text);

// Field numbers of the menu table; AdURL may be absent (-1).
struct MenuFields {
    int ID = -1, ParentID = -1, Name = -1, Icon = -1, Descript = -1, IsItem = -1, IsRestrict = -1,
        Form = -1, Bid = -1, AdURL = -1;
    static MenuFields Of(const platform::DbfTable& table);
};

// Applies one change line ("I"/"U", "B" or "D") to a table with the tag
// ID_TAG. False when the line is malformed: a wrong kind or number of
// fields, a value that does not convert, a number that does not fit its
// field; such a line changes nothing. *newHotBuy becomes true when the line
// appended a record of the hot-buy category 3.
bool ApplyLine(platform::DbfTable& table, const MenuFields& fields, QStringView line,
               bool* newHotBuy);

} // namespace ItemUpdate
