#include "platform/SystemTool.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

QStringList KnownSystemInfoTools() {
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager")};
}

QString FindOnPath(const QStringList& names) {
    const QStringList folders =
        qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        for (const QString& folder : folders) {
            const QFileInfo file(QDir(folder).filePath(name));
            if (file.isFile() && file.isExecutable())
                return file.absoluteFilePath();
        }
    }
    return {};
}

QString LinuxSystemInfoTool() {
    return FindOnPath(KnownSystemInfoTools());
}

} // namespace platform
