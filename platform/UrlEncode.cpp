#include "platform/UrlEncode.h"

namespace platform {

QString URLEncode(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char(' '), QLatin1Char('+'));
    out.replace(QLatin1Char('"'), QStringLiteral("%22"));
    out.replace(QLatin1Char('\''), QStringLiteral("%27"));
    out.replace(QLatin1Char('&'), QStringLiteral("%26"));
    out.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    return out;
}

} // namespace platform
