// The database installer download that ends a plain start: locator, download,
// the saved installer and its start, and the fallback page for every failure.
#include "test_enlist_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using platform::vbInformation;

const QString kFallbackPrompt = QStringLiteral(
    "Tarvel was unable to download its database automatically. Tarvel will now open a web page "
    "where you can download and install the database file. This is the last step in the "
    "installation process.");

class EnlistDownloadTest : public EnlistTest {
protected:
    QString Installer() const { return world.dataPath() + QStringLiteral("db.exe"); }
    QString FallbackPage() const {
        return QStringLiteral("http://") + service.Host() +
               QStringLiteral("/tarvel/downloaddb.asp");
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Locator naming the installer page on the local service.
    void ServeLocator(const QString& page = QStringLiteral("/files/db.exe"),
                      const QString& around = QString()) {
        service.SetReply(
            kLocator,
            (around + QStringLiteral("http://") + service.Host() + page + around).toLatin1());
    }
    // A window on the download page, as the wizard leaves it.
    std::unique_ptr<frmEnlist> Download() {
        auto w = Load(QString());
        w->stkPanels->setCurrentIndex(4);
        w->DownloadDB();
        return w;
    }
    void ExpectFallback(const frmEnlist& w) {
        ASSERT_EQ(world.notifier.calls.size(), 1);
        EXPECT_EQ(world.notifier.calls[0].prompt, kFallbackPrompt);
        EXPECT_EQ(world.notifier.calls[0].flags, vbInformation);
        EXPECT_EQ(world.notifier.calls[0].title, "Download database");
        ASSERT_EQ(world.shell.calls.size(), 1);
        EXPECT_EQ(world.shell.calls[0].file, FallbackPage());
        EXPECT_EQ(world.shell.calls[0].parameters, "0");
        EXPECT_EQ(world.shell.calls[0].directory, "0");
        EXPECT_TRUE(w.IsUnloaded());
    }
};

TEST_F(EnlistDownloadTest, SavesStartsAndEnds) {
    const QByteArray installer = QByteArray("#!/bin/sh\nexit 0\n") + QByteArray(5000, '\0');
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), installer);
    auto w = Download();
    EXPECT_EQ(Read(Installer()), installer);
    EXPECT_TRUE(QFileInfo(Installer()).isExecutable());
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(QFileInfo(world.shell.calls[0].file).canonicalFilePath(),
              QFileInfo(Installer()).canonicalFilePath());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_TRUE(w->IsUnloaded());
    EXPECT_FALSE(w->cmdBack->isEnabled());
    EXPECT_FALSE(w->cmdNext->isEnabled());
    EXPECT_FALSE(w->cmdCancel->isEnabled());
    // The locator is fetched with a GET from the default server host.
    ASSERT_EQ(Count(kLocator), 1);
    EXPECT_EQ(service.RequestsFor(kLocator)[0].method, "GET");
    // The hourglass is gone again.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(EnlistDownloadTest, ALinkPlantedAtTheInstallerIsReplacedNotWrittenThrough) {
    // Another user's link at db.exe: the installer must not overwrite the
    // target, make it executable and start it.
    QTemporaryDir outside;
    const QString victim = outside.filePath(QStringLiteral("victim"));
    Write(victim, "precious");
    ASSERT_TRUE(QFile::setPermissions(victim, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(victim, Installer()));
    const QByteArray installer = QByteArray("#!/bin/sh\nexit 0\n");
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), installer);
    auto w = Download();
    EXPECT_EQ(Read(victim), "precious");
    EXPECT_FALSE(QFileInfo(victim).isExecutable());
    EXPECT_FALSE(QFileInfo(Installer()).isSymLink());
    EXPECT_EQ(Read(Installer()), installer);
    EXPECT_TRUE(QFileInfo(Installer()).isExecutable());
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(QFileInfo(world.shell.calls[0].file).canonicalFilePath(),
              QFileInfo(Installer()).canonicalFilePath());
}

TEST_F(EnlistDownloadTest, ReplacesALargerOldInstallerWhole) {
    Write(Installer(), QByteArray(100000, 'O'));
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray("NEW"));
    Download();
    EXPECT_EQ(Read(Installer()), "NEW");
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(world.dataPath()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"db.exe"}));
}

