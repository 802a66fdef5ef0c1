#include "core/modGlobals.h"

#include "core/Dialogs.h"
#include "core/clsItemManager.h"
#include "core/modInternet.h"
#include "core/modRegistry.h"
#include "platform/Files.h"
#include "platform/Http.h"
#include "platform/Latin1Text.h"
#include "platform/Notifier.h"
#include "platform/Registry.h"
#include "platform/RequestWait.h"
#include "platform/SettingsStore.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>

namespace modGlobals {

namespace {
bool g_saveFailureTold = false; // a failed save of a setting was reported
}

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
    DropNewsCache();
    gInetError = 0;
    g_saveFailureTold = false;
    modInternet::Inet1().Cancel();
}

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue) {
    return platform::GetSetting(kAppTitle, section, key, defaultValue);
}

void DropNewsCache() {
    gNewsCollection = std::make_shared<ItemCollection>();
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
    if (platform::SaveSetting(kAppTitle, section, key, value) || g_saveFailureTold)
        return;
    // Told once: every later save would fail the same way, and a message per
    // setting would bury the user.
    g_saveFailureTold = true;
    platform::MsgBox(QStringLiteral("Tarvel was unable to save its settings to ") +
                         QDir::toNativeSeparators(platform::SettingsFilePath(kAppTitle)) +
                         QStringLiteral(". Changes to them will be lost when Tarvel closes."),
                     platform::vbExclamation, QStringLiteral("Settings not saved"));
}

bool TextToLong(const QString& text, int* out) {
    bool ok = false;
    const int plain = text.toInt(&ok);
    if (ok) {
        *out = plain;
        return true;
    }
    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        const uint hex = text.mid(2).toUInt(&ok, 16);
        if (ok)
            *out = static_cast<int>(hex);
        return ok;
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double number = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        return false;
    *out = static_cast<int>(rounded);
    return true;
}

namespace {

bool IsUserOptionsSection(const QString& section) {
    if (!section.startsWith(QLatin1String("Options")) || section.size() == 7)
        return false;
    bool ok = false;
    section.mid(7).toInt(&ok);
    return ok;
}

} // namespace

int GetSettingLong(const QString& section, const QString& key, int defaultValue) {
    // A text that does not convert falls back to the default instead of
    // raising an error in the reader.
    int value = 0;
    const QString text = GetSetting(section, key, QString::number(defaultValue)).trimmed();
    return TextToLong(text, &value) ? value : defaultValue;
}

QString SettingDefault(const QString& section, const QString& key) {
    if (section == QLatin1String("Main")) {
        if (key == QLatin1String("LastUpdated"))
            return QStringLiteral("X");
        if (key == QLatin1String("NewHotBuy"))
            return QStringLiteral("No");
        if (key == QLatin1String("Flash Question"))
            return QStringLiteral("Yes");
        return QString(); // Version, Path
    }
    if (section == QLatin1String("Options")) {
        if (key == QLatin1String("ButtonPosition"))
            return QStringLiteral("1");
        if (key == QLatin1String("FavoritesPosition"))
            return QStringLiteral("0");
        return QString();
    }
    if (IsUserOptionsSection(section)) {
        if (key == QLatin1String("AniSpeed"))
            return QStringLiteral("19");
        if (key == QLatin1String("LogoutTime"))
            return QStringLiteral("0");
        return QString();
    }
    if (section == QLatin1String("Login") && key == QLatin1String("AutoLogin"))
        return QStringLiteral("0");
    return QString(); // Login User0 to User4, Password
}

QString GetSettingOrDefault(const QString& section, const QString& key) {
    return GetSetting(section, key, SettingDefault(section, key));
}

QString UserOptionsSection() {
    return QStringLiteral("Options") + QString::number(gUserID);
}

void ShowError(const QString& errorMsg, int errorNo, const QString& location) {
    windows::dialogs().ShowError(errorMsg, errorNo, location);
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
        platform::Defer(edit, [guard] {
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
    // A monotonic clock: the design's timer restarted at midnight, so a wait
    // begun just before it never ended. Sleeping instead of spinning keeps a
    // core free; no window event is processed either way.
    if (!(seconds > 0)) // also NaN
        return;
    const double capped = std::min(seconds, 24.0 * 3600.0);
    const qint64 total = static_cast<qint64>(capped * 1000.0);
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = total; left > 0; left = total - clock.elapsed())
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(10, left)));
}

std::optional<bool> ParseBoolean(QStringView text) {
    if (text == QLatin1String("True")) // as the service sends them
        return true;
    if (text == QLatin1String("False"))
        return false;
    const QStringView t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
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

bool IsPlainFileName(const QString& name) {
    if (name.isEmpty() || name.size() > 255 || name.startsWith(QLatin1Char('.')) ||
        name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/') ||
            c == QLatin1Char('\\') || c == QLatin1Char(':'))
            return false;
    }
    return true;
}

