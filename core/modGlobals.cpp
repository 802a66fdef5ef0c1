#include "core/modGlobals.h"

#include "core/WindowHooks.h"
#include "core/clsItemManager.h"
#include "core/modInternet.h"
#include "core/modRegistry.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <QTimer>

namespace modGlobals {

void ResetState() {
    gMainLoaded = gLoginLoaded = gTooltipLoaded = false;
    gAboutLoaded = gOptionsLoaded = gReferLoaded = false;
    gVersion.clear();
    gPlatformId = 2;
    gDataPath.clear();
    gImagesPath.clear();
    gTrueColor = true;
    gSlideFactor = 6;
    gScreenBottom = 0;
    gHighlightRect = {};
    gCategoryIcon.clear();
    gTrayHwnd = gTrayNotifyHwnd = gReBarHwnd = gTaskToolbarHwnd = gButtonHwnd = 0;
    gButtonPosition = 1;
    gFavoritesPosition = 0;
    gFavoritesPath.clear();
    gAniSpeed = 19;
    gUserID = 0;
    gUserName.clear();
    gPassword.clear();
    gRegisteredName.clear();
    gAllowRestricted = false;
    gSessionKey.clear();
    gLogoutTime = 0;
    gCategoryLogFile.clear();
    gServerHost.clear();
    gServerPath.clear();
    gServerBase.clear();
    gItemManager.reset();
    gNewsCollection = std::make_shared<ItemCollection>();
    gInetError = 0;
    modInternet::Inet1().Cancel();
}

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue) {
    return platform::GetSetting(kAppTitle, section, key, defaultValue);
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
    platform::SaveSetting(kAppTitle, section, key, value);
}

int GetSettingLong(const QString& section, const QString& key, int defaultValue) {
    bool ok = false;
    const int value = GetSetting(section, key, QString::number(defaultValue)).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

QString UserOptionsSection() { return QStringLiteral("Options") + QString::number(gUserID); }

void ShowError(const QString& errorMsg, int errorNo, const QString& location) {
    if (Windows().showError)
        Windows().showError(errorMsg, errorNo, location);
    else
        qWarning("%s: %s (%d)", qPrintable(location), qPrintable(errorMsg), errorNo);
}

namespace {

// The tooltip colours of the design follow the user's colour scheme, as the
// palette's tooltip roles do here.
void SetColours(QWidget* ctl, QPalette::ColorRole back, QPalette::ColorRole fore) {
    QPalette pal = ctl->palette();
    const QPalette app = QApplication::palette();
    pal.setColor(QPalette::Base, app.color(back));
    pal.setColor(QPalette::Text, app.color(fore));
    pal.setColor(QPalette::Window, app.color(back));
    pal.setColor(QPalette::WindowText, app.color(fore));
    pal.setColor(QPalette::Button, app.color(back));
    pal.setColor(QPalette::ButtonText, app.color(fore));
    ctl->setPalette(pal);
}

} // namespace

void CtlGotFocus(QWidget* ctl) {
    if (!ctl)
        return;
    SetColours(ctl, QPalette::ToolTipBase, QPalette::ToolTipText);
    if (auto* edit = qobject_cast<QLineEdit*>(ctl)) {
        // A mouse press that gave the focus would undo a selection made now.
        QPointer<QLineEdit> guard(edit);
        edit->selectAll();
        QTimer::singleShot(0, edit, [guard] {
            if (guard && guard->hasFocus())
                guard->selectAll();
        });
    } else if (auto* text = qobject_cast<QTextEdit*>(ctl)) {
        text->selectAll();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(ctl)) {
        plain->selectAll();
    }
}

void CtlLostFocus(QWidget* ctl) {
    if (!ctl)
        return;
    SetColours(ctl, QPalette::Base, QPalette::Text);
}

void Pause(double seconds) {
    // A monotonic clock: the design's clock restarted at midnight.
    QElapsedTimer clock;
    clock.start();
    const qint64 total = static_cast<qint64>(seconds * 1000.0);
    while (clock.elapsed() < total)
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(10, total - clock.elapsed())));
}

