#pragma once
// Downloaded files are written whole: the bytes go to a temporary file that
// replaces the old one only once complete, so a larger old file never keeps a
// stale tail and a failed write leaves the old file as it was.
#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

bool WriteFileWhole(const QString& path, const QByteArray& bytes);

// A plain 8-bit text file read line by line, each line (the last one too)
// followed by CR LF, as the dialogs show their texts. Nothing when the file
// cannot be read.
std::optional<QString> ReadTextLines(const QString& path);

} // namespace platform
