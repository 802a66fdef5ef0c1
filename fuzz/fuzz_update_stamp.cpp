// The update reply's stamp line and the stored LastUpdated, read as a
// month-first date, and the stamp the next request sends: a date read is a
// real day, and the stamp sent for it reads back as the same day and time
// (within the hundred years a two-digit year can name).
#include "core/clsItemManagerUpdate.h"
#include "platform/Latin1Text.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line = platform::DecodeAnsi(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QDateTime read = ItemUpdate::ParseMonthFirstDate(line);
    if (!read.isValid())
        return 0;
    if (!read.date().isValid() || !read.time().isValid())
        __builtin_trap();
    static const QRegularExpression shape(
        QStringLiteral("^\\d\\d/\\d\\d/\\d\\d\\+\\d{1,2}:\\d\\d:\\d\\d\\+[AP]M$"));
    const QString sent = ItemUpdate::RequestStamp(read);
    if (!shape.match(sent).hasMatch())
        __builtin_trap();
    // The server reads the form body's "+" as a blank.
    QString decoded = sent;
    decoded.replace(QLatin1Char('+'), QLatin1Char(' '));
    const QDateTime back = ItemUpdate::ParseMonthFirstDate(decoded);
    const int year = read.date().year();
    if (year >= 1930 && year <= 2029 &&
        (back.date() != read.date() || back.time().hour() != read.time().hour() ||
         back.time().minute() != read.time().minute() ||
         back.time().second() != read.time().second()))
        __builtin_trap();
    return 0;
}