QString ProperCase(const QString& text) {
    QString out = text;
    // Trim spaces only, as the design did.
    int start = 0;
    while (start < out.size() && out.at(start) == QLatin1Char(' '))
        ++start;
    int end = out.size();
    while (end > start && out.at(end - 1) == QLatin1Char(' '))
        --end;
    out = out.mid(start, end - start);
    bool wordStart = true;
    for (QChar& c : out) {
        if (c == QLatin1Char(' ')) {
            wordStart = true;
            continue;
        }
        if (!wordStart && c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
        wordStart = false;
    }
    return out;
}

void AppendLine(const QString& fileName, const QString& text) {
    QFile file(gDataPath + fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(text.toLatin1() + "\r\n");
}

void SubmitCategoryLog() {
    if (gCategoryLogFile.isEmpty())
        return;
    const QString fileName = gDataPath + gCategoryLogFile;
    QFile file(fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(file.errorString(), 75, QStringLiteral("modGlobals.SubmitCategoryLog"));
        return;
    }
    const QByteArray content = file.readAll();
    file.close();

    // The log is sent under the user id of its own file name ("c1234.dat"),
    // which after a logout may differ from gUserID.
    QString userId = QString::number(gUserID);
    const QString name = gCategoryLogFile;
    if (name.startsWith(QLatin1Char('c')) && name.endsWith(QLatin1String(".dat"))) {
        bool ok = false;
        const int id = name.mid(1, name.size() - 5).toInt(&ok);
        if (ok)
            userId = QString::number(id);
    }
    QString body = QStringLiteral("UserID=") + userId;
    const QList<QByteArray> lines = content.split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        bool ok = false;
        line.toLongLong(&ok);
        if (!ok)
            continue; // not a category id
        body += QStringLiteral("&ID=") + QString::fromLatin1(line);
    }
    const qint64 sentSize = content.size();
    // The file is removed only once the server took it; what was appended
    // meanwhile stays for the next upload.
    modInternet::SubmitPostData(QStringLiteral("SubmitCategoryLog.asp"), body,
                                [fileName, sentSize](bool delivered) {
                                    if (!delivered)
                                        return;
                                    QFile sent(fileName);
                                    if (!sent.open(QIODevice::ReadOnly))
                                        return;
                                    const QByteArray now = sent.readAll();
                                    sent.close();
                                    if (now.size() <= sentSize) {
                                        sent.remove();
                                    } else if (sent.open(QIODevice::WriteOnly |
                                                         QIODevice::Truncate)) {
                                        sent.write(now.mid(sentSize));
                                    }
                                });
}

namespace {
// Where the bookmarks program keeps its user profiles (its
// "Program Files\Netscape\Users\" folder on Windows).
QString NetscapeUsersFolder() {
    const QString env = qEnvironmentVariable("TARVEL_NETSCAPE_USERS");
    if (!env.isEmpty())
        return env.endsWith(QLatin1Char('/')) ? env : env + QLatin1Char('/');
    return QDir::homePath() + QStringLiteral("/.netscape/Users/");
}
} // namespace

void SetFavoritesFolder(int position) {
    QString value;
    if (position == 0) {
        if (modRegistry::RegQueryString(
                platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                QStringLiteral("Favorites"), value))
            gFavoritesPath = value;
        else
            gFavoritesPath.clear();
    } else if (position == 1) {
        QString profile;
        modRegistry::RegQueryString(platform::HKEY_CURRENT_USER,
                                    QStringLiteral("Software\\Netscape\\Netscape Navigator\\biff"),
                                    QStringLiteral("CurrentUser"), profile);
        gFavoritesPath = NetscapeUsersFolder() + profile;
        const QDir dir(gFavoritesPath);
        if (profile.isEmpty() || !dir.exists() ||
            dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            gFavoritesPath.clear();
    }
}

} // namespace modGlobals
