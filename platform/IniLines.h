#pragma once
// The settings file as bytes, for a file QSettings would damage if it
// rewrote it. QSettings reads an INI file as UTF-8 and rewrites it whole
// from what it understood: a value another program wrote in the Windows code
// page ("Password=caf\xE9") came back as "caf" and was saved so, and lines it
// could not parse (comments, stray text) were dropped. For such a file the
// store reads and edits the lines itself and leaves every other byte as it
// was.
#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// True when QSettings reads every line of `file` as written and a rewrite
// keeps what it holds: valid UTF-8, and every line blank, a "[section]" or
// a "key=value".
bool IniFitsQSettings(const QByteArray& file);

// The value of section/key in `file` (the last one when the key repeats),
// unquoted as QSettings writes it; its bytes read as UTF-8 when they are
// valid UTF-8, else as Windows-1252. Nothing when the key is not there.
std::optional<QString> IniRead(const QByteArray& file, const QString& section, const QString& key);

// `file` with section/key set to `value` (nullptr: the key's lines removed):
// the key's line replaced in place, else a line added at the end of the
// section, else the section added at the end of the file. Every other line
// keeps its bytes. The value is written in the file's own encoding: UTF-8
// in a UTF-8 file, else Windows-1252 when that carries it.
QByteArray IniWithValue(const QByteArray& file, const QString& section, const QString& key,
                        const QString* value);

} // namespace platform
