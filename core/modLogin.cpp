// Login and logout against the server's login page.
#include "core/modLogin.h"

#include "core/ButtonWindow.h"
#include "core/Dialogs.h"
#include "core/LoginWindow.h"
#include "core/MenuChain.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "core/modStartup.h"
#include "platform/AppPath.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace modLogin {

namespace {
int g_uploadWaitMs = 10000;
}

const QString kSupportAddress = QStringLiteral("support@tarvel.com");

void SetUploadWaitMs(int ms) {
    g_uploadWaitMs = ms;
}
int UploadWaitMs() {
    return g_uploadWaitMs;
}

void WaitForUpload() {
    platform::TransferControl& inet = modInternet::Inet1();
    if (!inet.StillExecuting())
        return;
    QEventLoop loop;
    QObject::connect(&inet, &platform::TransferControl::Idle, &loop, &QEventLoop::quit);
    QTimer::singleShot(UploadWaitMs(), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void EndSession(int limitMs) {
    // Transfers under way (an icon, an earlier upload) are dropped: the log
    // they would hold back is sent now, and one cut short stays for the next
    // start.
    modInternet::Inet1().Cancel();
    modGlobals::SubmitCategoryLogWithin(limitMs);
    modGlobals::gUserID = 0;
    modGlobals::gUserName.clear();
    // Releasing the store closes the table, its changes written.
    modGlobals::gItemManager.reset();
}

std::optional<int> ParseUserId(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int id = t.toInt(&ok);
    if (!ok || id <= 0)
        return std::nullopt;
    return id;
}

bool IsNumeric(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

bool IsNewerVersion(const QString& line4) {
    const QStringList parts = line4.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return false;
    const long long major = parts.at(0).trimmed().toLongLong();
    const long long minor = parts.at(1).trimmed().toLongLong();
    const long long revision = parts.at(2).trimmed().toLongLong();
    using namespace modStartup;
    if (major != kVersionMajor)
        return major > kVersionMajor;
    if (minor != kVersionMinor)
        return minor > kVersionMinor;
    return revision > kVersionRevision;
}

bool ReadLoginReply(const QStringList& lines, LoginReply* out) {
    if (lines.size() < 7)
        return false;
    const std::optional<int> id = ParseUserId(lines.at(0));
    const std::optional<bool> enrolled = modGlobals::ParseBoolean(lines.at(1));
    const std::optional<bool> restricted = modGlobals::ParseBoolean(lines.at(2));
    if (!id || !enrolled || !restricted)
        return false;
    out->userId = *id;
    out->enrolled = *enrolled;
    out->allowRestricted = *restricted;

    const QStringList version = lines.at(3).split(QLatin1Char('.'));
    if (version.size() == 3) {
        for (const QString& part : version) {
            if (!IsNumeric(part))
                return false;
        }
        out->newerVersion = IsNewerVersion(lines.at(3));
    }

    out->hasPopup = lines.at(4) != QLatin1String("X");
    if (out->hasPopup) {
        const QStringList parts = lines.at(4).split(QLatin1Char(','));
        if (parts.size() == 4) {
            bool okW = false, okH = false;
            out->popupWidth = parts.at(0).trimmed().toInt(&okW);
            out->popupHeight = parts.at(1).trimmed().toInt(&okH);
            if (!okW || !okH)
                return false;
            out->popupAddress = parts.at(2);
            out->popupTitle = parts.at(3);
            out->popupComplete = true;
        }
    }
    out->registeredName = lines.at(5);
    out->sessionKey = lines.at(6);
    return true;
}

} // namespace modLogin

namespace modGlobals {

namespace {

const QString kCannotConnect = QStringLiteral("Cannot connect");
const QString kLoginFailed = QStringLiteral("Login failed");
const QString kInvalidLogin = QStringLiteral("Invalid user name or password.");

QString ContactUs() {
    return QStringLiteral("If problems persists, please contact us at ") +
           modLogin::kSupportAddress;
}

QString InvalidResponseWithReply(const QString& reply) {
    return QStringLiteral("Tarvel was unable to log you into our server. It returned an invalid "
                          "response. Make sure you are currently connected to the Internet. ") +
           ContactUs() + QStringLiteral("\r\n\r\n") + platform::QuoteReply(reply);
}

QString InvalidResponseShort() {
    return QStringLiteral("Tarvel was unable to log you into our server. It returned an invalid "
                          "response. ") +
           ContactUs();
}

// The hourglass for the length of the login; the update prompt lifts it.
class WaitCursor {
public:
    WaitCursor() { Set(); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Set() {
        if (!set_ && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            set_ = true;
        }
    }
    void Restore() {
        if (set_) {
            QApplication::restoreOverrideCursor();
            set_ = false;
        }
    }

private:
    bool set_ = false;
};

void SetProgress(int value) {
    windows::login().SetProgress(value);
}

void Inform(const QString& text, const QString& title) {
    platform::MsgBox(text, platform::vbInformation, title);
}

void LeaveForUpdate() {
    LogoutUser();
    // The update program must not start (and the process end) before the
    // category log has left.
    modLogin::WaitForUpload();
    gUserID = -1;
    windows::button().Unload();
    windows::login().Unload();
    windows::menuChain().UnloadHomeMenu();
    windows::button().Unload();
    gItemManager.reset();
    platform::shell().Execute(platform::AppPath() + QStringLiteral("/TarvelUpdate"), QString(),
                              QStringLiteral("0"));
}

// The pop-up page opens only as a web page: an http or https address, or a
// bare "host/page" that becomes one. Any other scheme ("file:",
// "javascript:") would hand the desktop or the companion browser whatever
// the server named.
bool IsPopupAddress(const QString& address) {
    if (address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return true;
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon < 1)
        return true;
    // "host:8080/page" is a host with a port.
    if (colon + 1 < address.size() && address.at(colon + 1).isDigit())
        return true;
    const QString head = address.left(colon);
    return head.contains(QLatin1Char('/')) || head.contains(QLatin1Char('?'));
}

} // namespace

void LoginUser(const QString& UserName, const QString& Password) {
    // The window that called may go away while the login runs.
    const QString userName = UserName;
    const QString password = Password;
    WaitCursor cursor;
    modInternet::GetWebHost();

    const QString reply = modInternet::GetASPData(
        gServerPath + QStringLiteral("loginUser.asp"),
        QStringLiteral("UserName=") + modInternet::URLEncode(userName) +
            QStringLiteral("&Password=") + modInternet::URLEncode(password) +
            QStringLiteral("&Version=") + gVersion);

    DropNewsCache();

    auto failureEnd = [&cursor] {
        windows::login().Unload();
        cursor.Restore();
    };

    if (reply.isEmpty()) {
        Inform(QStringLiteral("Tarvel was unable to connect to the server. Make sure you are "
                              "currently connected to the Internet and try again."),
               kCannotConnect);
        return failureEnd();
    }
    if (reply == QLatin1String("ERR") || reply.contains(QLatin1String("error"))) {
        Inform(QStringLiteral("Tarvel was unable to log you into our server. It returned an error "
                              "response. Please try again later. ") +
                   ContactUs() + QStringLiteral("\r\n\r\n") + platform::QuoteReply(reply),
               kCannotConnect);
        return failureEnd();
    }

    const QStringList lines = reply.split(QStringLiteral("\r\n"));
    if (lines.size() < 7) {
        if (lines.at(0) == QLatin1String("NO"))
            Inform(kInvalidLogin, kLoginFailed);
        else if (lines.size() < 3)
            Inform(InvalidResponseWithReply(reply), kCannotConnect);
        else
            Inform(InvalidResponseShort(), kCannotConnect);
        return failureEnd();
    }

    if (!ItemManager().DatabaseIsLoaded()) {
        platform::MsgBox(QStringLiteral("Unable to open database. It may be missing or corrupt, or "
                                        "you may be using a conflicting version of c4dll.dll. You "
                                        "may need to reinstall the program."),
                         platform::vbCritical, QStringLiteral("Unable to open database"));
        return failureEnd();
    }

    if (!modLogin::IsNumeric(lines.at(0))) {
        Inform(kInvalidLogin, kLoginFailed);
        return failureEnd();
    }

    modLogin::LoginReply parsed;
    if (!modLogin::ReadLoginReply(lines, &parsed)) {
        Inform(InvalidResponseWithReply(reply), kCannotConnect);
        return failureEnd();
    }

    if (!parsed.enrolled) {
        platform::shell().Execute(platform::AppPath() + QStringLiteral("/Enlist"),
                                  QStringLiteral("/register ") + userName + QLatin1Char(',') +
                                      password,
                                  QStringLiteral("0"));
        windows::login().Unload();
        cursor.Restore();
        return;
    }

    gUserID = parsed.userId;
    gUserName = userName;
    gPassword = password;
    gAllowRestricted = parsed.allowRestricted;
    gRegisteredName = parsed.registeredName;
    gSessionKey = parsed.sessionKey;
    gCategoryLogFile = QStringLiteral("c") + QString::number(gUserID) + QStringLiteral(".dat");
    QCoreApplication::processEvents();

    if (parsed.newerVersion) {
        cursor.Restore();
        const bool updateNow = windows::dialogs().ShowUpdatePrompt();
        cursor.Set();
        if (updateNow) {
            LeaveForUpdate();
            return;
        }
    }

    SetProgress(20);
    ItemManager().DownloadUpdates();
    SetProgress(100);
    windows::login().SaveLoginLog();
    cursor.Restore();
    windows::login().Unload();
    gLogoutTime = GetSettingLong(UserOptionsSection(), QStringLiteral("LogoutTime"), 0);
    windows::button().ResetTimer();

    if (parsed.hasPopup) {
        if (parsed.popupComplete && IsPopupAddress(parsed.popupAddress))
            modInternet::OpenBrowserWindow(parsed.popupWidth, parsed.popupHeight,
                                           parsed.popupAddress, parsed.popupTitle);
        return;
    }
    const int aniSpeed = GetSettingLong(UserOptionsSection(), QStringLiteral("AniSpeed"), 19);
    gAniSpeed = (aniSpeed < -32768 || aniSpeed > 32767) ? 19 : aniSpeed;
    windows::menuChain().ShowHomeMenu();
}

void LogoutUser() {
    // The open menus list the rows of the user who is leaving: a row clicked
    // afterwards would open its address for nobody (user 0).
    if (gMainLoaded)
        windows::menuChain().UnloadHomeMenu();
    // So do the pop-up menus still open (the button's program menu left up
    // through an idle logout): their entries are the leaving user's.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    SubmitCategoryLog();
    gUserID = 0;
    gUserName.clear();
    // The store is not created just to drop a cache it cannot have.
    if (gItemManager)
        gItemManager->ClearHomeMenuCollection();
    windows::button().ResetTimer();
}

} // namespace modGlobals
