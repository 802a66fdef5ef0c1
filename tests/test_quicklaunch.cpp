// The Quick Launch set-up against a scripted Windows-style shell: real files
// in a temporary Quick Launch folder, the taskbar's stream in the registry
// file, and recorded waits.
#include "core/modGlobals.h"
#include "core/modQuickLaunch.h"
#include "platform/Registry.h"
#include "platform/Taskbar.h"
#include "platform/TaskbarScripted.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace modGlobals;
using platform::ScriptedTaskbar;

namespace {

struct ErrorCall {
    QString msg;
    int number = 0;
    QString location;
};

class QuickLaunch : public ::testing::Test {
protected:
    void SetUp() override {
        const QString root = shellDir.path();
        appData = root + QStringLiteral("/AppData");
        ql = appData + QStringLiteral("/Microsoft/Internet Explorer/Quick Launch/");
        QDir().mkpath(ql);
        QDir().mkpath(root + QStringLiteral("/Programs"));
        QDir().mkpath(root + QStringLiteral("/Startup"));
        bar.shellFolders[platform::CSIDL_APPDATA] = appData;
        bar.shellFolders[platform::CSIDL_PROGRAMS] = root + QStringLiteral("/Programs");
        bar.shellFolders[platform::CSIDL_COMMON_STARTUP] = root + QStringLiteral("/Startup");
        Write(root + QStringLiteral("/Programs/Tarvel.lnk"), "tarvel shortcut");
        temp = root + QStringLiteral("/Tarvel Folder Temp.!!!/");
        modQuickLaunch::SetTempFolder(temp);
        modQuickLaunch::SetWaitFunction([this](double seconds) {
            waits.push_back(seconds);
            snapshots.push_back(Listing());
            if (onWait)
                onWait(static_cast<int>(waits.size()));
        });
        dialogs.showMessageWindow = [this](const QString& text) { messages.append(text); };
        dialogs.setMessageProgress = [this](int max, int value) {
            progress.append(qMakePair(max, value));
        };
        dialogs.unloadMessageWindow = [this] { ++unloads; };
        dialogs.showError = [this](const QString& msg, int number, const QString& location) {
            errors.push_back({msg, number, location});
        };
    }
    void TearDown() override {
        modQuickLaunch::SetWaitFunction(nullptr);
        modQuickLaunch::SetTempFolder(QString());
    }

    static void Write(const QString& path, const QByteArray& content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Listing() const { return QDir(ql).entryList(QDir::Files, QDir::Name); }
    void Shortcut(const QString& name) { Write(ql + name, "link to " + name.toLatin1()); }

    // One stream record: the slot byte, 16 bytes, NUL, some bytes, NUL, name.
    void StreamEntry(int slot, const QString& shortName) {
        stream.append(static_cast<char>(slot));
        stream.append(QByteArray(16, 'x'));
        stream.append('\0');
        stream.append("ab");
        stream.append('\0');
        stream.append(shortName.toLatin1());
        stream.append("zz");
    }
    void WriteStream() {
        QDir().mkpath(world.configHome() + QStringLiteral("/Tarvel"));
        QStringList bytes;
        for (const char c : stream)
            bytes.append(QString::number(static_cast<unsigned char>(c), 16));
        Write(platform::RegistryFilePath(),
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
              "Streams\\Desktop]\nTaskbar=hex:" +
                  bytes.join(QLatin1Char(',')).toLatin1() + "\n");
    }
    // The order in which the shortcuts came back: what each wait saw appear.
    QStringList ReturnOrder() const {
        QStringList order;
        for (size_t i = 1; i < snapshots.size(); ++i)
            for (const QString& name : snapshots[i])
                if (!snapshots[i - 1].contains(name))
                    order.append(name);
        return order;
    }
    QString Position() const {
        return GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"));
    }

    testsupport::TestWorld world;
    ScriptedTaskbar bar;
    QTemporaryDir shellDir;
    QString appData, ql, temp;
    QByteArray stream;
    std::vector<double> waits;
    std::vector<QStringList> snapshots;
    std::function<void(int)> onWait;
    QStringList messages;
    QList<QPair<int, int>> progress;
    int unloads = 0;
    std::vector<ErrorCall> errors;
    testsupport::ScriptedDialogs dialogs;
};

TEST_F(QuickLaunch, UnknownShortcutsReturnInSlotsEightyOnAfterTheProgramShortcuts) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("b.lnk"));
    Shortcut(QStringLiteral("c.lnk"));
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());

    EXPECT_EQ(messages, QStringList{QStringLiteral("Configuring taskbar. Please wait...")});
    ASSERT_EQ(waits, (std::vector<double>{5, 3, 3, 3}));
    // At the first wait only the two program shortcuts are there.
    EXPECT_EQ(snapshots[0], (QStringList{"Tarvel.lnk", "Tarvel1.lnk"}));
    EXPECT_EQ(ReturnOrder(), (QStringList{"a.lnk", "b.lnk", "c.lnk"}));
    EXPECT_EQ(Listing(), (QStringList{"Tarvel.lnk", "Tarvel1.lnk", "a.lnk", "b.lnk", "c.lnk"}));
    EXPECT_EQ(Read(ql + "a.lnk"), QByteArray("link to a.lnk"));
    EXPECT_EQ(Read(ql + "Tarvel1.lnk"), QByteArray("tarvel shortcut"));
    EXPECT_EQ(progress, (QList<QPair<int, int>>{{4, 1}, {4, 2}, {4, 3}, {4, 4}}));
    EXPECT_EQ(Position(), QStringLiteral("1"));
    EXPECT_EQ(unloads, 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(QDir(temp).exists());
    EXPECT_EQ(Read(world.dataHome() + "/INSTALL.Log"),
              "File Copy: " + (ql + "Tarvel.lnk").toLocal8Bit() +
                  "\nFile Copy: " + (ql + "Tarvel1.lnk").toLocal8Bit() + "\n");
}

