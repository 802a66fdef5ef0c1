// The sample service's own pages: server discovery, login, the category log,
// the update and error-report pages and the pages the programs hand to a
// browser (welcome, what's new, forgotten password, redirect, help, search,
// advertiser, restricted content, news, member center).
#include "localservice/lib/SamplePages.h"

#include <QDebug>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>

namespace localservice {

namespace {

// The programs are version 1.0.3: with this as the latest version no update
// prompt appears. The account "update" is told of a newer one so that the
// update prompt can be tried.
const QString kLatestVersion = QStringLiteral("1.0.3");
const QString kNewerVersion = QStringLiteral("1.0.4");

struct CoreState {
    std::mutex lock;
    QSet<QString> sessionKeys; // handed out by the login page
};

QString Esc(const QString& text) {
    return text.toHtmlEscaped();
}

Reply HtmlPage(const QString& title, const QString& bodyHtml) {
    Reply reply;
    reply.body = QStringLiteral("<html><head><title>%1</title></head>\r\n<body>\r\n<h1>%1</h1>\r\n"
                                "%2\r\n</body></html>\r\n")
                     .arg(Esc(title), bodyHtml)
                     .toLatin1();
    return reply;
}

QString Paragraph(const QString& text) {
    return QStringLiteral("<p>") + Esc(text) + "</p>";
}

void AddAccount(SampleAccounts& accounts, int id, const QString& name, const QString& password,
                const QString& registeredName, int enlistState, bool allowRestricted) {
    const QString key = name.toLower();
    if (accounts.byName.contains(key))
        return;
    SampleAccount account;
    account.userId = id;
    account.userName = name;
    account.password = password;
    account.registeredName = registeredName;
    account.enlistState = enlistState;
    account.allowRestricted = allowRestricted;
    account.email = name + QStringLiteral("@example.com");
    accounts.byName.insert(key, account);
    accounts.nextUserId = std::max(accounts.nextUserId, id + 1);
}

// Sample accounts, each showing one path of the login (password = user name).
void SeedAccounts(SampleAccounts& accounts) {
    std::lock_guard<std::mutex> guard(accounts.lock);
    AddAccount(accounts, 1001, QStringLiteral("demo"), QStringLiteral("demo"),
               QStringLiteral("Demo User"), 1, false);
    // Enrolment not finished: the login hands over to Enlist.
    AddAccount(accounts, 1002, QStringLiteral("newbie"), QStringLiteral("newbie"),
               QStringLiteral("New Member"), 0, false);
    AddAccount(accounts, 1003, QStringLiteral("grownup"), QStringLiteral("grownup"),
               QStringLiteral("Grown Up"), 1, true);
    // Told of a newer program version.
    AddAccount(accounts, 1004, QStringLiteral("update"), QStringLiteral("update"),
               QStringLiteral("Update Tester"), 1, false);
    // Gets a pop-up page instead of the home menu.
    AddAccount(accounts, 1005, QStringLiteral("popup"), QStringLiteral("popup"),
               QStringLiteral("Popup Tester"), 1, false);
}

QString SessionKey() {
    return QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, '0');
}

QString Bool(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

void InstallCorePages(LocalService& service, const SampleData& data) {
    SeedAccounts(*data.accounts);
    const auto state = std::make_shared<CoreState>();
    const auto accounts = data.accounts;
    const QString base = data.serverPath; // "/Vantrix/internal/"
    LocalService* svc = &service;

    // Server discovery: this very service is the server, at whatever port it
    // was started on.
    service.SetHandler(QStringLiteral("/url.txt"), [svc, base](const Request&) {
        Reply reply;
        reply.contentType = "text/plain";
        reply.body = (svc->Host() + "\r\n" + base + "\r\n").toLatin1();
        return reply;
    });

    service.SetHandler(base + "loginUser.asp", [svc, base, accounts, state](const Request& r) {
        Reply reply;
        reply.contentType = "text/plain";
        const QString name = r.formValue(QStringLiteral("UserName"));
        const QString password = r.formValue(QStringLiteral("Password"));
        SampleAccount account;
        {
            std::lock_guard<std::mutex> guard(accounts->lock);
            const auto it = accounts->byName.constFind(name.toLower());
            if (name.isEmpty() || it == accounts->byName.constEnd() || it->password != password) {
                reply.body = "NO";
                return reply;
            }
            account = it.value();
        }
        const QString key = SessionKey();
        {
            std::lock_guard<std::mutex> guard(state->lock);
            state->sessionKeys.insert(key);
        }
        const QString user = account.userName.toLower();
        const QString popup =
            user == QLatin1String("popup")
                ? QStringLiteral("7900,6000,%1%2popup.asp?UserID=%3,A message for you")
                      .arg(svc->Host(), base)
                      .arg(account.userId)
                : QStringLiteral("X");
        const QStringList lines{
            QString::number(account.userId),
            Bool(account.enlistState == 1),
            Bool(account.allowRestricted),
            user == QLatin1String("update") ? kNewerVersion : kLatestVersion,
            popup,
            account.registeredName.isEmpty() ? account.userName : account.registeredName,
            key,
        };
        reply.body = lines.join(QStringLiteral("\r\n")).toLatin1();
        return reply;
    });

    service.SetHandler(base + "SubmitCategoryLog.asp", [](const Request& r) {
        QStringList ids;
        for (const auto& field : r.formFields()) {
            if (field.first == QLatin1String("ID"))
                ids.append(field.second);
        }
        qInfo().noquote() << "category log of user" << r.formValue(QStringLiteral("UserID")) << ":"
                          << (ids.isEmpty() ? QStringLiteral("(none)")
                                            : ids.join(QLatin1Char(',')));
        Reply reply;
        reply.contentType = "text/plain";
        reply.body = "OK";
        return reply;
    });

    service.SetHandler(base + "../UpdateAvailable.asp", [](const Request& r) {
        const QString version = r.queryValue(QStringLiteral("Version"));
        return HtmlPage(
            QStringLiteral("A new version of Tarvel is available"),
            Paragraph(QStringLiteral("You are running Tarvel %1. Tarvel %2 is ready to be "
                                     "installed: it is faster and fixes several problems.")
                          .arg(version, kNewerVersion)) +
                Paragraph(QStringLiteral("Click Update Now to install it, or Postpone to "
                                         "be reminded at your next login.")));
    });

    service.SetHandler(base + "../ReportError.asp", [](const Request& r) {
        QString rows;
        for (const char* field : {"UserID", "Msg", "Err", "Location", "Version"}) {
            const QString name = QLatin1String(field);
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\r\n")
                        .arg(name, Esc(r.queryValue(name)));
        }
        qInfo().noquote() << "error report:" << r.query;
        return HtmlPage(QStringLiteral("Thank you for your report"),
                        Paragraph(QStringLiteral("This is what reached us:")) +
                            QStringLiteral("<table>\r\n") + rows + QStringLiteral("</table>"));
    });

    service.SetHandler(base + "redirectMenuItem.asp", [state](const Request& r) {
        const QString key = r.queryValue(QStringLiteral("Key"));
        bool known = false;
        {
            std::lock_guard<std::mutex> guard(state->lock);
            known = state->sessionKeys.contains(key);
        }
        const bool advertiser = r.queryValue(QStringLiteral("IsAdvertiser")) == QLatin1String("1");
        return HtmlPage(
            QStringLiteral("Opening menu item %1").arg(r.queryValue(QStringLiteral("MenuItemID"))),
            Paragraph(QStringLiteral("Menu item %1 would be opened here for user %2%3.")
                          .arg(r.queryValue(QStringLiteral("MenuItemID")),
                               r.queryValue(QStringLiteral("UserID")),
                               advertiser ? QStringLiteral(" (sponsored item)") : QString())) +
                Paragraph(QStringLiteral("Program version %1; login key %2.")
                              .arg(r.queryValue(QStringLiteral("Version")),
                                   known ? QStringLiteral("accepted")
                                         : QStringLiteral("not recognised"))));
    });

    service.SetHandler(base + "popup.asp", [](const Request& r) {
        return HtmlPage(QStringLiteral("A message for you"),
                        Paragraph(QStringLiteral("A message for member %1 from the Tarvel team.")
                                      .arg(r.queryValue(QStringLiteral("UserID")))));
    });

    // Shown by the program itself on its first start and after an upgrade.
    service.SetHandler(base + "../Welcome.asp", [](const Request& r) {
        return HtmlPage(QStringLiteral("Welcome to Tarvel"),
                        Paragraph(QStringLiteral("Tarvel %1 is installed. Click the Tarvel button "
                                                 "and log in to open your menu.")
                                      .arg(r.queryValue(QStringLiteral("Version")))));
    });
    service.SetHandler(base + "../WhatsNew.asp", [](const Request& r) {
        return HtmlPage(QStringLiteral("What's New"),
                        Paragraph(QStringLiteral("What is new in Tarvel %1: a faster menu and "
                                                 "fresh news headlines.")
                                      .arg(r.queryValue(QStringLiteral("Version")))));
    });
    // The login window's "forgot your password" link.
    service.SetHandler(QStringLiteral("/Tarvel/Lookup.asp"), [](const Request&) {
        return HtmlPage(QStringLiteral("Forgot your password?"),
                        Paragraph(QStringLiteral("The sample accounts use their user name as "
                                                 "password: demo / demo.")));
    });

    service.SetHandler(base + "../../help/", [](const Request&) {
        return HtmlPage(
            QStringLiteral("Tarvel Help"),
            Paragraph(QStringLiteral("Click the Tarvel button to open your menu. Point at "
                                     "a category to open it, click an item to visit "
                                     "it.")) +
                Paragraph(QStringLiteral("Type in the search box of the menu to find "
                                         "items, or to search the web.")));
    });

    service.SetHandler(base + "../../Search/search.asp", [](const Request& r) {
        const QString query = r.queryValue(QStringLiteral("query"));
        return HtmlPage(
            QStringLiteral("Web search"),
            Paragraph(QStringLiteral("Results for \"%1\" (user %2): this sample service "
                                     "has no web index.")
                          .arg(query, r.queryValue(QStringLiteral("UserID")))));
    });

    service.SetHandler(base + "../../advertiser/Main.asp", [](const Request& r) {
        return HtmlPage(QStringLiteral("Advertise on Tarvel"),
                        Paragraph(QStringLiteral("Put your site at the top of category %1. Contact "
                                                 "our sales team to book a place.")
                                      .arg(r.queryValue(QStringLiteral("MenuItemID")))));
    });

    service.SetHandler(base + "../Restricted.asp", [](const Request&) {
        return HtmlPage(QStringLiteral("Restricted content"),
                        Paragraph(QStringLiteral("This category holds content for adults only. "
                                                 "Enable it in the Member Center if you are of "
                                                 "age.")));
    });

    service.SetHandler(QStringLiteral("/content/news/news.asp"), [](const Request& r) {
        return HtmlPage(QStringLiteral("Tarvel News"),
                        Paragraph(QStringLiteral("The full story of headline %1.")
                                      .arg(r.queryValue(QStringLiteral("newsfeedid")))));
    });

    // The member center is an https address on the member host; this plain
    // service can only show it to clients that ask over http.
    service.SetHandler(QStringLiteral("/tarvel/members/login.asp"), [](const Request& r) {
        const QString destination = r.queryValue(QStringLiteral("destination"));
        return HtmlPage(
            QStringLiteral("Member Center"),
            Paragraph(
                QStringLiteral("Welcome, %1.").arg(r.queryValue(QStringLiteral("UserName")))) +
                Paragraph(destination.isEmpty() ? QStringLiteral("Your account at a glance.")
                                                : QStringLiteral("Section: %1.").arg(destination)));
    });
}

} // namespace localservice
