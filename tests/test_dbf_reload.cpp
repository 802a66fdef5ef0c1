// A full reload of the menu table (every record sent again as a "U" line, in
// file order) goes to the file as whole records without reading them: the
// bytes on disk must be those a plain writer of the same records puts there
// (each record's own id, parent and flag kept), whatever the records' ids
// look like, and a kill midway must leave a table other readers accept.
#include "core/clsItemManagerUpdate.h"
#include "platform/Dbf.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

using platform::DbfTable;

namespace {

// Every record as this program writes it (plain ids, none deleted), and
// over two megabytes of them, which a reload in file order writes a
// megabyte at a time whatever its buffer; else several early write-backs
// with small buffers.
bool gPlain = false;
int Count() {
    return gPlain ? 20000 : 700;
}
// flag, ID N10, ParentID N10, Name C20, Icon C10, Descript C30, IsItem C1,
// IsRestrict C1, Form C10, Bid N10.2, AdURL C20
constexpr int kLength = 1 + 10 + 10 + 20 + 10 + 30 + 1 + 1 + 10 + 10 + 20;

QByteArray Right(const QByteArray& s, int w) {
    return s.rightJustified(w, ' ', true);
}
QByteArray Left(const QByteArray& s, int w) {
    return s.leftJustified(w, ' ', true);
}

// Records as another program wrote them: most ids plain, some with leading
// zeros or left-aligned, a few deleted.
QByteArray IdBytes(int i) {
    const QByteArray id = QByteArray::number(1000 + i);
    if (gPlain)
        return Right(id, 10);
    if (i % 17 == 3)
        return "000000" + id;
    if (i % 29 == 5)
        return Left(id, 10);
    return Right(id, 10);
}
QByteArray ParentBytes(int i) {
    return Right(QByteArray::number(10 + i / 50), 10);
}
QByteArray OldRecord(int i) {
    return QByteArray(1, i % 13 == 0 && !gPlain ? '*' : ' ') + IdBytes(i) + ParentBytes(i) +
           Left("Old " + QByteArray::number(i), 20) + Left("old.gif", 10) + Left("Before", 30) +
           "F" + "F" + Left("", 10) + Right("", 10) + Left("http://old/", 20);
}

// The line a full reload sends; every 31st moves the record to another
// parent, which the update does not follow.
QByteArray Line(int i) {
    const int parent = i % 31 == 7 ? 999 : 10 + i / 50;
    return "U," + QByteArray::number(1000 + i) + ",Site%24 " + QByteArray::number(i) +
           ",s.gif,Sent again," + (i % 2 ? "True" : "False") + "," + QByteArray::number(parent) +
           ",False,," + (i % 6 == 0 ? "0.50" : "") + ",http://again/";
}
// What a plain writer puts in its place: the record's own flag (a record
// sent again is wanted again), id and parent, the line's other fields.
QByteArray NewRecord(int i) {
    return QByteArray(" ") + IdBytes(i) + ParentBytes(i) +
           Left("Site, " + QByteArray::number(i), 20) + Left("s.gif", 10) + Left("Sent again", 30) +
           (i % 2 ? "T" : "F") + "F" + Left("", 10) + Right(i % 6 == 0 ? "0.50" : "", 10) +
           Left("http://again/", 20);
}

class DbfReloadTest : public ::testing::TestWithParam<int> {
protected:
    DbfReloadTest() {
        gPlain = GetParam() < 0;
        QString error;
        EXPECT_TRUE(DbfTable::Create(path,
                                     {{"ID", 'N', 10, 0},
                                      {"ParentID", 'N', 10, 0},
                                      {"Name", 'C', 20, 0},
                                      {"Icon", 'C', 10, 0},
                                      {"Descript", 'C', 30, 0},
                                      {"IsItem", 'C', 1, 0},
                                      {"IsRestrict", 'C', 1, 0},
                                      {"Form", 'C', 10, 0},
                                      {"Bid", 'N', 10, 2},
                                      {"AdURL", 'C', 20, 0}},
                                     &error))
            << error.toStdString();
        QByteArray file = Read();
        header = static_cast<int>(static_cast<unsigned char>(file[8]) |
                                  static_cast<unsigned char>(file[9]) << 8);
        file.chop(1);
        for (int i = 0; i < Count(); ++i)
            file += OldRecord(i);
        file += '\x1A';
        file[4] = static_cast<char>(Count() & 0xFF);
        file[5] = static_cast<char>(Count() >> 8);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    ~DbfReloadTest() override { DbfTable::SetBufferLimit(0); }
    QByteArray Read() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray RecordIn(const QByteArray& file, int i) const {
        return file.mid(header + i * kLength, kLength);
    }
    // Opens the table as the item store does and sends every line.
    std::unique_ptr<DbfTable> Reload(int upTo) {
        DbfTable::SetBufferLimit(static_cast<size_t>(std::max(0, GetParam())) * kLength);
        auto t = DbfTable::Open(path);
        EXPECT_TRUE(t);
        const auto f = ItemUpdate::MenuFields::Of(*t);
        EXPECT_TRUE(t->CreateTags({{"ID_TAG", f.ID}, {"PARENT_TAG", f.ParentID}}));
        bool hotBuy = false;
        for (int i = 0; i < upTo; ++i)
            EXPECT_TRUE(ItemUpdate::ApplyLine(*t, f, QString::fromLatin1(Line(i)), &hotBuy));
        return t;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("MenuItems.dat"));
    int header = 0;
};

} // namespace

TEST_P(DbfReloadTest, AFullReloadPutsOnDiskTheBytesAPlainWriterWould) {
    auto t = Reload(Count());
    ASSERT_TRUE(t->Flush());
    t.reset();
    const QByteArray after = Read();
    ASSERT_EQ(after.size(), header + Count() * kLength + 1);
    for (int i = 0; i < Count(); ++i)
        ASSERT_EQ(RecordIn(after, i), NewRecord(i)) << "record " << i;
    EXPECT_EQ(after.back(), '\x1A');
    // The same lines again leave the same bytes.
    auto again = Reload(Count());
    ASSERT_TRUE(again->Flush());
    again.reset();
    const QByteArray twice = Read();
    EXPECT_EQ(twice.mid(4), after.mid(4));
}

TEST_P(DbfReloadTest, AKillMidwayLeavesWholeRecordsAReaderAccepts) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto t = Reload(Count() * 2 / 3);
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QByteArray after = Read();
    ASSERT_EQ(after.size(), header + Count() * kLength + 1);
    EXPECT_EQ(after.back(), '\x1A');
    // Every record is the old one or the new one, never a mix; the early
    // write-backs (of small buffers, or of each megabyte of the run) got
    // the first ones in.
    int renewed = 0;
    for (int i = 0; i < Count(); ++i) {
        const QByteArray r = RecordIn(after, i);
        if (r == NewRecord(i))
            ++renewed;
        else
            ASSERT_EQ(r, OldRecord(i)) << "record " << i;
    }
    if (GetParam() != 0) {
        EXPECT_GT(renewed, Count() / 3);
    }
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->RecordCount(), Count());
    ASSERT_TRUE(t->CreateTag("ID_TAG", 0));
    for (int i = 0; i < Count(); i += 41)
        EXPECT_EQ(t->Seek("ID_TAG", 1000 + i), i);
}

// Buffers of the default size, of ten records (early write-backs), and of
// the default size with plain records only (written a megabyte at a time).
INSTANTIATE_TEST_SUITE_P(Buffers, DbfReloadTest, ::testing::Values(0, 10, -1));
