#include "platform/Files.h"

#include "platform/Latin1Text.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

bool WriteFileWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QString> ReadTextLines(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Only the head of a huge file: the whole of one (300 MB) froze the
    // dialog for over a minute and took gigabytes.
    const QString all = DecodeOtherText(file.read(maxBytes));
    QString text;
    text.reserve(all.size() + all.size() / 32);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = all.size();
        qsizetype cut = end;
        if (cut > start && all.at(cut - 1) == QLatin1Char('\r'))
            --cut;
        text += QStringView(all).sliced(start, cut - start);
        text += QStringLiteral("\r\n");
        start = end + 1;
    }
    return text;
}

} // namespace platform
