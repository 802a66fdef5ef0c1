// The enrolment pages of the sample service: the account status, the user
// name check, the two sign-up steps, the database locator, the installer and
// the page for downloading it by hand. Accounts live in the shared store, so
// an account made with Enlist logs in to Tarvel.
//
// The installer is a small shell script: it carries the sample menu table,
// installs it into the folder it runs from (the data folder, where Enlist
// saves it), records Main/LastUpdated in Tarvel's settings, so that Tarvel
// passes its first-run gate, and starts Tarvel from the program folder that
// Enlist recorded.
#include "localservice/lib/SamplePages.h"

#include "localservice/lib/SampleDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <mutex>

namespace localservice {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kInstallerPath = QStringLiteral("/tarvel/db.exe");

Reply Text(const QString& text, int status = 200) {
    Reply reply;
    reply.status = status;
    reply.body = text.toLatin1();
    return reply;
}

// The files the installer carries, by name: the sample menu table (and any
// companion file written with it).
QList<QPair<QString, QByteArray>> DatabaseFiles(const SampleData& data) {
    QList<QPair<QString, QByteArray>> files;
    QTemporaryDir temp;
    QString folder;
    if (temp.isValid() && CreateSampleDatabase(temp.filePath(QStringLiteral("MenuItems.dat"))))
        folder = temp.path();
    if (folder.isEmpty() && !data.dataFolder.isEmpty() &&
        QFileInfo::exists(QDir(data.dataFolder).filePath(QStringLiteral("MenuItems.dat"))))
        folder = data.dataFolder;
    if (folder.isEmpty())
        return files;
    const QDir dir(folder);
    QStringList names = {QStringLiteral("MenuItems.dat")};
    if (folder == temp.path())
        names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.append({name, file.readAll()});
    }
    return files;
}

// Base64 in lines of 76 characters, as coreutils' base64 -d reads it.
QByteArray Base64Lines(const QByteArray& bytes) {
    const QByteArray flat = bytes.toBase64();
    QByteArray out;
    for (int pos = 0; pos < flat.size(); pos += 76)
        out += flat.mid(pos, 76) + '\n';
    return out;
}

QByteArray InstallerScript(const QList<QPair<QString, QByteArray>>& files) {
    QByteArray script = "#!/bin/sh\n"
                        "# Tarvel menu database installer (sample service). Installs the menu\n"
                        "# table into the folder it runs from and records the installation in\n"
                        "# Tarvel's settings, keeping everything else in them.\n"
                        "set -e\n"
                        "dir=$(cd \"$(dirname \"$0\")\" && pwd)\n";
    for (const auto& [name, bytes] : files) {
        const QByteArray target = "\"$dir/" + name.toLatin1() + "\"";
        script += "tmp=\"$dir/." + name.toLatin1() + ".$$\"\n";
        script += "base64 -d > \"$tmp\" <<'TARVEL_END_OF_DATA'\n";
        script += Base64Lines(bytes);
        script += "TARVEL_END_OF_DATA\n";
        script += "mv -f \"$tmp\" " + target + "\n";
    }
    script += "conf=\"${XDG_CONFIG_HOME:-$HOME/.config}/Tarvel\"\n"
              "ini=\"$conf/Tarvel.ini\"\n"
              "stamp=$(LC_ALL=C date '+%-m/%-d/%Y %-I:%M:%S %p')\n"
              "mkdir -p \"$conf\"\n"
              "umask 077\n"
              "[ -f \"$ini\" ] || : > \"$ini\"\n"
              "tmp=\"$ini.$$\"\n"
              "awk -v stamp=\"$stamp\" '\n"
              "function put() { if (inmain && !done) { print \"LastUpdated=\" stamp; done = 1 } }\n"
              "{ line = $0; sub(/\\r$/, \"\", line) }\n"
              "line ~ /^\\[.*\\]$/ { put(); inmain = (line == \"[Main]\"); print; next }\n"
              "inmain && line ~ /^LastUpdated[ \\t]*=/ { put(); next }\n"
              "{ print }\n"
              "END { put(); if (!done) { if (NR > 0) print \"\"; print \"[Main]\";"
              " print \"LastUpdated=\" stamp } }\n"
              "' \"$ini\" > \"$tmp\"\n"
              "chmod 600 \"$tmp\"\n"
              "mv -f \"$tmp\" \"$ini\"\n";
    // As installers do, it ends by starting the program it installed for,
    // from the program folder that Enlist recorded as Main/Path.
    script += "prog=$(awk '{ line = $0; sub(/\\r$/, \"\", line) }\n"
              "line ~ /^\\[.*\\]$/ { inmain = (line == \"[Main]\"); next }\n"
              "inmain && line ~ /^Path[ \\t]*=/ { sub(/^Path[ \\t]*=[ \\t]*/, \"\", line); "
              "p = line }\n"
              "END { print p }' \"$ini\")\n"
              "if [ -n \"$prog\" ] && [ -x \"$prog/Tarvel\" ]; then\n"
              "    (cd / && exec \"$prog/Tarvel\" </dev/null >/dev/null 2>&1 &)\n"
              "fi\n";
    return script;
}

