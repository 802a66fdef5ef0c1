// The dBASE III engine against files written byte by byte here, not by the
// engine itself.
#include "platform/Dbf.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>

using platform::DbfTable;

namespace {

void PutLe(QByteArray& b, int at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8)
        b[at + i] = static_cast<char>(v & 0xFF);
}

QByteArray Descriptor(const char* name, char type, int length, int decimals = 0) {
    QByteArray d(32, '\0');
    for (int i = 0; name[i]; ++i)
        d[i] = name[i];
    d[11] = type;
    d[16] = static_cast<char>(length);
    d[17] = static_cast<char>(decimals);
    return d;
}

// A table of four fields: ID N5, ParentID N5, Name C8, Flag C1 (record 20
// bytes) holding the given records (each 19 bytes of field text, with its
// leading flag byte given separately).
QByteArray Fixture(const QList<QByteArray>& records, uint32_t headerCount) {
    QByteArray b(32, '\0');
    b[0] = 0x03;
    b[1] = 99;
    b[2] = 12;
    b[3] = 31;
    PutLe(b, 4, headerCount, 4);
    PutLe(b, 8, 32 + 4 * 32 + 1, 2);
    PutLe(b, 10, 20, 2);
    b += Descriptor("ID", 'N', 5);
    b += Descriptor("PARENTID", 'N', 5);
    b += Descriptor("NAME", 'C', 8);
    b += Descriptor("FLAG", 'C', 1);
    b += '\x0D';
    for (const QByteArray& r : records) {
        EXPECT_EQ(r.size(), 20);
        b += r;
    }
    b += '\x1A';
    return b;
}

const QList<QByteArray> kRecords = {
    QByteArray(" ") + "   12" + "    3" + "Tea     " + "T",
    QByteArray("*") + "    7" + "    3" + " .News  " + "t",
    QByteArray(" ") + "   -4" + "    9" + "Coffee,1" + "F",
    QByteArray(" ") + "  abc" + "    3" + "Bad     " + "F",
};

class DbfTest : public ::testing::TestWithParam<bool> {
protected:
    // Every case runs with the default buffers and with buffers of one
    // record, where each change and append goes to the file early.
    DbfTest() { DbfTable::SetBufferLimit(GetParam() ? 0 : 1); }
    ~DbfTest() override { DbfTable::SetBufferLimit(0); }
    QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("t.dbf")) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_P(DbfTest, ReadsAFixtureFieldForField) {
    const QString path = Write(Fixture(kRecords, 4));
    QString error;
    auto t = DbfTable::Open(path, &error);
    ASSERT_TRUE(t) << error.toStdString();
    EXPECT_EQ(t->RecordCount(), 4);
    EXPECT_EQ(t->FieldCount(), 4);
    EXPECT_EQ(t->FieldIndex("ParentID"), 1); // names without regard to case
    EXPECT_EQ(t->FieldIndex("name"), 2);
    EXPECT_EQ(t->FieldIndex("AdURL"), -1);
    EXPECT_EQ(t->Field(0).type, 'N');
    EXPECT_EQ(t->Field(2).length, 8);
    EXPECT_EQ(t->FieldString(0, 0), QStringLiteral("   12"));
    EXPECT_EQ(t->FieldString(1, 2), QStringLiteral(" .News  ")); // untrimmed
    EXPECT_EQ(t->FieldString(2, 2), QStringLiteral("Coffee,1"));
    EXPECT_EQ(t->FieldString(1, 3), QStringLiteral("t"));
    EXPECT_FALSE(t->IsDeleted(0));
    EXPECT_TRUE(t->IsDeleted(1));
    EXPECT_TRUE(t->FieldBytes(9, 0).isEmpty()); // out of range: nothing, no crash
    EXPECT_TRUE(t->FieldBytes(0, 9).isEmpty());
}

TEST_P(DbfTest, TagsSeekAndQueryInPhysicalOrderWithDeletedRecords) {
    auto t = DbfTable::Open(Write(Fixture(kRecords, 4)));
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->CreateTag("ID_TAG", 0));
    ASSERT_TRUE(t->CreateTag("P", 1));
    EXPECT_EQ(t->Seek("ID_TAG", 12), 0);
    EXPECT_EQ(t->Seek("ID_TAG", 7), 1); // deleted records are found
    EXPECT_EQ(t->Seek("ID_TAG", -4), 2);
    EXPECT_EQ(t->Seek("ID_TAG", 99), -1);
    EXPECT_EQ(t->Seek("NO_TAG", 12), -1);
    std::vector<uint32_t> rows;
    t->Query(1, 3, rows);
    EXPECT_EQ(rows, (std::vector<uint32_t>{0, 1, 3}));
    t->Query(1, 5, rows);
    EXPECT_TRUE(rows.empty());
    EXPECT_LE(t->IndexMemoryBytes(), 32u * 4);
}

