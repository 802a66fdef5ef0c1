// The dBASE engine when a long batch of appends meets a full disk or the
// process is killed midway: what other readers find in the file, and what
// the batch costs in memory.
#include "platform/Dbf.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::DbfTable;

namespace {

constexpr int kRecordLength = 1 + 5 + 8;

class DbfCrashTest : public ::testing::Test {
protected:
    DbfCrashTest() {
        QString error;
        EXPECT_TRUE(DbfTable::Create(path, {{"ID", 'N', 5, 0}, {"NAME", 'C', 8, 0}}, &error))
            << error.toStdString();
        auto t = DbfTable::Open(path);
        if (!t) { // a constructor cannot stop with ASSERT_NE
            ADD_FAILURE() << "the new table does not open";
            return;
        }
        for (int i = 0; i < 3; ++i)
            Append(*t, i);
        EXPECT_TRUE(t->Flush());
    }
    ~DbfCrashTest() override { DbfTable::SetBufferLimit(0); }
    static void Append(DbfTable& t, int id) {
        const int r = t.AppendBlank();
        t.Assign(r, 0, QByteArray::number(id));
        t.Assign(r, 1, "Row");
    }
    QByteArray Read() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static uint32_t Count(const QByteArray& file) {
        const auto* p = reinterpret_cast<const unsigned char*>(file.constData());
        return p[4] | p[5] << 8 | p[6] << 16 | uint32_t(p[7]) << 24;
    }
    static int HeaderLength(const QByteArray& file) {
        return static_cast<unsigned char>(file[8]) | static_cast<unsigned char>(file[9]) << 8;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("menu.dbf"));
};

} // namespace

TEST_F(DbfCrashTest, AKillAfterEarlyWritesLeavesNoRecordPastTheCountOrTheEndByte) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Buffers of ten records: forty appends go to the file early, in
        // four writes, and the process dies before its flush.
        DbfTable::SetBufferLimit(10 * kRecordLength);
        auto t = DbfTable::Open(path);
        for (int i = 100; i < 140; ++i)
            Append(*t, i);
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QByteArray file = Read();
    // Records went to the file early, yet a reader that goes by the count
    // and one that goes by the end byte both find the three flushed ones.
    EXPECT_GT(file.size(), HeaderLength(file) + 30 * kRecordLength);
    EXPECT_EQ(Count(file), 3u);
    EXPECT_EQ(file.indexOf('\x1A', HeaderLength(file)), HeaderLength(file) + 3 * kRecordLength);
    auto t = DbfTable::Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->RecordCount(), 3);
    // The next run appends over what the killed one left.
    Append(*t, 7);
    ASSERT_TRUE(t->Flush());
    t.reset();
    const QByteArray after = Read();
    EXPECT_EQ(Count(after), 4u);
    EXPECT_EQ(after.indexOf('\x1A', HeaderLength(after)), HeaderLength(after) + 4 * kRecordLength);
}

TEST_F(DbfCrashTest, AfterAFailedEarlyWriteTheAppendsStillHoldNoMoreThanTheBuffer) {
    const QByteArray before = Read();
    DbfTable::SetBufferLimit(10 * kRecordLength);
    auto t = DbfTable::Open(path);
    ASSERT_NE(t, nullptr);
    const auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lower = saved;
    lower.rlim_cur = static_cast<rlim_t>(before.size() + 5 * kRecordLength);
    setrlimit(RLIMIT_FSIZE, &lower);
    // A thousand appends on a disk with room for five: the first early
    // write fails, and what comes after must not pile up in memory.
    int most = 0;
    for (int i = 100; i < 1100; ++i) {
        Append(*t, i);
        most = std::max(most, t->RecordCount());
    }
    QString error;
    const bool flushed = t->Flush(&error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_LE(most, 3 + 10 + 1);
    EXPECT_FALSE(flushed);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Read(), before); // the file as the last flush left it
    EXPECT_EQ(t->RecordCount(), 3);
}
