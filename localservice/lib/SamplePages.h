#pragma once
// The sample web service that scripts/run starts: every page of the service
// with sample data. Each area of the system installs its own pages; the
// account store is shared so that an account made with Enlist can log in to
// Tarvel.
#include "localservice/lib/LocalService.h"

#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <mutex>

namespace localservice {

struct SampleAccount {
    int userId = 0;
    QString userName;
    QString password;
    // Enrolment state of the login reply: 1 complete; anything else
    // unfinished (see the login page).
    int enlistState = 1;
    bool allowRestricted = false;
    QString registeredName;
    QString email;
    // Profile fields posted by Enlist, by field name.
    QMap<QString, QString> profile;
};

struct SampleAccounts {
    std::mutex lock;
    QMap<QString, SampleAccount> byName; // key: user name in lower case
    int nextUserId = 1001;
};

// Each user's home-menu shortcuts (the rows above the divider), by user id;
// a user without an entry has the sample's default shortcuts.
struct SampleShortcuts {
    std::mutex lock;
    QMap<int, QList<int>> byUser;
    // Rows the default shortcuts start with (the large category of a grown
    // directory).
    QList<int> leading;
};

struct SampleData {
    QString dataFolder; // folder with the sample files (MenuItems.dat, forms, icons...)
    QString serverPath = QStringLiteral("/Vantrix/internal/");
    // 0: the sample directory; more than its size: the directory grown to
    // that many records (LargeDirectoryRecord), whose first update is every
    // record as a "U" line, a full reload.
    int records = 0;
    std::shared_ptr<SampleAccounts> accounts = std::make_shared<SampleAccounts>();
    std::shared_ptr<SampleShortcuts> shortcuts = std::make_shared<SampleShortcuts>();
};

// The shortcuts of a user (the default ones until the user changes them);
// the caller holds shortcuts.lock.
QList<int>& UserShortcuts(SampleShortcuts& shortcuts, int userId);

// All pages below; each is defined in its own file.
void InstallSamplePages(LocalService& service, const SampleData& data);
void InstallCorePages(LocalService& service,
                      const SampleData& data); // discovery, login, logs, errors
void InstallStorePages(LocalService& service,
                       const SampleData& data); // updates, home menu, news, search
void InstallMenuPages(LocalService& service, const SampleData& data);   // shortcuts, forms, icons
void InstallEnlistPages(LocalService& service, const SampleData& data); // enrolment, installer
void InstallShellPages(LocalService& service,
                       const SampleData& data); // add and remove shortcuts, referrals

} // namespace localservice
