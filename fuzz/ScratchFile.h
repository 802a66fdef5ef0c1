#pragma once
// A file a fuzz target writes its input to: in $TMPDIR, named after the
// process, and removed when the run ends (libFuzzer ends with exit(), which
// runs the destructors of statics).
#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

namespace fuzz {

struct ScratchFile {
    // `pattern` holds one "%1", the process id.
    explicit ScratchFile(const QString& pattern)
        : path(QDir::temp().filePath(pattern.arg(static_cast<qint64>(::getpid())))) {}
    ~ScratchFile() { QFile::remove(path); }
    QString path;
};

} // namespace fuzz