TEST_F(QuickLaunch, HiddenFilesStayWhereTheyAre) {
    Shortcut(QStringLiteral("a.lnk"));
    Write(ql + ".desktop.ini", "settings");
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(waits, (std::vector<double>{5, 3}));
    EXPECT_EQ(Read(ql + ".desktop.ini"), QByteArray("settings"));
}

TEST_F(QuickLaunch, KnownShortcutsReturnInTheStreamsOrder) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("Launch Internet Explorer Browser.lnk"));
    Shortcut(QStringLiteral("c.lnk"));
    StreamEntry(7, QStringLiteral("A.LNK"));
    StreamEntry(2, QStringLiteral("LAUNCH~1.LNK"));
    WriteStream();
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(ReturnOrder(),
              (QStringList{"Launch Internet Explorer Browser.lnk", "a.lnk", "c.lnk"}));
    EXPECT_EQ(Listing().size(), 5);
}

TEST_F(QuickLaunch, ADuplicateSlotTakesTheNextFreeSlot) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("b.lnk"));
    Shortcut(QStringLiteral("c.lnk"));
    StreamEntry(3, QStringLiteral("A.LNK"));
    StreamEntry(3, QStringLiteral("B.LNK"));
    StreamEntry(80, QStringLiteral("C.LNK"));
    WriteStream();
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    // a keeps 3; b would overwrite it and be lost, so it takes the next
    // free slot, 80; c wanted 80 and takes 81.
    EXPECT_EQ(ReturnOrder(), (QStringList{"a.lnk", "b.lnk", "c.lnk"}));
    EXPECT_EQ(Listing(), (QStringList{"Tarvel.lnk", "Tarvel1.lnk", "a.lnk", "b.lnk", "c.lnk"}));
    EXPECT_EQ(Read(ql + "b.lnk"), QByteArray("link to b.lnk"));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Position(), QStringLiteral("1"));
}

TEST_F(QuickLaunch, AnOutOfRangeSlotTakesTheNextFreeSlot) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("b.lnk"));
    StreamEntry(200, QStringLiteral("A.LNK"));
    StreamEntry(101, QStringLiteral("B.LNK"));
    WriteStream();
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(ReturnOrder(), (QStringList{"a.lnk", "b.lnk"}));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Position(), QStringLiteral("1"));
}

TEST_F(QuickLaunch, ARecordTooNearTheStartOfTheStreamTakesTheNextFreeSlot) {
    Shortcut(QStringLiteral("a.lnk"));
    stream = QByteArray("\0ab\0A.LNK", 9); // no room for the slot byte
    WriteStream();
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(ReturnOrder(), QStringList{"a.lnk"});
}

