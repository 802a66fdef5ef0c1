// The settings store: defaults of every key, the per-user section, the file's
// mode and that a save is on disk when it returns.
#include "core/modGlobals.h"
#include "platform/SettingsStore.h"
#include "support/Scripted.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace modGlobals;

namespace {

QString StoreFile() {
    return platform::SettingsFilePath(QStringLiteral("Tarvel"));
}

unsigned Mode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0xFFFF;
    return st.st_mode & 07777;
}

struct Key {
    const char* section;
    const char* key;
    const char* value;
};

} // namespace

TEST(Settings, EveryKeyHasItsDefaultWhenNothingIsStored) {
    testsupport::TestWorld world;
    const Key keys[] = {
        {"Main", "LastUpdated", "X"},
        {"Main", "Version", ""},
        {"Main", "Path", ""},
        {"Main", "NewHotBuy", "No"},
        {"Main", "Flash Question", "Yes"},
        {"Options", "ButtonPosition", "1"},
        {"Options", "FavoritesPosition", "0"},
        {"Options0", "AniSpeed", "19"},
        {"Options0", "LogoutTime", "0"},
        {"Options1234", "AniSpeed", "19"},
        {"Options1234", "LogoutTime", "0"},
        {"Login", "AutoLogin", "0"},
        {"Login", "User0", ""},
        {"Login", "User4", ""},
        {"Login", "Password", ""},
    };
    for (const Key& k : keys) {
        const QString section = QString::fromLatin1(k.section);
        const QString key = QString::fromLatin1(k.key);
        EXPECT_EQ(SettingDefault(section, key), QString::fromLatin1(k.value))
            << k.section << "/" << k.key;
        EXPECT_EQ(GetSettingOrDefault(section, key), QString::fromLatin1(k.value))
            << k.section << "/" << k.key;
    }
    // Per-user keys belong to "Options" & id sections only.
    EXPECT_EQ(SettingDefault(QStringLiteral("Options"), QStringLiteral("AniSpeed")), QString());
    EXPECT_EQ(SettingDefault(QStringLiteral("OptionsX"), QStringLiteral("AniSpeed")), QString());
    // Reading creates nothing.
    EXPECT_FALSE(QFile::exists(StoreFile()));
}

TEST(Settings, NumericReadsUseTheDefaults) {
    testsupport::TestWorld world;
    EXPECT_EQ(GetSettingLong(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), 1), 1);
    EXPECT_EQ(GetSettingLong(QStringLiteral("Options0"), QStringLiteral("AniSpeed"), 19), 19);
}

TEST(Settings, PerUserSectionIsOptionsFollowedByTheUserId) {
    testsupport::TestWorld world;
    EXPECT_EQ(UserOptionsSection(), QStringLiteral("Options0")); // before any login
    gUserID = 1234;
    EXPECT_EQ(UserOptionsSection(), QStringLiteral("Options1234"));
    SaveSetting(UserOptionsSection(), QStringLiteral("AniSpeed"), QStringLiteral("7"));
    EXPECT_EQ(GetSetting(QStringLiteral("Options1234"), QStringLiteral("AniSpeed")),
              QStringLiteral("7"));
    gUserID = 0;
    EXPECT_EQ(GetSettingOrDefault(UserOptionsSection(), QStringLiteral("AniSpeed")),
              QStringLiteral("19"));
}

TEST(Settings, StoreLivesUnderTheApplicationTitle) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    EXPECT_EQ(StoreFile(), world.configHome() + QStringLiteral("/Tarvel/Tarvel.ini"));
    QSettings raw(StoreFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("Main/Version")).toString(), QStringLiteral("1.0.3"));
}

TEST(Settings, FileIsReadableByTheUserOnly) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("secret"));
    EXPECT_EQ(Mode(StoreFile()), 0600u);
    // Every later save replaces the file; the mode stays.
    SaveSetting(QStringLiteral("Login"), QStringLiteral("User0"), QStringLiteral("anna"));
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("other"));
    EXPECT_EQ(Mode(StoreFile()), 0600u);
    EXPECT_EQ(Mode(QFileInfo(StoreFile()).absolutePath()), 0700u);
}

TEST(Settings, AFileMadeWiderByHandIsNarrowedOnTheNextSave) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1"));
    ::chmod(QFile::encodeName(StoreFile()).constData(), 0644);
    SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), QStringLiteral("pw"));
    EXPECT_EQ(Mode(StoreFile()), 0600u);
}

TEST(Settings, ASaveIsOnDiskWhenItReturns) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Path"), QStringLiteral("/opt/tarvel"));
    // Another settings object, as the other program would open it.
    QSettings other(StoreFile(), QSettings::IniFormat);
    EXPECT_EQ(other.value(QStringLiteral("Main/Path")).toString(), QStringLiteral("/opt/tarvel"));
    // Another process reads the file itself.
    QProcess cat;
    cat.start(QStringLiteral("/bin/cat"), {StoreFile()});
    ASSERT_TRUE(cat.waitForFinished(10000));
    const QByteArray text = cat.readAllStandardOutput();
    EXPECT_TRUE(text.contains("[Main]")) << text.constData();
    EXPECT_TRUE(text.contains("/opt/tarvel")) << text.constData();
}

