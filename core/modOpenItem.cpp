// What choosing a row of any menu does: built-in commands for the reserved
// negative ids, the server's redirect page for everything else.
#include "core/ButtonWindow.h"
#include "core/Dialogs.h"
#include "core/ItemIds.h"
#include "core/MenuChain.h"
#include "core/ReplyParsers.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "platform/AppPath.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>

#include <optional>

namespace modGlobals {

namespace {

const QString kZero = QStringLiteral("0");

QString MemberCenterAddress(const QString& destination) {
    QString address = QStringLiteral("https://") + modInternet::MemberHost() +
                      QStringLiteral("/tarvel/members/") + QStringLiteral("login.asp?UserName=") +
                      modInternet::URLEncode(gUserName) + QStringLiteral("&Password=") +
                      modInternet::URLEncode(gPassword) + QStringLiteral("&Version=") + gVersion;
    if (!destination.isEmpty())
        address += QStringLiteral("&destination=") + destination;
    return address;
}

void OpenMemberCenter(const QString& destination = QString()) {
    modInternet::OpenBrowserWindow(11000, 9000, MemberCenterAddress(destination),
                                   QStringLiteral("Member Center"));
}

// A .url favorite larger than this is no shortcut.
constexpr qint64 kMaxShortcutBytes = 64 * 1024;

// The address a favorite stands for: a .url file's URL= line, or the
// bookmark's own address. Nothing when it names none.
std::optional<QString> FavoriteAddress(const clsItem& item) {
    if (gFavoritesPosition == 1)
        return item.URL;
    if (gFavoritesPosition != 0 || !IsPlainFileName(item.URL))
        return std::nullopt;
    QFile file(QDir(gFavoritesPath).filePath(item.URL));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxShortcutBytes)
        return std::nullopt;
    return ReplyParsers::UrlFileAddress(file.read(kMaxShortcutBytes));
}

void OpenFavorite(const clsItem& item) {
    // Only the web address is opened, never the file itself: a favorite that
    // is (or points at) a program or a script must not run.
    const std::optional<QString> address = FavoriteAddress(item);
    bool started = false;
    if (address && ReplyParsers::IsWebAddress(*address))
        started = platform::shell().Execute(*address, kZero, kZero);
    if (!started)
        platform::MsgBox(QStringLiteral("Failed to load URL!"));
}

void RedirectLink(const clsItem& item) {
    QString page = QStringLiteral("redirectMenuItem.asp?UserID=") + QString::number(gUserID) +
                   QStringLiteral("&MenuItemID=") + QString::number(item.ID);
    if (item.IsAboveLine)
        page += QStringLiteral("&IsAdvertiser=1");
    page += QStringLiteral("&Version=") + gVersion + QStringLiteral("&Key=") +
            modInternet::URLEncode(gSessionKey);
    modInternet::OpenServerPage(page);
}

} // namespace

void OpenItem(ItemPtr Item, const QString& SearchText) {
    // Unloading the menu chain below destroys the windows that own the row
    // and, perhaps, the search text: keep both.
    const ItemPtr item = std::move(Item);
    const QString searchText = SearchText;
    if (!item)
        return;

    if (gServerBase.isEmpty())
        modInternet::GetWebHost();
    windows::menuChain().UnloadHomeMenu();

    switch (item->ID) {
    case kFavoriteId:
        OpenFavorite(*item);
        break;
    case kModifyNewsFeedsId:
        OpenMemberCenter(QStringLiteral("newsfeeds"));
        DropNewsCache();
        windows::button().ResetNewsTimer();
        break;
    case kNewsHeadlineId:
        if (item->NewsID >= 0)
            platform::shell().Execute(QStringLiteral("http://") + gServerHost +
                                          QStringLiteral("/content/news/news.asp?newsfeedid=") +
                                          QString::number(item->NewsID),
                                      kZero, kZero);
        break;
    case kEarningsId:
        OpenMemberCenter(QStringLiteral("currentearnings"));
        break;
    case kTechSupportId:
        OpenMemberCenter(QStringLiteral("techsupport"));
        break;
    case kHelpId:
        modInternet::OpenBrowserWindow(7900, 6000, gServerBase + QStringLiteral("../../help/"),
                                       QStringLiteral("Tarvel Help"));
        break;
    case kShowUserIdId:
        platform::MsgBox(QStringLiteral("Your UserID is ") + QString::number(gUserID) +
                             QLatin1Char('.'),
                         platform::vbInformation, QStringLiteral("User ID"));
        break;
    case kMemberHomeId:
        OpenMemberCenter();
        break;
    case kContactUsId:
        OpenMemberCenter(QStringLiteral("contactus"));
        break;
    case kNewUserId:
        platform::shell().Execute(platform::AppPath() + QStringLiteral("/Enlist"),
                                  QStringLiteral("/addnew"), kZero);
        break;
    case kOptionsId:
        windows::dialogs().ShowOptions();
        break;
    case kReferFriendsId:
        windows::dialogs().ShowRefer();
        break;
    case kAboutId:
        windows::dialogs().ShowAbout();
        break;
    case kAdvertiseHereId:
        modInternet::OpenServerPage(QStringLiteral("../../advertiser/Main.asp?MenuItemID=") +
                                    QString::number(item->ParentID));
        break;
    case kSearchWebId:
        modInternet::OpenServerPage(QStringLiteral("../../Search/search.asp?query=") +
                                    modInternet::URLEncode(searchText) +
                                    QStringLiteral("&UserID=") + QString::number(gUserID));
        break;
    case kRestrictedStubId:
        modInternet::OpenServerPage(QStringLiteral("../Restricted.asp"));
        break;
    default:
        if (item->ParentID != kNoParentId)
            RedirectLink(*item);
        break;
    }
}

} // namespace modGlobals
