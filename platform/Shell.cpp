#include "platform/Shell.h"

#include "platform/Latin1Text.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cctype>

namespace platform {

QByteArray PageAddressBytes(const QString& address) {
    // Characters that may stand in an address as they are; the rest is
    // escaped. QUrl's tolerant mode re-encoded every "%" once one "%"
    // started no escape, and toLatin1() turned the code page's 0x80-0x9F
    // into "?".
    static const QByteArray kPlain =
        QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                          "0123456789-._~:/?#[]@!$&'()*+,;=");
    static const char kHex[] = "0123456789ABCDEF";
    // The service's code page; a character it has no byte for (an address
    // from a bookmark file) goes as its UTF-8 bytes, as browsers send it.
    QByteArray bytes;
    QString wide;
    for (const QChar c : address) {
        if (IsAnsi(c)) {
            bytes += wide.toUtf8() + EncodeAnsi(QString(c));
            wide.clear();
        } else {
            wide += c;
        }
    }
    bytes += wide.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<uchar>(bytes.at(i));
        if (c == '%' && i + 2 < bytes.size() && isxdigit(static_cast<uchar>(bytes.at(i + 1))) &&
            isxdigit(static_cast<uchar>(bytes.at(i + 2)))) {
            out += bytes.mid(i, 3); // an escape the address already holds
            i += 2;
        } else if (c < 0x80 && c != '%' && kPlain.contains(static_cast<char>(c))) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

QUrl PageUrl(const QString& address) {
    return QUrl::fromEncoded(PageAddressBytes(address), QUrl::StrictMode);
}

namespace {

class RealShell : public Shell {
public:
    bool Execute(const QString& file, const QString& parameters,
                 const QString& directory) override {
        const QString lower = file.left(8).toLower();
        if (lower.startsWith(QLatin1String("http://")) ||
            lower.startsWith(QLatin1String("https://")))
            return QDesktopServices::openUrl(PageUrl(file));
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
