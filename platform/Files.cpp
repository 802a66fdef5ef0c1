#include "platform/Files.h"

#include "platform/Latin1Text.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool WriteAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

bool WriteFileWhole(const QString& path, const QByteArray& bytes, bool executable) {
    const QFileInfo info(path);
    // A leading dot: no plain file name the server sends can name it; the
    // name is shortened so that the temporary one stays within 255 bytes.
    QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                        info.fileName().left(60) + QStringLiteral(".XXXXXX"));
    // mkostemp makes a new file of its own (O_EXCL), mode 0600.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes.constData(), bytes.size()) &&
              ::fchmod(fd, executable ? 0755 : 0644) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    // rename(2) replaces whatever is at the name, a link included, in one step.
    if (ok && std::rename(temp.constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    ::unlink(temp.constData());
    return false;
}

bool CreateNewFile(QFile& file, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::unlink(name.constData()) != 0 && errno != ENOENT)
        return false;
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool AppendToFile(const QString& path, const QByteArray& bytes) {
    // O_NONBLOCK: a FIFO planted at the name must not hang the program.
    const int fd =
        ::open(QFile::encodeName(path).constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    WriteAll(fd, bytes.constData(), bytes.size());
    ::close(fd);
    return ok;
}

bool MakePrivateFolder(const QString& path, QString* failed) {
    const QString clean = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean && !MakePrivateFolder(parent, failed))
        return false;
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) != 0 && errno != EEXIST) {
        if (failed)
            *failed = clean;
        return false;
    }
    if (QFileInfo(clean).isDir())
        return true;
    // Something that is not a folder stands in its place.
    errno = ENOTDIR;
    if (failed)
        *failed = clean;
    return false;
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
