#pragma once
// A small dBASE III table engine: the .dbf layout (32-byte header, 32-byte
// field descriptors ended by 0x0D, records led by a ' '/'*' flag byte, 0x1A
// end byte), so that ordinary dBASE tools can open the menu table too.
//
// Records are read with pread through a small window and written with
// pwrite, so that memory does not grow with the table (a shared mapping kept
// every page it touched resident, took a write fault on each first store and
// raised SIGBUS when another program shortened the file). The integer indexes
// ("tags") live in memory only, 8 bytes a record each, with the records'
// deletion flags (a bit each), and no index file is read or written. Fields
// stored into a record no buffer holds are written without reading the
// record. Changed and appended records wait in bounded buffers and
// go to the file when a buffer is full or at Flush, which then writes the end
// byte and the header's count and date; other readers go by the count and the
// end byte, so they see appended records only once Flush is through, also
// when the process was killed before it (the place of the first record
// written early holds the end byte until the flush). Nothing is written when
// nothing changed, and the count written is always this table's own.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

struct DbfFieldDef {
    QByteArray name; // at most 10 characters
    char type = 'C'; // 'C' character, 'N' numeric, 'L', 'D', 'F'
    int length = 1;  // 1 to 254
    int decimals = 0;
};

// An in-memory index of records by the integer value of one field: sorted
// (key, record) pairs, with a small sorted side list for records added since
// the last merge so that an append costs no shift of the whole index.
class DbfIntIndex {
public:
    struct Entry {
        int32_t key;
        uint32_t record;
    };
    void Build(std::vector<Entry> entries);
    void Insert(int32_t key, uint32_t record);
    void Erase(int32_t key, uint32_t record);
    bool Contains(int32_t key, uint32_t record) const;
    // The first record (lowest number) with that key, or -1.
    int64_t First(int32_t key) const;
    // Every record with that key, ascending (physical order).
    void Find(int32_t key, std::vector<uint32_t>& out) const;
    size_t MemoryBytes() const;

private:
    static constexpr size_t kMergeAt = 1024;
    std::vector<Entry> main_;
    std::vector<Entry> side_;
};

class DbfTable {
public:
    // A file's identity, size and modification time.
    struct FileState {
        uint64_t dev = 0, ino = 0;
        int64_t size = -1, mtimeNs = 0;
        bool operator==(const FileState&) const = default;
    };

    ~DbfTable(); // flushes; a failure there is lost, so callers flush first
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;

    // Opens an existing table read-write. A missing, short, truncated or
    // inconsistent file gives nullptr and the reason in *error. A record
    // count larger than the file holds is cut to the whole records present.
    static std::unique_ptr<DbfTable> Open(const QString& path, QString* error = nullptr);
    // Bytes that changed records, and appended ones, may hold before they go
    // to the file, for tables opened from now on (0: the default of 8 MB);
    // tests use a record to reach the early writes.
    static void SetBufferLimit(size_t bytes);
    // Writes a new empty table (replacing any file of that name).
    static bool Create(const QString& path, const std::vector<DbfFieldDef>& fields,
                       QString* error = nullptr);