bool IsProgramDataFile(const QString& name) {
    const QString lower = name.toLower();
    static const QStringList kOwn = {QStringLiteral("menuitems.dat"),
                                     QStringLiteral("menuitems.upd"),
                                     QStringLiteral("menuitems.upd.part"),
                                     QStringLiteral("db.exe"),
                                     QStringLiteral("eul.txt"),
                                     QStringLiteral("email.txt")};
    if (kOwn.contains(lower))
        return true;
    // Category logs: "c" & a user id & ".dat".
    static const QRegularExpression log(QStringLiteral("^c-?[0-9]+\\.dat$"));
    return log.match(lower).hasMatch();
}

void AppendLine(const QString& fileName, const QString& text) {
    platform::AppendToFile(gDataPath + fileName, text.toLatin1() + "\r\n");
}

namespace {

// A category id: decimal digits, perhaps with a minus sign.
bool IsCategoryId(const QByteArray& line) {
    const qsizetype start = line.startsWith('-') ? 1 : 0;
    if (line.size() <= start)
        return false;
    return std::all_of(line.begin() + start, line.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The user id in a log file name "c1234.dat"; gUserID when it names none.
QString LogUserId(const QString& name) {
    if (name.startsWith(QLatin1Char('c')) && name.endsWith(QLatin1String(".dat"))) {
        const QString digits = name.mid(1, name.size() - 5);
        if (IsCategoryId(digits.toLatin1()))
            return digits;
    }
    return QString::number(gUserID);
}

// After the server took the log: drops what was sent and keeps whatever was
// appended since, for the next upload.
void DropSentPart(const QString& fileName, const QByteArray& sent) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray now = file.readAll();
    file.close();
    if (!now.startsWith(sent))
        return; // not the file we sent: leave it alone rather than lose it
    if (now.size() == sent.size()) {
        QFile::remove(fileName);
        return;
    }
    platform::WriteFileWhole(fileName, now.mid(sent.size()));
}

} // namespace

namespace {

// The log file, what it holds and the upload's body; false when there is
// nothing to send.
bool ReadCategoryLog(QString* fileName, QByteArray* content, QString* body) {
    *fileName = gDataPath + gCategoryLogFile;
    QFile file(*fileName);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(file.errorString(), 75, QStringLiteral("modGlobals.SubmitCategoryLog"));
        return false;
    }
    *content = file.readAll();
    file.close();

    // Sent under the user id of the file's own name, which after a logout or
    // a change of user may differ from gUserID.
    *body = QStringLiteral("UserID=") + LogUserId(gCategoryLogFile);
    for (const QByteArray& raw : content->split('\n')) {
        const QByteArray line = raw.trimmed();
        if (IsCategoryId(line)) // anything else is not a category id
            *body += QStringLiteral("&ID=") + QString::fromLatin1(line);
    }
    return true;
}

} // namespace

void SubmitCategoryLog() {
    if (gCategoryLogFile.isEmpty())
        return;
    if (!QFile::exists(gDataPath + gCategoryLogFile))
        return;
    // Wait for the control before reading: an upload still under way removes
    // what it sent when it ends, and reading first would send it twice.
    while (modInternet::Inet1().StillExecuting()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    QString fileName, body;
    QByteArray content;
    if (!ReadCategoryLog(&fileName, &content, &body))
        return;
    // The file goes only once the server has it (a 2xx reply); after a
    // failure it stays, with whatever was appended meanwhile, for next time.
    modInternet::SubmitPostData(QStringLiteral("SubmitCategoryLog.asp"), body,
                                [fileName, content](bool delivered) {
                                    if (delivered)
                                        DropSentPart(fileName, content);
                                });
}

void SubmitCategoryLogWithin(int limitMs) {
    if (gCategoryLogFile.isEmpty() || gServerBase.isEmpty())
        return;
    QString fileName, body;
    QByteArray content;
    if (!ReadCategoryLog(&fileName, &content, &body))
        return;
    platform::HttpRequest request;
    if (!platform::ParseHttpAddress(QStringLiteral("http://") + gServerBase +
                                        QStringLiteral("SubmitCategoryLog.asp"),
                                    &request))
        return;
    request.method = "POST";
    request.headers << "Content-Type: application/x-www-form-urlencoded";
    request.body = platform::EncodeAnsi(body);
    request.timeoutMs = limitMs;
    request.deadlineMs = limitMs;
    // On this thread, without an event loop: the display may be gone.
    if (platform::Fetch(request).ok())
        DropSentPart(fileName, content);
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
                QStringLiteral(
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
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
        // The design looked for any file (not a folder) in the profile folder.
        const QDir dir(gFavoritesPath);
        if (profile.isEmpty() || !dir.exists() || dir.entryList(QDir::Files).isEmpty())
            gFavoritesPath.clear();
    }
}

} // namespace modGlobals
