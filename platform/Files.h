#pragma once
// Downloaded files are written whole: the bytes go to a temporary file that
// replaces the old one only once complete, so a larger old file never keeps a
// stale tail and a failed write leaves the old file as it was.
#include <QByteArray>
#include <QString>

namespace platform {

bool WriteFileWhole(const QString& path, const QByteArray& bytes);

} // namespace platform