TEST_F(QuickLaunch, AFailureRestoresEveryShortcutMovedAside) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("b.lnk"));
    Shortcut(QStringLiteral("c.lnk"));
    Shortcut(QStringLiteral("Tarvel.lnk")); // the user's own, from an older set-up
    StreamEntry(1, QStringLiteral("A.LNK"));
    StreamEntry(2, QStringLiteral("B.LNK"));
    StreamEntry(3, QStringLiteral("C.LNK"));
    StreamEntry(0, QStringLiteral("TARVEL.LNK"));
    WriteStream();
    // Something takes b's name while the folder is being rebuilt: b cannot
    // come back, and the set-up fails after Tarvel.lnk and a have returned.
    onWait = [this](int n) {
        if (n == 1)
            QDir().mkpath(ql + "b.lnk");
    };
    EXPECT_FALSE(modQuickLaunch::CreateQuickLaunchSpace());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].location, QStringLiteral("modQuickLaunch.CreateQuickLaunchSpace"));
    EXPECT_FALSE(errors[0].msg.isEmpty());
    EXPECT_EQ(Position(), QStringLiteral("0"));
    EXPECT_EQ(unloads, 1);
    // Every shortcut is back as it was, except b, which cannot go back
    // and is kept whole where it was moved aside; Tarvel1.lnk was ours.
    EXPECT_EQ(Listing(), (QStringList{"Tarvel.lnk", "a.lnk", "c.lnk"}));
    EXPECT_EQ(Read(ql + "Tarvel.lnk"), QByteArray("link to Tarvel.lnk"));
    EXPECT_EQ(Read(ql + "a.lnk"), QByteArray("link to a.lnk"));
    EXPECT_EQ(Read(ql + "c.lnk"), QByteArray("link to c.lnk"));
    EXPECT_EQ(Read(temp + "b.lnk"), QByteArray("link to b.lnk"));
    EXPECT_EQ(QDir(temp).entryList(QDir::Files), QStringList{"b.lnk"});
}

TEST_F(QuickLaunch, AFailureBeforeAnyReturnPutsTheFolderBackWhole) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("b.lnk"));
    // A directory where a shortcut must be moved aside: the first move fails.
    QDir().mkpath(temp + "b.lnk");
    EXPECT_FALSE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(Listing(), (QStringList{"a.lnk", "b.lnk"}));
    EXPECT_EQ(Read(ql + "a.lnk"), QByteArray("link to a.lnk"));
    EXPECT_EQ(Read(ql + "b.lnk"), QByteArray("link to b.lnk"));
    EXPECT_FALSE(QFile::exists(temp + "a.lnk"));
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(Position(), QStringLiteral("0"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 75);
}

TEST_F(QuickLaunch, NoQuickLaunchFolderEndsFloating) {
    bar.shellFolders.remove(platform::CSIDL_APPDATA);
    SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), QStringLiteral("2"));
    EXPECT_FALSE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(Position(), QStringLiteral("0"));
    EXPECT_EQ(unloads, 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 0);
    EXPECT_FALSE(errors[0].msg.isEmpty());
}

TEST_F(QuickLaunch, AnEmptyQuickLaunchFolderEndsFloating) {
    EXPECT_FALSE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(Position(), QStringLiteral("0"));
    EXPECT_TRUE(Listing().isEmpty());
}

TEST_F(QuickLaunch, TheStartupFolderShortcutIsPreferred) {
    Write(shellDir.path() + "/Startup/Tarvel.lnk", "startup shortcut");
    Shortcut(QStringLiteral("a.lnk"));
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(Read(ql + "Tarvel.lnk"), QByteArray("startup shortcut"));

    // On the Windows 95/98 family the startup folder has another number.
    gPlatformId = 1;
    modQuickLaunch::RemoveQuickLaunchShortcuts();
    waits.clear();
    snapshots.clear();
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(Read(ql + "Tarvel.lnk"), QByteArray("tarvel shortcut"));
}

TEST_F(QuickLaunch, ASecondSetUpDuringTheWaitsDoesNothing) {
    Shortcut(QStringLiteral("a.lnk"));
    bool inner = true;
    onWait = [&](int n) {
        if (n == 1)
            inner = modQuickLaunch::CreateQuickLaunchSpace();
    };
    ASSERT_TRUE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_FALSE(inner);
    EXPECT_EQ(Listing(), (QStringList{"Tarvel.lnk", "Tarvel1.lnk", "a.lnk"}));
}

TEST_F(QuickLaunch, RemovingTheShortcuts) {
    Shortcut(QStringLiteral("a.lnk"));
    Shortcut(QStringLiteral("Tarvel.lnk"));
    Shortcut(QStringLiteral("Tarvel1.lnk"));
    modQuickLaunch::RemoveQuickLaunchShortcuts();
    EXPECT_EQ(Listing(), QStringList{"a.lnk"});
    // Already gone: nothing happens and nothing is reported.
    modQuickLaunch::RemoveQuickLaunchShortcuts();
    EXPECT_EQ(Listing(), QStringList{"a.lnk"});
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(world.notifier.calls.isEmpty());
}

TEST(QuickLaunchOnLinux, NeverFindsAFolder) {
    testsupport::TestWorld world;
    EXPECT_TRUE(modQuickLaunch::QuickLaunchFolder().isEmpty());
    modQuickLaunch::RemoveQuickLaunchShortcuts(); // no folder, no error
    EXPECT_FALSE(modQuickLaunch::CreateQuickLaunchSpace());
    EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition")),
              QStringLiteral("0"));
}

} // namespace
