// A table file as another program may leave it: any header, any descriptors,
// any records. Opening, reading every field, indexing, changing, appending
// and writing back must neither crash nor read outside the file.
#include "fuzz/ScratchFile.h"
#include "platform/Dbf.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile scratch(QStringLiteral("fuzz_dbf_%1.dbf"));
    const QString& path = scratch.path;
    {
        FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
        if (!f)
            return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    auto t = platform::DbfTable::Open(path);
    if (!t)
        return 0;
    const int records = std::min(t->RecordCount(), 200);
    for (int r = 0; r < records; ++r) {
        t->IsDeleted(r);
        for (int field = 0; field < t->FieldCount(); ++field)
            t->FieldString(r, field);
    }
    if (t->FieldCount() > 0) {
        t->CreateTag("TAG", 0);
        std::vector<uint32_t> rows;
        t->Query(0, 1, rows);
        const int r = t->AppendBlank();
        for (int field = 0; field < t->FieldCount(); ++field)
            t->Assign(r, field, "0000000000000000012.345");
        if (records > 0) {
            t->Assign(0, 0, "7");
            t->Delete(0);
        }
        t->Seek("TAG", 7);
        t->Flush();
        t->Recheck();
    }
    t.reset();
    // Stores into records the table has not read, then a read of one of them.
    if (auto u = platform::DbfTable::Open(path); u && u->FieldCount() > 0) {
        const int n = u->RecordCount();
        for (int r = n - 1; r >= 0 && r > n - 60; r -= 3) {
            u->Assign(r, u->FieldCount() - 1, "1");
            if (r % 2)
                u->Delete(r);
        }
        if (n > 0)
            u->FieldString(n - 1, 0);
        u->Flush();
    }
    return 0;
}
