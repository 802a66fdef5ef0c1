#include "platform/Files.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

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

std::optional<QString> ReadTextLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Latin1);
    QString text;
    while (!in.atEnd())
        text += in.readLine() + QStringLiteral("\r\n");
    return text;
}

} // namespace platform
