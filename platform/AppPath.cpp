#include "platform/AppPath.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString g_override;

// Our own folders stay the user's alone: one made by an older version or by
// hand with wider permissions is narrowed, and one that belongs to another
// user (who could plant links in it) is refused.
bool KeepPrivate(const QString& path, QString* reason) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *reason = QStringLiteral("it belongs to another user");
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), st.st_mode & 0700) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

// The folder's permission bits say little (root ignores them, a read-only
// mount overrides them): only a file made and removed there proves a write.
bool CanWriteIn(const QString& folder) {
    const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.tarvel-write-check-") +
                                               QString::number(::getpid()));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

} // namespace

QString AppPath() {
    if (!g_override.isEmpty())
        return g_override;
    const QString env = qEnvironmentVariable("TARVEL_APP_PATH");
    if (!env.isEmpty())
        return env;
    return QCoreApplication::applicationDirPath();
}

void SetAppPath(const QString& folder) {
    g_override = folder;
}

QString DataHome() {
    // The XDG base directory rules ignore a relative XDG_DATA_HOME.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/Tarvel");
}

QString DataFolder() {
    return DataHome() + QStringLiteral("/data/");
}

QString ImagesFolder() {
    return DataHome() + QStringLiteral("/images/");
}

bool PrepareDataFolders(QString* failedFolder, QString* reason) {
    const QString home = DataHome();
    auto fail = [&](const QString& folder) {
        const int error = errno;
        if (failedFolder)
            *failedFolder = folder;
        if (reason)
            *reason = QString::fromLocal8Bit(std::strerror(error));
        return false;
    };
    // What is missing of $XDG_DATA_HOME is made 0700, as the XDG base
    // directory rules ask, and so are our own folders below it.
    QString failed;
    if (!MakePrivateFolder(home, &failed))
        return fail(failed);
    QString why;
    auto refuse = [&](const QString& folder) {
        if (failedFolder)
            *failedFolder = folder;
        if (reason)
            *reason = why;
        return false;
    };
    if (!KeepPrivate(home, &why))
        return refuse(home);
    for (const QString& folder : {DataFolder(), ImagesFolder()}) {
        const QString path = folder.chopped(1);
        if (!MakePrivateFolder(path) || !CanWriteIn(path))
            return fail(path);
        if (!KeepPrivate(path, &why))
            return refuse(path);
    }
    return true;
}

} // namespace platform
