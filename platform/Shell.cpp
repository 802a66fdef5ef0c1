#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {

class RealShell : public Shell {
public:
    bool Execute(const QString& file, const QString& parameters,
                 const QString& directory) override {
        const QString lower = file.left(8).toLower();
        if (lower.startsWith(QLatin1String("http://")) ||
            lower.startsWith(QLatin1String("https://")))
            return QDesktopServices::openUrl(
                QUrl::fromEncoded(file.toLatin1(), QUrl::TolerantMode));
        const QFileInfo info(file);
        if (info.isFile() && info.isExecutable()) {
            QStringList args;
            if (!parameters.isEmpty() && parameters != QLatin1String("0"))
                args << parameters;
            const QString dir = directory == QLatin1String("0") ? QString() : directory;
            return QProcess::startDetached(file, args, dir);
        }
        if (info.exists())
            return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
        return QDesktopServices::openUrl(QUrl::fromUserInput(file));
    }
};

Shell* g_replacement = nullptr;

} // namespace

Shell& shell() {
    static RealShell real;
    return g_replacement ? *g_replacement : real;
}

void SetShell(Shell* replacement) {
    g_replacement = replacement;
}

} // namespace platform
