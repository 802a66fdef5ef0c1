// Reading other programs' registry values and finding the favorites folder.
#include "core/modGlobals.h"
#include "core/modRegistry.h"
#include "platform/Registry.h"
#include "support/EnvVar.h"
#include "support/Scripted.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using modRegistry::RegQueryString;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

using testsupport::EnvVar;

namespace {

const QString kShellFolders =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kBiff = QStringLiteral("Software\\Netscape\\Netscape Navigator\\biff");

void WriteRegistry(const QByteArray& text) {
    const QString path = platform::RegistryFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString Read(quint32 root, const QString& key, const QString& value, bool* ok = nullptr) {
    QString out = QStringLiteral("untouched");
    const bool result = RegQueryString(root, key, value, out);
    if (ok)
        *ok = result;
    return out;
}

} // namespace

TEST(Registry, ReadsAStringWithoutItsTerminatingNul) {
    testsupport::TestWorld world;
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme\\Mail]\n"
                  "Path=/opt/acme/mail\n"
                  "Quoted=\"two words\"\n"
                  "Stored=hex(1):41,42,00\n"
                  "NoNul=hex(1):41,42\n"
                  "TwoNuls=hex(1):41,00,00\n");
    bool ok = false;
    EXPECT_EQ(Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme\\Mail"),
                   QStringLiteral("Path"), &ok),
              QStringLiteral("/opt/acme/mail"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme\\Mail"), QStringLiteral("Quoted")),
        QStringLiteral("two words"));
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme\\Mail"), QStringLiteral("Stored")),
        QStringLiteral("AB"));
    // A string stored without its NUL loses nothing.
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme\\Mail"), QStringLiteral("NoNul")),
        QStringLiteral("AB"));
    // Only one terminating NUL is taken off.
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme\\Mail"), QStringLiteral("TwoNuls")),
        QString(QStringLiteral("A")) + QChar(0));
}

TEST(Registry, KeyAndValueNamesIgnoreCase) {
    testsupport::TestWorld world;
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme]\nName=yes\n");
    EXPECT_EQ(Read(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\acme"), QStringLiteral("NAME")),
              QStringLiteral("yes"));
    // Another root is another key.
    bool ok = true;
    EXPECT_EQ(
        Read(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Acme"), QStringLiteral("Name"), &ok),
        QStringLiteral("untouched"));
    EXPECT_FALSE(ok);
}

TEST(Registry, BadKeyNamesAreRefusedWithoutReadingTheRegistry) {
    testsupport::TestWorld world;
    // Sections that a careless join would find: the refusal must come first.
    WriteRegistry("[HKEY_CURRENT_USER\\\\Software\\Acme]\nName=leading\n"
                  "[HKEY_CURRENT_USER\\Software\\Acme\\]\nName=trailing\n"
                  "[HKEY_CURRENT_USER\\Software\\\\Acme]\nName=double\n"
                  "[HKEY_CURRENT_USER\\Software\\Acme]\nName=good\n");
    const QString bad[] = {QStringLiteral("\\Software\\Acme"), QStringLiteral("Software\\Acme\\"),
                           QStringLiteral("Software\\\\Acme"), QStringLiteral("\\"),
                           QStringLiteral("\\\\")};
    for (const QString& key : bad) {
        bool ok = true;
        EXPECT_EQ(Read(HKEY_CURRENT_USER, key, QStringLiteral("Name"), &ok),
                  QStringLiteral("untouched"))
            << key.toStdString();
        EXPECT_FALSE(ok) << key.toStdString();
    }
    EXPECT_EQ(Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Name")),
              QStringLiteral("good"));
}

TEST(Registry, DwordIsWrittenInDecimal) {
    testsupport::TestWorld world;
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme]\n"
                  "Small=dword:0000001a\n"
                  "Bytes=hex(4):1a,00,00,00\n"
                  "Mid=dword:00000100\n"
                  "Big=dword:7fffffff\n"
                  "High=dword:ffffffff\n"
                  "Sign=dword:80000000\n"
                  "Short=hex(4):1a,01\n"
                  "Empty=hex(4):\n");
    const auto dword = [](const char* name) {
        return Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QString::fromLatin1(name));
    };
    EXPECT_EQ(dword("Small"), QStringLiteral("26"));
    EXPECT_EQ(dword("Bytes"), QStringLiteral("26"));
    EXPECT_EQ(dword("Mid"), QStringLiteral("256"));
    EXPECT_EQ(dword("Big"), QStringLiteral("2147483647"));
    // Read back as a signed 32-bit hex number, as the design did.
    EXPECT_EQ(dword("High"), QStringLiteral("-1"));
    EXPECT_EQ(dword("Sign"), QStringLiteral("-2147483648"));
    EXPECT_EQ(dword("Short"), QStringLiteral("282"));
    EXPECT_EQ(dword("Empty"), QStringLiteral("0"));
}

