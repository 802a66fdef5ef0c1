// The sample service's pages for the button's and the home menu's commands:
// adding and removing a home-menu shortcut, and the referral of friends.
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"

#include <QDebug>

namespace localservice {

QList<int>& UserShortcuts(SampleShortcuts& shortcuts, int userId) {
    auto it = shortcuts.byUser.find(userId);
    if (it == shortcuts.byUser.end()) {
        QList<int> defaults = shortcuts.leading;
        for (const int id : SampleTopCategories())
            defaults << id;
        defaults << 3;
        it = shortcuts.byUser.insert(userId, defaults);
    }
    return *it;
}

namespace {

bool KnownRecord(int id, int records) {
    for (const SampleRecord& r : SampleDirectory())
        if (r.id == id)
            return true;
    if (records <= 0)
        return false;
    const int filler = LargeDirectorySize(records) - static_cast<int>(SampleDirectory().size()) - 1;
    return id == kLargeCategory || (id >= 100000 && id - 100000 < filler);
}

} // namespace

void InstallShellPages(LocalService& service, const SampleData& data) {
    const QString base = data.serverPath;
    const std::shared_ptr<SampleShortcuts> shortcuts = data.shortcuts;
    const int records = data.records;

    // "OK" when the shortcut was added; a row already there, an unknown
    // user or an unknown record is refused.
    service.SetHandler(
        base + QStringLiteral("addShortcut.asp"), [shortcuts, records](const Request& r) {
            Reply reply;
            const int userId = r.queryValue(QStringLiteral("UserID")).toInt();
            const int itemId = r.queryValue(QStringLiteral("MenuItemID")).toInt();
            const std::lock_guard<std::mutex> hold(shortcuts->lock);
            QList<int>& list = UserShortcuts(*shortcuts, userId);
            if (userId <= 0 || !KnownRecord(itemId, records) || list.contains(itemId)) {
                reply.body = "ERR";
                return reply;
            }
            list.append(itemId);
            reply.body = "OK";
            return reply;
        });

    // "OK" when the user had the shortcut; anything else is refused.
    service.SetHandler(base + QStringLiteral("removeShortcut.asp"), [shortcuts](const Request& r) {
        Reply reply;
        const int userId = r.queryValue(QStringLiteral("UserID")).toInt();
        const int itemId = r.queryValue(QStringLiteral("MenuItemID")).toInt();
        const std::lock_guard<std::mutex> hold(shortcuts->lock);
        if (userId <= 0 || UserShortcuts(*shortcuts, userId).removeAll(itemId) == 0) {
            reply.body = "ERR";
            return reply;
        }
        reply.body = "OK";
        return reply;
    });

    // The invitations are not mailed: the service logs who would get one.
    service.SetHandler(base + QStringLiteral("submitPotentialUsers.asp"), [](const Request& r) {
        Reply reply;
        const QList<QPair<QString, QString>> fields = r.formFields();
        if (fields.isEmpty() || fields.first().first != QLatin1String("UserID") ||
            fields.first().second.toInt() <= 0) {
            reply.body = "ERR";
            return reply;
        }
        QStringList emails;
        for (const auto& [key, value] : fields)
            if (key == QLatin1String("Email"))
                emails << value;
        qInfo().noquote() << "referral of user" << fields.first().second << "to"
                          << emails.join(QStringLiteral(", "));
        reply.body = "OK";
        return reply;
    });
}

} // namespace localservice
