#pragma once
// Downloaded files are written whole: the bytes go to a temporary file that
// replaces the old one only once complete, so a larger old file never keeps a
// stale tail and a failed write leaves the old file as it was.
#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

bool WriteFileWhole(const QString& path, const QByteArray& bytes);

// A plain text file read line by line, each line (the last one too)
// followed by CR LF, as the dialogs show their texts: another program's
// text (UTF-8 when valid or marked, else Windows-1252), of which only the
// first maxBytes are read. Nothing when the file cannot be read.
inline constexpr qint64 kMaxTextFileBytes = 1024 * 1024;
std::optional<QString> ReadTextLines(const QString& path, qint64 maxBytes = kMaxTextFileBytes);

} // namespace platform