TEST_P(DbfTest, AssignFitsTheWidthAndChangesNoOtherByte) {
    const QString path = Write(Fixture(kRecords, 4));
    const QByteArray before = Read(path);
    {
        auto t = DbfTable::Open(path);
        ASSERT_TRUE(t);
        t->Assign(0, 2, "Herbal tea blend"); // cut at 8
        t->Assign(2, 0, "15");               // right-aligned
        t->Assign(3, 1, " 8 ");              // trimmed, right-aligned
        EXPECT_EQ(t->FieldString(0, 2), QStringLiteral("Herbal t"));
        EXPECT_EQ(t->FieldString(2, 0), QStringLiteral("   15"));
        EXPECT_EQ(t->FieldString(3, 1), QStringLiteral("    8"));
        // Too wide for N5 even without its leading zeros: left as it was,
        // never the overflow stars no reader takes for a number.
        EXPECT_FALSE(t->Assign(3, 0, "1234567"));
        EXPECT_EQ(t->FieldString(3, 0), QStringLiteral("  abc"));
        EXPECT_TRUE(t->Assign(3, 0, " 00000000099 "));
        EXPECT_EQ(t->FieldString(3, 0), QStringLiteral("   99"));
        ASSERT_TRUE(t->Flush());
    }
    const QByteArray after = Read(path);
    ASSERT_EQ(after.size(), before.size());
    const int header = 32 + 4 * 32 + 1;
    QByteArray expected = before;
    expected.replace(header + 0 * 20 + 11, 8, "Herbal t");
    expected.replace(header + 2 * 20 + 1, 5, "   15");
    expected.replace(header + 3 * 20 + 6, 5, "    8");
    expected.replace(header + 3 * 20 + 1, 5, "   99");
    // Only the date bytes of the header may differ besides the fields.
    for (int i = 1; i <= 3; ++i)
        expected[i] = after[i];
    EXPECT_EQ(after, expected);
}

TEST_P(DbfTest, NothingIsWrittenWithoutAChange) {
    const QString path = Write(Fixture(kRecords, 4));
    const QByteArray before = Read(path);
    {
        auto t = DbfTable::Open(path);
        ASSERT_TRUE(t);
        // A record the table has read is compared before it is written (one
        // it has not read is written without reading it first).
        ASSERT_EQ(t->FieldBytes(0, 2).trimmed(), QByteArrayView("Tea"));
        t->Assign(0, 2, "Tea"); // the same text once fitted
        EXPECT_FALSE(t->IsChanged());
    }
    EXPECT_EQ(Read(path), before);
}

TEST_P(DbfTest, AppendDeleteRecallAndReopen) {
    const QString path = Write(Fixture(kRecords, 4));
    {
        auto t = DbfTable::Open(path);
        ASSERT_TRUE(t);
        t->CreateTag("ID_TAG", 0);
        const int r = t->AppendBlank();
        EXPECT_EQ(r, 4);
        t->Assign(r, 0, "31");
        t->Assign(r, 1, "3");
        t->Assign(r, 2, "Juice");
        EXPECT_EQ(t->Seek("ID_TAG", 31), 4); // the tag is current at once
        t->Delete(0);
        t->Recall(1);
        ASSERT_TRUE(t->Flush());
        // Changes after a flush go to the file too.
        t->Assign(r, 2, "Lemonade");
        ASSERT_TRUE(t->Flush());
    }
    const QByteArray bytes = Read(path);
    const int header = 32 + 4 * 32 + 1;
    EXPECT_EQ(bytes.size(), header + 5 * 20 + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 5u); // the count
    EXPECT_EQ(bytes.mid(header + 4 * 20, 20), QByteArray("    31    3Lemonade "));
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->RecordCount(), 5);
    EXPECT_TRUE(t->IsDeleted(0));
    EXPECT_FALSE(t->IsDeleted(1));
    EXPECT_EQ(t->FieldString(4, 2), QStringLiteral("Lemonade"));
}