TEST(Registry, RawBytesAndOtherTypes) {
    testsupport::TestWorld world;
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme]\n"
                  "Raw=hex:41,ff,42\n"
                  "Multi=hex(7):41,00,42,00,00\n"
                  "Broken=hex:zz\n");
    EXPECT_EQ(Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Raw")),
              QString(QStringLiteral("A")) + QChar(0xFF) + QLatin1Char('B'));
    bool ok = false;
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Multi"), &ok),
        QString());
    EXPECT_TRUE(ok);
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Broken"), &ok),
        QStringLiteral("untouched"));
    EXPECT_FALSE(ok);
}

TEST(Registry, MissingKeyOrValueOrFileFails) {
    testsupport::TestWorld world;
    bool ok = true;
    EXPECT_EQ(
        Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Name"), &ok),
        QStringLiteral("untouched"));
    EXPECT_FALSE(ok);
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme]\nName=x\n");
    Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Other"), &ok);
    EXPECT_FALSE(ok);
    Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Other"), QStringLiteral("Name"), &ok);
    EXPECT_FALSE(ok);
    Read(0x12345u, QStringLiteral("Software\\Acme"), QStringLiteral("Name"), &ok);
    EXPECT_FALSE(ok);
}

TEST(Registry, ValueLargerThanTheBufferFails) {
    testsupport::TestWorld world;
    WriteRegistry("[HKEY_CURRENT_USER\\Software\\Acme]\nFits=" + QByteArray(16383, 'a') +
                  "\nHuge=" + QByteArray(16384, 'a') + "\n");
    bool ok = false;
    EXPECT_EQ(Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Fits"), &ok)
                  .size(),
              16383);
    EXPECT_TRUE(ok);
    Read(HKEY_CURRENT_USER, QStringLiteral("Software\\Acme"), QStringLiteral("Huge"), &ok);
    EXPECT_FALSE(ok);
}

TEST(Favorites, BrowserFolderComesFromTheShellFolders) {
    testsupport::TestWorld world;
    using modGlobals::gFavoritesPath;
    gFavoritesPath = QStringLiteral("stale");
    modGlobals::SetFavoritesFolder(0);
    EXPECT_EQ(gFavoritesPath, QString()); // no registry entry

    WriteRegistry("[HKEY_CURRENT_USER\\" + kShellFolders.toLatin1() + "]\n" +
                  "Favorites=" + world.appPath().toLocal8Bit() + "/fav\n");
    modGlobals::SetFavoritesFolder(0);
    EXPECT_EQ(gFavoritesPath, world.appPath() + QStringLiteral("/fav"));
}

TEST(Favorites, BookmarksFolderIsTheProfileFolderWhenItHoldsAFile) {
    testsupport::TestWorld world;
    using modGlobals::gFavoritesPath;
    QTemporaryDir users;
    EnvVar env("TARVEL_NETSCAPE_USERS", users.path().toLocal8Bit());
    WriteRegistry("[HKEY_CURRENT_USER\\" + kBiff.toLatin1() + "]\nCurrentUser=anna\n");

    // No profile folder: the empty case.
    gFavoritesPath = QStringLiteral("stale");
    modGlobals::SetFavoritesFolder(1);
    EXPECT_EQ(gFavoritesPath, QString());

    // A profile folder without files (a subfolder is no file).
    QDir(users.path()).mkpath(QStringLiteral("anna/archive"));
    modGlobals::SetFavoritesFolder(1);
    EXPECT_EQ(gFavoritesPath, QString());

    QFile bookmarks(users.path() + QStringLiteral("/anna/bookmark.htm"));
    ASSERT_TRUE(bookmarks.open(QIODevice::WriteOnly));
    bookmarks.write("<DL></DL>");
    bookmarks.close();
    modGlobals::SetFavoritesFolder(1);
    EXPECT_EQ(gFavoritesPath, users.path() + QStringLiteral("/anna"));
}

TEST(Favorites, BookmarksWithoutAProfileNameAreEmpty) {
    testsupport::TestWorld world;
    using modGlobals::gFavoritesPath;
    QTemporaryDir users;
    EnvVar env("TARVEL_NETSCAPE_USERS", users.path().toLocal8Bit());
    // Files in the users folder itself do not count as a profile.
    QFile stray(users.path() + QStringLiteral("/stray.txt"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    gFavoritesPath = QStringLiteral("stale");
    modGlobals::SetFavoritesFolder(1);
    EXPECT_EQ(gFavoritesPath, QString());
}

TEST(Favorites, OtherPositionsLeaveThePathAlone) {
    testsupport::TestWorld world;
    modGlobals::gFavoritesPath = QStringLiteral("/kept");
    modGlobals::SetFavoritesFolder(2);
    EXPECT_EQ(modGlobals::gFavoritesPath, QStringLiteral("/kept"));
    modGlobals::SetFavoritesFolder(-1);
    EXPECT_EQ(modGlobals::gFavoritesPath, QStringLiteral("/kept"));
}
