#pragma once
// Text helpers of the menu database update, apart so that tests reach them.
#include <QDateTime>
#include <QString>

#include <optional>

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

} // namespace ItemUpdate