// Built on first request: most runs of the service never need it.
struct Installer {
    std::once_flag once;
    QByteArray script; // empty when there is no database to install
};

QString Suggest(const QMap<QString, SampleAccount>& byName, const QString& name) {
    const QString base = name.left(17);
    for (int n = 1;; ++n) {
        const QString candidate = base + QString::number(n);
        if (!byName.contains(candidate.toLower()))
            return candidate;
    }
}

} // namespace

void InstallEnlistPages(LocalService& service, const SampleData& data) {
    const std::shared_ptr<SampleAccounts> accounts = data.accounts;

    service.SetHandler(
        QStringLiteral("/internal/getUserEnlistStatus.asp"), [accounts](const Request& request) {
            const QString name = request.formValue(QStringLiteral("UserName"));
            const QString password = request.formValue(QStringLiteral("Password"));
            std::lock_guard<std::mutex> guard(accounts->lock);
            const auto it = accounts->byName.constFind(name.toLower());
            if (name.isEmpty() || it == accounts->byName.constEnd() || it->password != password)
                return Text(QStringLiteral("NO"));
            return Text(QString::number(it->userId) + kCrLf + it->email + kCrLf +
                        (it->enlistState == 1 ? QStringLiteral("True") : QStringLiteral("False")) +
                        kCrLf);
        });

    service.SetHandler(QStringLiteral("/internal/checkUserName.asp"),
                       [accounts](const Request& request) {
                           const QString name = request.formValue(QStringLiteral("UserName"));
                           std::lock_guard<std::mutex> guard(accounts->lock);
                           if (name.isEmpty() || !accounts->byName.contains(name.toLower()))
                               return Text(QString());
                           return Text(Suggest(accounts->byName, name));
                       });

    service.SetHandler(
        QStringLiteral("/internal/addUserStep1.asp"), [accounts](const Request& request) {
            const QString name = request.formValue(QStringLiteral("UserName"));
            const QString password = request.formValue(QStringLiteral("Password"));
            const QString email = request.formValue(QStringLiteral("Email"));
            if (name.size() < 5 || name.size() > 20 || password.size() < 5 || email.isEmpty())
                return Text(QStringLiteral("ERR"));
            std::lock_guard<std::mutex> guard(accounts->lock);
            if (accounts->byName.contains(name.toLower()))
                return Text(QStringLiteral("ERR"));
            SampleAccount account;
            account.userId = accounts->nextUserId++;
            account.userName = name;
            account.password = password;
            account.email = email;
            account.registeredName = name;
            account.enlistState = 0; // unfinished until the profile arrives
            account.profile.insert(QStringLiteral("Referrer"),
                                   request.formValue(QStringLiteral("Referrer")));
            accounts->byName.insert(name.toLower(), account);
            return Text(QString::number(account.userId));
        });

    service.SetHandler(
        QStringLiteral("/internal/addUserStep2.asp"), [accounts](const Request& request) {
            bool ok = false;
            const int userId = request.formValue(QStringLiteral("UserID")).toInt(&ok);
            std::lock_guard<std::mutex> guard(accounts->lock);
            for (SampleAccount& account : accounts->byName) {
                if (!ok || account.userId != userId)
                    continue;
                for (const auto& [key, value] : request.formFields())
                    if (key != QLatin1String("UserID"))
                        account.profile.insert(key, value);
                const QString first = request.formValue(QStringLiteral("FirstName"));
                const QString last = request.formValue(QStringLiteral("LastName"));
                if (!first.isEmpty() || !last.isEmpty())
                    account.registeredName = (first + QLatin1Char(' ') + last).trimmed();
                account.enlistState = 1;
                return Text(QStringLiteral("OK"));
            }
            return Text(QStringLiteral("ERR"), 400);
        });

    service.SetHandler(QStringLiteral("/Vantrix/internal/getDBURL.asp"),
                       [](const Request& request) {
                           // Named on the host the client reached, so that it
                           // works on any port.
                           const QString host = QString::fromLatin1(request.header("Host"));
                           return Text(QStringLiteral("http://") + host + kInstallerPath);
                       });

    auto installer = std::make_shared<Installer>();
    service.SetHandler(kInstallerPath, [installer, data](const Request&) {
        std::call_once(installer->once, [&] {
            const auto files = DatabaseFiles(data);
            if (!files.isEmpty())
                installer->script = InstallerScript(files);
        });
        if (installer->script.isEmpty())
            return Text(QStringLiteral("No database to install."), 404);
        Reply reply;
        reply.body = installer->script;
        reply.contentType = "application/octet-stream";
        return reply;
    });

    service.SetHandler(QStringLiteral("/tarvel/downloaddb.asp"), [](const Request&) {
        return Text(QStringLiteral(
            "<html><head><title>Download the Tarvel database</title></head><body>"
            "<h1>Download the Tarvel database</h1>"
            "<p>Tarvel could not download its menu database by itself. "
            "<a href=\"/tarvel/db.exe\">Download the database installer</a>, save it as "
            "db.exe in Tarvel's data folder (~/.local/share/Tarvel/data), make it executable "
            "and run it. It starts Tarvel when it is done.</p></body></html>"));
    });
}

} // namespace localservice