    QString Path() const { return path_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // Field number by name, without regard to case; -1 when absent.
    int FieldIndex(QByteArrayView name) const;
    const DbfFieldDef& Field(int field) const { return fields_[static_cast<size_t>(field)].def; }
    int RecordCount() const { return static_cast<int>(recordCount_); }

    // The field's bytes in a record (0-based), exactly its width, untrimmed.
    // The view holds until the next call that reads another record or
    // changes the table.
    QByteArrayView FieldBytes(int record, int field) const;
    QString FieldString(int record, int field) const; // the bytes as Windows-1252
    // Stores text fitted to the width: character fields left-aligned and
    // blank-padded (cut at the width), numeric fields right-aligned after
    // trimming. A number wider than its field is stored in its shortest form
    // with the field's decimals (leading zeros dropped, "00002.5" as "2.50"
    // in N10.2); when even that does not fit, or the text is no number,
    // nothing is stored and the result is false (dBASE would store stars,
    // which no reader takes for a number). Other bytes of the record stay as
    // they are. Indexes over the field follow the new value.
    bool Assign(int record, int field, QByteArrayView text);
    bool AssignString(int record, int field, QStringView text); // as Windows-1252
    // Whether Assign would store that text in the field.
    bool Fits(int field, QStringView text) const;

    // One field's text (as Latin-1) for AssignStrings. A field marked
    // `kept` keeps its value: the text is what the caller expects it to
    // hold, which lets a record whose every other part is stored go to the
    // file whole, without reading it, when the table can tell from its tags
    // that the field holds exactly those bytes. Otherwise it is ignored.
    struct FieldText {
        int field;
        QStringView text;
        bool kept = false;
    };
    // Stores several fields of one record as AssignString does each,
    // finding the record's buffer once; a text that does not fit leaves its
    // field as it is, and so does a field number out of range.
    void AssignStrings(int record, std::initializer_list<FieldText> values);

    bool IsDeleted(int record) const;
    void Delete(int record); // marks '*'; records are never packed
    void Recall(int record);
    // Appends a blank record and returns its number.
    int AppendBlank();

    // The integer value of a numeric field: blanks around, an optional sign
    // and digits only, within 32 bits. False otherwise (blank included).
    static bool ParseInt(QByteArrayView text, int32_t* value);

    // Named in-memory tags over integer fields. Records whose field is not an
    // integer are not in the tag. CreateTags builds several in one pass over
    // the file.
    bool CreateTag(const QByteArray& tagName, int field);
    bool CreateTags(const std::vector<std::pair<QByteArray, int>>& tags);
    // The first record whose tagged field equals key, or -1.
    int Seek(const QByteArray& tagName, int32_t key) const;
    // Every record (deleted ones included) whose field equals key, in
    // physical order; uses a tag over that field when there is one. Reading
    // them afterwards in that order takes neighbours in one read.
    void Query(int field, int32_t key, std::vector<uint32_t>& out) const;
    size_t IndexMemoryBytes() const;

    bool IsChanged() const { return changed_ || recordCount_ > fileRecords_; }
    // Writes what is not yet in the file (changed and appended records, the
    // end byte, the header). False (and the reason in *error) when a write
    // failed: the file is then cut back to the records it held and its end
    // byte restored, so that other readers see no half-written records, and
    // the table is read again from the file; the changes that did not get in
    // are dropped (the caller asks for them again).
    bool Flush(QString* error = nullptr);
    // Dates the file today (header date and modification time), also when
    // nothing changed: the file's date tells how current the table is.
    bool Touch(QString* error = nullptr);

    // Makes sure the table still reads the file at its path: when another
    // program replaced, shortened or rewrote it since the last look, the
    // table is opened again (tags rebuilt, pending changes dropped). False,
    // with the reason, when the file is gone or no longer a valid table;
    // the table then holds no records.
    bool Recheck(QString* error = nullptr);

private:
    struct FieldInfo {
        DbfFieldDef def;
        int offset = 0; // within the record, after the flag byte
    };
    struct Tag {
        QByteArray name;
        int field = 0;
        DbfIntIndex index;
    };
    // Parts of a record: bit 0 its flag byte, bit 1 + i field i (a table of
    // more than 62 fields always holds whole records).
    using Parts = uint64_t;

    DbfTable() = default;
    static size_t DefaultBufferLimit();
    bool Load(QString* error); // opens path_ and reads the header
    void SetLayout();          // the parts, once the fields are known
    Parts FieldPart(int field) const;
    template <typename Fn> void ForEachSpan(Parts known, Fn fn) const; // byte ranges
    int SpanCount(Parts known) const;
    // Copies those parts of one record to another.
    void Overlay(char* into, const char* from, Parts known) const;
    void Unload();
    void NoteFileState();
    bool Reload(QString* error); // Unload, Load and the same tags again
    bool InWindow(uint32_t record) const;
    char* SlotBytes(uint32_t slot) const;   // a changed record's bytes
    char* TailBytes(uint32_t record) const; // an appended record's bytes
    // The whole record as the table has it.
    const char* ReadPtr(uint32_t record) const;
    // The record as the file has it, through the window.
    const char* FileRecord(uint32_t record) const;
    // Reads the parts a changed record does not hold yet.
    void Complete(uint32_t record, uint32_t slot) const;
    // The field's bytes when a buffer holds them, else nullptr (no read).
    const char* KnownBytes(uint32_t record, int field) const;
    // The record to change those parts of, which the caller then writes.
    char* WritePtr(uint32_t record, Parts parts);
    // A new changed record of the file, holding those parts; when they are
    // all of it and `whole` is given, a copy of those bytes.
    char* NewSlot(uint32_t record, Parts parts, const char* whole = nullptr);
    // Stores the given parts of a record laid out in `from` (the whole
    // record's layout); `kept` parts are known to equal the record's bytes.
    void StoreParts(uint32_t record, const char* from, Parts parts, Parts kept);
    // Whether a tagged field of a record holds exactly these bytes, known
    // without reading it.
    bool HoldsKnown(uint32_t record, int field, const char* fitted) const;
    void SetFlag(uint32_t record, char flag);
    bool WriteBack(); // the changed records of the file
    bool WriteTail(bool withEnd);
    bool Fail(const QString& what);
    // False (and the table read again) when another program changed the
    // file since this table last read or wrote it.
    bool StillOurs(QString* error);
    // Cuts the file back to its last flush and reads it again.
    void RollBack();
    // After a failed early write: rolls back rather than let a full buffer
    // grow for changing that record (or appending one).
    void KeepBound(int record, bool append);
    template <typename Fn> void Scan(Fn fn) const;
    void Store(uint32_t record, int field, const char* fitted);
    const Tag* TagOnField(int field) const;

    QString path_;
    bool ready_ = false;   // the open went through
    bool changed_ = false; // a record changed since the last flush
    int fd_ = -1;
    char header_[32] = {}; // the file's first 32 bytes as last written
    uint32_t headerLength_ = 0;
    uint32_t recordLength_ = 0;
    uint32_t countedRecords_ = 0; // records the header counts
    uint32_t fileRecords_ = 0;    // whole records in the file, early appends included
    uint32_t recordCount_ = 0;    // records in the table, buffered appends included
    int64_t committedSize_ = 0;   // the file's size after open or the last flush
    size_t bufferLimit_ = 0;
    mutable std::vector<char> tail_; // appended records not yet written (mutable like dirty_)
    // Changed records of the file not yet written: their bytes, the parts
    // of them that are known, their numbers and slots.
    mutable std::vector<char> dirty_;
    mutable std::vector<Parts> dirtyKnown_;
    std::vector<uint32_t> dirtyRecords_;
    std::unordered_map<uint32_t, uint32_t> dirtySlot_;
    // The leading slots whose records ascend in file order (a full
    // reload's): while they are all the buffer holds, they go to the file a
    // megabyte at a time, from a buffer that stays in cache.
    size_t ascending_ = 0;
    QString writeError_; // the first failed early write since the last flush
    // The read window: whole records from winFirst_ on, and the records the
    // last query found, which a miss reads along when they lie close.
    mutable std::vector<char> window_;
    mutable uint32_t winFirst_ = 0, winCount_ = 0;
    mutable std::vector<uint32_t> plan_;
    std::vector<FieldInfo> fields_;
    bool partial_ = false; // changed records may hold only some parts
    Parts allParts_ = 0;
    std::vector<Tag> tags_;
    std::vector<uint64_t> deleted_; // a bit a record, once a scan read them
    // A bit a record, set when the scan found its flag byte ' ' or '*' and
    // each tagged field written as this table writes its number; such a
    // record's flag and tagged fields are known from the tags alone.
    std::vector<uint64_t> plain_;
    std::vector<char> scratch_; // a record's layout for AssignStrings
    // The first appended record once records past it went to the file
    // early; the file has the end byte in its place until the flush.
    std::unique_ptr<char[]> held_;
    bool Held(uint32_t record) const { return held_ && record == countedRecords_; }
    bool flagsKnown_ = false;
    FileState seen_; // the file as last seen
};

} // namespace platform