TEST(Settings, AWriteOfTheOtherProgramIsSeenAtOnce) {
    testsupport::TestWorld world;
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Path"), QStringLiteral("none")),
              QStringLiteral("none"));
    {
        QSettings other(StoreFile(), QSettings::IniFormat);
        other.setValue(QStringLiteral("Main/Path"), QStringLiteral("/from/enlist"));
        other.sync();
    }
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Path")),
              QStringLiteral("/from/enlist"));
}

TEST(Settings, ValuesComeBackAsTheyWereSaved) {
    testsupport::TestWorld world;
    const QString values[] = {QStringLiteral("a,b"),         QStringLiteral("@x"),
                              QStringLiteral("p=w;d#\"q\""), QStringLiteral(" lead"),
                              QStringLiteral("Jos\u00e9"),   QString()};
    for (const QString& v : values) {
        SaveSetting(QStringLiteral("Login"), QStringLiteral("Password"), v);
        EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("Password"),
                             QStringLiteral("default")),
                  v);
    }
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Flash Question"), QStringLiteral("No"));
    EXPECT_EQ(GetSettingOrDefault(QStringLiteral("Main"), QStringLiteral("Flash Question")),
              QStringLiteral("No"));
}

TEST(Settings, StoredEmptyValueIsNotTheDefault) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"), QString());
    EXPECT_TRUE(platform::HasSetting(QStringLiteral("Tarvel"), QStringLiteral("Main"),
                                     QStringLiteral("NewHotBuy")));
    EXPECT_EQ(GetSettingOrDefault(QStringLiteral("Main"), QStringLiteral("NewHotBuy")), QString());
}

TEST(Settings, NumericSettingThatDoesNotConvertFallsBackToTheDefault) {
    testsupport::TestWorld world;
    const QString s = QStringLiteral("Options1234");
    const QString k = QStringLiteral("LogoutTime");
    const auto read = [&](const QString& text) {
        SaveSetting(s, k, text);
        return GetSettingLong(s, k, 42);
    };
    EXPECT_EQ(read(QStringLiteral("15")), 15);
    EXPECT_EQ(read(QStringLiteral(" 15 ")), 15);
    EXPECT_EQ(read(QStringLiteral("-3")), -3);
    EXPECT_EQ(read(QStringLiteral("abc")), 42);
    EXPECT_EQ(read(QString()), 42);
    EXPECT_EQ(read(QStringLiteral("12abc")), 42);
    EXPECT_EQ(read(QStringLiteral("99999999999")), 42);
    // The runtime's conversion: half to even, hex, C-locale decimals.
    EXPECT_EQ(read(QStringLiteral("2.5")), 2);
    EXPECT_EQ(read(QStringLiteral("3.5")), 4);
    EXPECT_EQ(read(QStringLiteral("&H1A")), 26);
    EXPECT_EQ(read(QStringLiteral("2,5")), 42);
}

TEST(Settings, AValueEditedByHandWithACommaReadsWhole) {
    testsupport::TestWorld world;
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.0.3"));
    QFile file(StoreFile());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("[Login]\nUser0=anna,bob\n");
    file.close();
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("User0")),
              QStringLiteral("anna,bob"));
}

namespace {

QByteArray StoreBytes() {
    QFile file(StoreFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void WriteStore(const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(StoreFile()).absolutePath());
    QFile file(StoreFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(Settings, AFileOfAnotherProgramKeepsItsBytesAcrossASave) {
    testsupport::TestWorld world;
    // Written by another program: Windows-1252 values, a comment, a line of
    // no form and a section header left open.
    WriteStore("; written by the setup program\r\n"
               "[Login]\r\n"
               "AutoLogin=1\r\n"
               "User0=Jos\xe9\r\n"
               "Password=caf\xe9\r\n"
               "not a setting\r\n"
               "[Options\r\n"
               "AniSpeed=7\r\n");
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("Password")),
              QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("User0")),
              QString::fromUtf8("Jos\xc3\xa9"));
    EXPECT_EQ(GetSetting(QStringLiteral("Options"), QStringLiteral("AniSpeed")), "7");

    SaveSetting(QStringLiteral("Login"), QStringLiteral("User1"), QString::fromUtf8("Ren\xc3\xa9"));
    SaveSetting(QStringLiteral("Options"), QStringLiteral("AniSpeed"), QStringLiteral("12"));
    SaveSetting(QStringLiteral("Main"), QStringLiteral("Flash Question"), QStringLiteral("No"));
    EXPECT_TRUE(world.notifier.calls.isEmpty())
        << world.notifier.calls.value(0).prompt.toStdString();
    EXPECT_EQ(StoreBytes(), QByteArray("; written by the setup program\r\n"
                                       "[Login]\r\n"
                                       "AutoLogin=1\r\n"
                                       "User0=Jos\xe9\r\n"
                                       "Password=caf\xe9\r\n"
                                       "User1=Ren\xe9\r\n"
                                       "not a setting\r\n"
                                       "[Options\r\n"
                                       "AniSpeed=12\r\n"
                                       "[Main]\r\n"
                                       "Flash%20Question=No\r\n"));
    EXPECT_EQ(Mode(StoreFile()), 0600u);
    EXPECT_EQ(GetSetting(QStringLiteral("Login"), QStringLiteral("Password")),
              QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(GetSetting(QStringLiteral("Main"), QStringLiteral("Flash Question")), "No");
}
