#include "platform/AppPath.h"

#include <QCoreApplication>

namespace platform {

namespace {
QString g_override;
}

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

} // namespace platform
