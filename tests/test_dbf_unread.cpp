// Changes to records the table has not read: fields and deletion flags are
// written without reading the record first, so every other byte of the file
// must come out as it was, whatever mix of stores, reads, deletes and
// neighbouring records goes into one write-back, and with buffers of one
// record as well as the default ones.
#include "platform/Dbf.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using platform::DbfTable;

namespace {

constexpr int kHeader = 32 + 4 * 32 + 1;
constexpr int kLength = 20;  // flag, ID N5, PARENTID N5, NAME C8, FLAG C1
constexpr int kCount = 1200; // more than one read of records takes

QByteArray Descriptor(const char* name, char type, int length) {
    QByteArray d(32, '\0');
    for (int i = 0; name[i]; ++i)
        d[i] = name[i];
    d[11] = type;
    d[16] = static_cast<char>(length);
    return d;
}

QByteArray Record(int i) {
    const char flag = i % 11 == 0 ? '*' : ' ';
    return flag + QByteArray::number(i).rightJustified(5) +
           QByteArray::number(i / 100).rightJustified(5) +
           ("Row" + QByteArray::number(i)).leftJustified(8) + (i % 2 ? "T" : "F");
}

QByteArray Table() {
    QByteArray b(32, '\0');
    b[0] = 0x03;
    b[1] = 99;
    b[2] = 12;
    b[3] = 31;
    b[4] = static_cast<char>(kCount & 0xFF);
    b[5] = static_cast<char>(kCount >> 8);
    b[8] = static_cast<char>(kHeader);
    b[10] = static_cast<char>(kLength);
    b += Descriptor("ID", 'N', 5);
    b += Descriptor("PARENTID", 'N', 5);
    b += Descriptor("NAME", 'C', 8);
    b += Descriptor("FLAG", 'C', 1);
    b += '\x0D';
    for (int i = 0; i < kCount; ++i)
        b += Record(i);
    return b + '\x1A';
}

void Patch(QByteArray& file, int record, int offset, const QByteArray& bytes) {
    file.replace(kHeader + record * kLength + offset, bytes.size(), bytes);
}

class DbfUnreadTest : public ::testing::TestWithParam<bool> {
protected:
    DbfUnreadTest() { DbfTable::SetBufferLimit(GetParam() ? 0 : 1); }
    ~DbfUnreadTest() override { DbfTable::SetBufferLimit(0); }
    QString WriteTable() {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Table());
        return path;
    }
    QByteArray Read() {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("menu.dbf"));
};

} // namespace