TEST_F(EnlistDownloadTest, LocatorReplyIsTrimmed) {
    ServeLocator(QStringLiteral("/files/db.exe"), QStringLiteral(" \r\n"));
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray("X"));
    Download();
    EXPECT_EQ(Read(Installer()), "X");
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST_F(EnlistDownloadTest, UnreachableLocatorOpensTheFallbackPage) {
    Write(Installer(), QByteArray("OLD"));
    auto w = Load(QString());
    const QString host = service.Host();
    service.Stop();
    w->DownloadDB();
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file,
              QStringLiteral("http://") + host + QStringLiteral("/tarvel/downloaddb.asp"));
    EXPECT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(w->IsUnloaded());
    // The old installer is neither started nor touched.
    EXPECT_EQ(Read(Installer()), "OLD");
}

TEST_F(EnlistDownloadTest, UnusableLocatorRepliesFallBack) {
    const QByteArray replies[] = {"",       "ERR",     "ftp://example.com/db.exe",
                                  "db.exe", "http://", "<html>error</html>"};
    for (const QByteArray& reply : replies) {
        world.notifier.calls.clear();
        world.shell.calls.clear();
        service.SetReply(kLocator, reply);
        auto w = Download();
        ExpectFallback(*w);
    }
    // A locator address behind an error status is no address either.
    world.notifier.calls.clear();
    world.shell.calls.clear();
    service.SetReply(kLocator,
                     (QStringLiteral("http://") + service.Host() + QStringLiteral("/x")).toLatin1(),
                     500);
    ExpectFallback(*Download());
}

TEST_F(EnlistDownloadTest, MissingInstallerFallsBack) {
    Write(Installer(), QByteArray("OLD"));
    ServeLocator(QStringLiteral("/files/missing.exe"));
    auto w = Download();
    ExpectFallback(*w);
    EXPECT_EQ(Read(Installer()), "OLD");
}

TEST_F(EnlistDownloadTest, EmptyInstallerFallsBack) {
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray());
    auto w = Download();
    ExpectFallback(*w);
    EXPECT_FALSE(QFileInfo::exists(Installer()));
}

// The data folder is per user: a new account's Enlist may be the first
// program to need it, and makes it, private to the user.
TEST_F(EnlistDownloadTest, MissingDataFolderIsMadePrivateAndTheInstallerStarts) {
    ASSERT_TRUE(QDir(world.dataHome()).removeRecursively());
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray("X"));
    auto w = Download();
    EXPECT_TRUE(world.notifier.calls.isEmpty());
    EXPECT_EQ(Read(Installer()), "X");
    ASSERT_EQ(world.shell.calls.size(), 1);
    EXPECT_EQ(world.shell.calls[0].file, Installer());
    for (const QString& folder : {world.dataHome(), world.dataPath(), world.imagesPath()})
        EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0) << folder.toStdString();
}

TEST_F(EnlistDownloadTest, DataFolderThatCannotBeMadeFallsBack) {
    ASSERT_TRUE(QDir(world.dataPath()).removeRecursively());
    Write(world.dataPath().chopped(1), "a file where the folder belongs");
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray("X"));
    auto w = Download();
    ExpectFallback(*w);
    EXPECT_FALSE(QFileInfo(world.dataPath()).isDir());
}

TEST_F(EnlistDownloadTest, InstallerThatCannotStartFallsBack) {
    ServeLocator();
    service.SetReply(QStringLiteral("/files/db.exe"), QByteArray("X"));
    world.shell.result = false;
    auto w = Download();
    ASSERT_EQ(world.shell.calls.size(), 2);
    EXPECT_TRUE(world.shell.calls[0].file.endsWith(QStringLiteral("db.exe")));
    EXPECT_EQ(world.shell.calls[1].file, FallbackPage());
    EXPECT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(w->IsUnloaded());
}

TEST_F(EnlistDownloadTest, SilentLocatorEndsInTheFallback) {
    EnlistLink::SetTimeoutMs(300);
    localservice::Reply slow;
    slow.body = "http://nowhere/db.exe";
    slow.delayMs = 20000;
    service.SetReply(kLocator, slow);
    auto w = Download();
    EXPECT_EQ(world.notifier.calls.size(), 1);
    EXPECT_TRUE(w->IsUnloaded());
}

} // namespace
