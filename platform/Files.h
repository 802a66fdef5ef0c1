#pragma once
// Files the programs write into their data and images folders. Another local
// user may have planted a symbolic link there (or a file of the name the
// server is about to send), so nothing here follows a link at the name it
// writes: a whole file is a new file of its own renamed over the name (a link
// there is replaced, its target left alone), an append refuses a link, and
// the folders made here are the user's alone.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace platform {

// Writes `bytes` as the whole file at `path`: a new file in the same folder,
// forced to the disk and renamed into place, so a larger old file never keeps
// a stale tail and a failed write leaves the old file (or link) as it was.
// `executable` makes it a program (the installer).
bool WriteFileWhole(const QString& path, const QByteArray& bytes, bool executable = false);

// Opens `file` on a new, empty file at `path` for writing; whatever was at
// `path` (an old file, a link) is removed first, never written through.
bool CreateNewFile(QFile& file, const QString& path);

// Adds `bytes` at the end of the plain file at `path`, creating it when
// missing; false (nothing written) when `path` is a link or not a plain file.
bool AppendToFile(const QString& path, const QByteArray& bytes);

// Creates the folder `path` and any missing parents, each new one readable
// and writable by the user only. True when `path` is a folder afterwards;
// otherwise errno says why and `failed`, if given, names the folder that could
// not be made.
bool MakePrivateFolder(const QString& path, QString* failed = nullptr);

// A plain text file read line by line, each line (the last one too)
// followed by CR LF, as the dialogs show their texts: another program's
// text (UTF-8 when valid or marked, else Windows-1252), of which only the
// first maxBytes are read. Nothing when the file cannot be read.
inline constexpr qint64 kMaxTextFileBytes = 1024 * 1024;
std::optional<QString> ReadTextLines(const QString& path, qint64 maxBytes = kMaxTextFileBytes);

} // namespace platform