TEST_P(DbfUnreadTest, ScatteredStoresDeletesAndReadsLeaveEveryOtherByteAsItWas) {
    WriteTable();
    QByteArray expected = Table();
    {
        auto t = DbfTable::Open(path);
        ASSERT_TRUE(t);
        ASSERT_TRUE(t->CreateTags({{"ID_TAG", 0}}));
        for (int r = 5; r < kCount; r += 37) {
            // A name alone: the ID, parent and flag around it stay unread.
            t->Assign(r, 2, "N" + QByteArray::number(r));
            Patch(expected, r, 11, ("N" + QByteArray::number(r)).leftJustified(8));
        }
        for (int r = 7; r < kCount; r += 53) {
            // Two fields apart from each other in one record.
            t->Assign(r, 1, "77");
            t->Assign(r, 3, "X");
            Patch(expected, r, 6, "   77");
            Patch(expected, r, 19, "X");
        }
        // Neighbours with single fields changed: several parts close together.
        for (int r = 600; r < 606; ++r) {
            t->Assign(r, 3, "Q");
            Patch(expected, r, 19, "Q");
        }
        for (int r = 0; r < kCount; r += 11) { // deleted in the file
            if (r % 3 == 0) {
                t->Recall(r);
                Patch(expected, r, 0, " ");
            }
        }
        for (int r = 1; r < kCount; r += 97) {
            EXPECT_EQ(t->IsDeleted(r), r % 11 == 0 && r % 3 != 0) << r;
            t->Delete(r);
            EXPECT_TRUE(t->IsDeleted(r));
            Patch(expected, r, 0, "*");
        }
        // Reading a field a changed record does not hold brings the file's
        // bytes with the stored ones.
        EXPECT_EQ(t->FieldString(5 + 37 * 3, 0), QStringLiteral("  116"));
        EXPECT_EQ(t->FieldString(5 + 37 * 3, 2), QStringLiteral("N116    "));
        EXPECT_EQ(t->FieldString(7, 2), QStringLiteral("Row7    "));
        EXPECT_EQ(t->FieldString(7, 3), QStringLiteral("X"));
        // ... and a later store into it still lands.
        t->Assign(7, 2, "Later");
        Patch(expected, 7, 11, "Later   ");
        ASSERT_TRUE(t->Flush());
    }
    QByteArray after = Read();
    ASSERT_EQ(after.size(), expected.size());
    for (int i = 1; i <= 3; ++i) // the header's date
        expected[i] = after[i];
    for (int r = 0; r < kCount; ++r)
        ASSERT_EQ(after.mid(kHeader + r * kLength, kLength),
                  expected.mid(kHeader + r * kLength, kLength))
            << "record " << r;
    EXPECT_EQ(after, expected);
    // Read back by a fresh table: flags and fields as stored.
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->CreateTags({{"ID_TAG", 0}}));
    EXPECT_TRUE(t->IsDeleted(1));
    EXPECT_FALSE(t->IsDeleted(33));
    EXPECT_TRUE(t->IsDeleted(22));
}

TEST_P(DbfUnreadTest, AnUnreadRecordsTaggedFieldMovesInTheTag) {
    WriteTable();
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->CreateTags({{"ID_TAG", 0}, {"P", 1}}));
    std::vector<uint32_t> rows;
    t->Query(1, 9, rows);
    ASSERT_EQ(rows.size(), 100u);
    t->Assign(950, 1, "3"); // parent 9 before, never read
    t->Assign(951, 0, "99999");
    t->Query(1, 9, rows);
    EXPECT_EQ(rows.size(), 99u);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), 950u), 0);
    t->Query(1, 3, rows);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), 950u), 1);
    EXPECT_EQ(t->Seek("ID_TAG", 951), -1);
    EXPECT_EQ(t->Seek("ID_TAG", 99999), 951);
    ASSERT_TRUE(t->Flush());
    auto again = DbfTable::Open(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->FieldString(950, 1), QStringLiteral("    3"));
    EXPECT_EQ(again->FieldString(950, 2), QStringLiteral("Row950  "));
}

TEST_P(DbfUnreadTest, DeletionFlagsFollowAFileRewrittenByAnotherProgram) {
    WriteTable();
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->CreateTags({{"ID_TAG", 0}}));
    EXPECT_TRUE(t->IsDeleted(44));
    EXPECT_FALSE(t->IsDeleted(45));
    // Another program recalls 44 and deletes 45 (a new file in its place).
    QByteArray other = Table();
    Patch(other, 44, 0, " ");
    Patch(other, 45, 0, "*");
    const QString next = dir.filePath(QStringLiteral("next.dbf"));
    QFile f(next);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(other);
    f.close();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(next, path));
    ASSERT_TRUE(t->Recheck());
    EXPECT_FALSE(t->IsDeleted(44));
    EXPECT_TRUE(t->IsDeleted(45));
    // A delete stored before the table noticed the change is dropped with it.
    t->Delete(46);
    ASSERT_TRUE(QFile::remove(path));
    QFile g(path);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(Table());
    g.close();
    ASSERT_TRUE(t->Recheck());
    EXPECT_FALSE(t->IsDeleted(46));
    EXPECT_TRUE(t->IsDeleted(44));
    EXPECT_FALSE(t->IsChanged());
}

INSTANTIATE_TEST_SUITE_P(Buffers, DbfUnreadTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Default" : "OneRecord"; });