TEST_P(DbfTest, ManyAppendsStayFindable) {
    auto t = DbfTable::Open(Write(Fixture(kRecords, 4)));
    ASSERT_TRUE(t);
    t->CreateTag("ID_TAG", 0);
    t->CreateTag("P", 1);
    for (int i = 0; i < 3000; ++i) {
        const int r = t->AppendBlank();
        t->Assign(r, 0, QByteArray::number(1000 + i));
        t->Assign(r, 1, QByteArray::number(i % 3));
    }
    EXPECT_EQ(t->Seek("ID_TAG", 1000), 4);
    EXPECT_EQ(t->Seek("ID_TAG", 3999), 3003);
    std::vector<uint32_t> rows;
    t->Query(1, 2, rows);
    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    // A key that changes moves in the tag.
    t->Assign(4, 0, "77777");
    EXPECT_EQ(t->Seek("ID_TAG", 1000), -1);
    EXPECT_EQ(t->Seek("ID_TAG", 77777), 4);
}

TEST_P(DbfTest, OtherReadersSeeChangesOnlyAsTheFlushLeavesThem) {
    const QString path = Write(Fixture(kRecords, 4));
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    t->CreateTag("ID_TAG", 0);
    for (int i = 0; i < 300; ++i) {
        const int r = t->AppendBlank();
        t->Assign(r, 0, QByteArray::number(100 + i));
        t->Assign(r, 2, "New");
        t->Assign(i % 4, 2, QByteArray::number(i)); // records of the file, over and over
    }
    // Before the flush another reader counts the old records, whatever went
    // to the file early, and this table reads its own changes.
    auto other = DbfTable::Open(path);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->RecordCount(), 4);
    EXPECT_EQ(t->FieldString(299 % 4, 2), QStringLiteral("299     "));
    EXPECT_EQ(t->Seek("ID_TAG", 399), 303);
    EXPECT_EQ(t->FieldString(303, 2), QStringLiteral("New     "));
    ASSERT_TRUE(t->Flush());
    const QByteArray bytes = Read(path);
    EXPECT_EQ(bytes.size(), 32 + 4 * 32 + 1 + 304 * 20 + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    auto after = DbfTable::Open(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->RecordCount(), 304);
    EXPECT_EQ(after->FieldString(3, 2), QStringLiteral("299     "));
    EXPECT_EQ(after->FieldString(303, 0), QStringLiteral("  399"));
}

TEST_P(DbfTest, AFileCutShortUnderTheTableReadsBlankAndIsNoticed) {
    const QString path = Write(Fixture(kRecords, 4));
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    ASSERT_TRUE(QFile::resize(path, 32 + 4 * 32 + 1 + 20)); // one record left
    // Reading what the file no longer holds is no signal, only blanks.
    EXPECT_EQ(t->FieldString(3, 2), QStringLiteral("        "));
    QString error;
    ASSERT_TRUE(t->Recheck(&error)) << error.toStdString();
    EXPECT_EQ(t->RecordCount(), 1);
    ASSERT_TRUE(QFile::resize(path, 10));
    EXPECT_FALSE(t->Recheck(&error));
    EXPECT_TRUE(error.contains("too short")) << error.toStdString();
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_TRUE(t->FieldBytes(0, 0).isEmpty());
}

TEST_P(DbfTest, HeaderCountLargerThanTheFileIsClamped) {
    QByteArray bytes = Fixture(kRecords, 40);
    bytes.chop(1 + 7); // no end byte, and the last record cut short
    const QString path = Write(bytes);
    QString error;
    auto t = DbfTable::Open(path, &error);
    ASSERT_TRUE(t) << error.toStdString();
    EXPECT_EQ(t->RecordCount(), 3);
    const int r = t->AppendBlank();
    t->Assign(r, 0, "55");
    ASSERT_TRUE(t->Flush());
    t.reset();
    auto again = DbfTable::Open(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->RecordCount(), 4);
    EXPECT_EQ(again->FieldString(3, 0), QStringLiteral("   55"));
}

