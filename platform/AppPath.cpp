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
// user (who could plant links in it) is refused. A link at the name is refused
// too, never followed: planted by another user, it would have us narrow and
// fill a folder of his choosing. The checks and the narrowing act on the
// folder opened without following a link, so nothing can be swapped in
// between them.
bool KeepPrivate(const QString& path, QString* reason) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            *reason = QStringLiteral("it is a symbolic link");
        else
            *reason = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    else if (st.st_uid != ::geteuid()) {
        *reason = QStringLiteral("it belongs to another user");
        ok = false;
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, st.st_mode & 0700) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        ok = false;
    }
    ::close(fd);
    return ok;
}

// The base folder of an XDG variable; the rules ignore a relative one.
QString XdgBase(const char* variable, const QString& fallback) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + fallback;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
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
    return XdgBase("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/Tarvel");
}

QString SettingsHome() {
    return XdgBase("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/Tarvel");
}

bool PrepareSettingsFolder(QString* failedFolder, QString* reason) {
    const QString folder = SettingsHome();
    QString failed, why;
    if (!MakePrivateFolder(folder, &failed)) {
        why = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!KeepPrivate(folder, &why)) {
        failed = folder;
    } else {
        return true;
    }
    if (failedFolder)
        *failedFolder = failed;
    if (reason)
        *reason = why;
    return false;
}

bool SettingsFolderTrusted() {
    struct stat st {};
    if (::lstat(QFile::encodeName(SettingsHome()).constData(), &st) != 0)
        return errno == ENOENT; // nothing there to read
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
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
        if (!MakePrivateFolder(path))
            return fail(path);
        // Checked before the probe file is written, which would otherwise
        // land wherever a planted link points.
        if (!KeepPrivate(path, &why))
            return refuse(path);
        if (!CanWriteIn(path))
            return fail(path);
    }
    return true;
}

} // namespace platform
