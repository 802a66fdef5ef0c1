// Update lines as a server may send them, applied to a small menu table: any
// kind, any number of fields, values of any width. No line may crash the
// engine or store a value that does not read back.
#include "core/clsItemManagerUpdate.h"
#include "fuzz/ScratchFile.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Dbf.h"
#include "platform/Latin1Text.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile scratch(QStringLiteral("fuzz_update_%1.dat"));
    const QString& path = scratch.path;
    // A fresh table for each input: the engine writes its changes back when
    // it closes.
    localservice::SampleRecord r;
    r.id = 12;
    r.parentId = 3;
    r.name = QStringLiteral("Tea");
    r.bid = QStringLiteral("1.50");
    if (!localservice::WriteMenuTable(path, {r}))
        std::abort();
    auto t = platform::DbfTable::Open(path);
    if (!t)
        std::abort();
    const auto fields = ItemUpdate::MenuFields::Of(*t);
    t->CreateTag("ID_TAG", fields.ID);
    // Read as the update reads its lines: in the service's code page.
    const QString text = platform::DecodeAnsi(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    bool hotBuy = false;
    for (const QStringView line : QStringView(text).split(u"\r\n"))
        ItemUpdate::ApplyLine(*t, fields, line, &hotBuy);
    // Every number the lines left in the table reads back as one.
    for (int r = 0; r < t->RecordCount(); ++r) {
        int32_t v = 0;
        if (!platform::DbfTable::ParseInt(t->FieldBytes(r, fields.ID), &v) ||
            !platform::DbfTable::ParseInt(t->FieldBytes(r, fields.ParentID), &v) ||
            t->FieldBytes(r, fields.Bid).contains('*'))
            std::abort();
    }
    return 0;
}