TEST_P(DbfTest, DamagedFilesFailToOpen) {
    const QByteArray good = Fixture(kRecords, 4);
    QString error;
    EXPECT_FALSE(DbfTable::Open(dir.filePath("missing.dbf"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(DbfTable::Open(Write(QByteArray(), "empty.dbf")));
    EXPECT_FALSE(DbfTable::Open(Write(good.left(20), "short.dbf")));
    EXPECT_FALSE(DbfTable::Open(Write(good.left(100), "cut.dbf"))); // inside the fields
    QByteArray noEnd = good;
    noEnd[32 + 4 * 32] = 'X'; // no 0x0D after the descriptors
    EXPECT_FALSE(DbfTable::Open(Write(noEnd, "noend.dbf")));
    QByteArray badLength = good;
    PutLe(badLength, 10, 21, 2); // record length does not match the fields
    EXPECT_FALSE(DbfTable::Open(Write(badLength, "len.dbf")));
    QByteArray bigHeader = good;
    PutLe(bigHeader, 8, 60000, 2);
    EXPECT_FALSE(DbfTable::Open(Write(bigHeader, "hdr.dbf")));
    QByteArray notDbf = good;
    notDbf[0] = 'P';
    EXPECT_FALSE(DbfTable::Open(Write(notDbf, "pk.dbf")));
    EXPECT_FALSE(DbfTable::Open(dir.path())); // a folder
}

TEST_P(DbfTest, CreateWritesAnEmptyTableThatOpens) {
    const QString path = dir.filePath("new.dbf");
    ASSERT_TRUE(
        DbfTable::Create(path, {{"ID", 'N', 10, 0}, {"Bid", 'N', 10, 2}, {"Name", 'C', 80, 0}}));
    const QByteArray bytes = Read(path);
    EXPECT_EQ(bytes.size(), 32 + 3 * 32 + 1 + 1);
    EXPECT_EQ(bytes[0], 0x03);
    EXPECT_EQ(bytes.back(), '\x1A');
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->Field(1).decimals, 2);
    const int r = t->AppendBlank();
    t->Assign(r, 1, "0.25");
    EXPECT_EQ(t->FieldString(r, 1), QStringLiteral("      0.25"));
    EXPECT_FALSE(DbfTable::Create(path, {}));
    EXPECT_FALSE(DbfTable::Create(path, {{"TOOLONGNAME1", 'C', 5, 0}}));
}

INSTANTIATE_TEST_SUITE_P(Buffers, DbfTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Default" : "OneRecord"; });

TEST(DbfParseInt, AcceptsOnlyWholeNumbersWithin32Bits) {
    int32_t v = 0;
    EXPECT_TRUE(DbfTable::ParseInt("  -12 ", &v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(DbfTable::ParseInt("2147483647", &v));
    EXPECT_TRUE(DbfTable::ParseInt("-2147483648", &v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_FALSE(DbfTable::ParseInt("2147483648", &v));
    EXPECT_FALSE(DbfTable::ParseInt("     ", &v));
    EXPECT_FALSE(DbfTable::ParseInt("1.5", &v));
    EXPECT_FALSE(DbfTable::ParseInt("1 2", &v));
    EXPECT_FALSE(DbfTable::ParseInt("-", &v));
}

// The in-memory index against a plain ordered set, through many merges of
// its side list (inserts in random order, erasures of old and new entries).
TEST(DbfIntIndex, AgreesWithAnOrderedSetThroughMergesAndErasures) {
    platform::DbfIntIndex index;
    std::set<std::pair<int32_t, uint32_t>> expected;
    std::vector<platform::DbfIntIndex::Entry> start;
    for (uint32_t r = 0; r < 5000; ++r) {
        start.push_back({static_cast<int32_t>(r % 700) - 350, r});
        expected.insert({static_cast<int32_t>(r % 700) - 350, r});
    }
    index.Build(start);
    std::mt19937 random(7);
    uint32_t next = 5000;
    for (int step = 0; step < 20000; ++step) {
        const int32_t key = static_cast<int32_t>(random() % 900) - 450;
        if (random() % 3 == 0 && !expected.empty()) {
            auto it = expected.lower_bound({key, 0});
            if (it == expected.end())
                it = expected.begin();
            index.Erase(it->first, it->second);
            expected.erase(it);
        } else {
            index.Insert(key, next);
            expected.insert({key, next++});
        }
        if (step % 997 == 0 || step == 19999) {
            for (int32_t k = -460; k <= 460; k += 13) {
                std::vector<uint32_t> rows, want;
                index.Find(k, rows);
                for (auto it = expected.lower_bound({k, 0}); it != expected.end() && it->first == k;
                     ++it)
                    want.push_back(it->second);
                ASSERT_EQ(rows, want) << "key " << k << " at step " << step;
                EXPECT_EQ(index.First(k), want.empty() ? -1 : int64_t(want.front()));
            }
        }
    }
}
