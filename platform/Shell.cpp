#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {

// The scheme of an address ("ftp" of "ftp://x/run.sh"), lower case; "" when
// the text starts with none: letters first, then letters, digits, "+", "-"
// or ".", then ":" ("host:8080/page" is a host with a port).
QString SchemeOf(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 1 || (colon + 1 < text.size() && text.at(colon + 1).isDigit()))
        return QString();
    for (qsizetype i = 0; i < colon; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && (i == 0 || !other))
            return QString();
    }
    return text.left(colon).toLower();
}

// Schemes the desktop may open for the programs; any other ("file:",
// "javascript:", a handler another program registered) opens nothing.
bool IsOpenableScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp");
}

class RealShell : public Shell {
public:
    bool Execute(const QString& file, const QString& parameters,
                 const QString& directory) override {
        // An address is never a path: "ftp://x/run.sh" once started the
        // program ./ftp:/x/run.sh.
        const QString scheme = SchemeOf(file);
        if (!scheme.isEmpty()) {
            if (!IsOpenableScheme(scheme))
                return false;
            return QDesktopServices::openUrl(
                QUrl::fromEncoded(file.toLatin1(), QUrl::TolerantMode));
        }
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
        // A bare host ("www.example.com/page") is a web address; a path that
        // names nothing starts nothing, so the caller can try another way.
        const QUrl guessed = QUrl::fromUserInput(file);
        if (!IsOpenableScheme(guessed.scheme().toLower()))
            return false;
        return QDesktopServices::openUrl(guessed);
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
