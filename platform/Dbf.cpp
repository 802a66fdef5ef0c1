#include "platform/Dbf.h"
#include "platform/DbfIo.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using namespace dbfio;

namespace {

constexpr char kFieldEnd = 0x0D;
constexpr uint32_t kDescriptorSize = 32;

uint32_t ReadLe(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void WriteLe(char* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8)
        p[i] = static_cast<char>(v & 0xFF);
}

void SetError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

void StampDate(char* header) {
    const QDate today = QDate::currentDate();
    header[1] = static_cast<char>(today.year() - 1900);
    header[2] = static_cast<char>(today.month());
    header[3] = static_cast<char>(today.day());
}

} // namespace

QString dbfio::SysError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// ---- DbfTable: opening and creating -------------------------------------

DbfTable::~DbfTable() {
    Flush();
    Unload();
}

void DbfTable::Unload() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ready_ = changed_ = false;
    countedRecords_ = fileRecords_ = recordCount_ = 0;
    committedSize_ = 0;
    tail_.clear();
    held_.reset();
    dirty_.clear();
    dirtyKnown_.clear();
    dirtyRecords_.clear();
    dirtySlot_.clear();
    ascending_ = 0;
    deleted_.clear();
    plain_.clear();
    flagsKnown_ = false;
    writeError_.clear();
    window_.clear();
    window_.shrink_to_fit();
    winFirst_ = winCount_ = 0;
    plan_.clear();
    fields_.clear();
}

namespace {

DbfTable::FileState StateOf(const struct stat& st) {
    DbfTable::FileState s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

} // namespace

void DbfTable::NoteFileState() {
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0)
        seen_ = StateOf(st);
}

std::unique_ptr<DbfTable> DbfTable::Open(const QString& path, QString* error) {
    std::unique_ptr<DbfTable> t(new DbfTable);
    t->path_ = path;
    if (!t->Load(error))
        return nullptr;
    return t;
}

bool DbfTable::Load(QString* error) {
    const QString& path = path_;
    bufferLimit_ = DefaultBufferLimit();
    // Never through a link: the table is written in place, and a link planted
    // at its name would have the update write into the file it points to.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) {
        SetError(error, SysError(QStringLiteral("Cannot open ") + path));
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetError(error, path + QStringLiteral(" is not a regular file"));
        return false;
    }
    seen_ = StateOf(st);
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size < kDescriptorSize + kDescriptorSize + 1 || !ReadAt(fd_, header_, sizeof header_, 0)) {
        SetError(error, path + QStringLiteral(" is too short to be a dBASE table"));
        return false;
    }
    const auto* h = reinterpret_cast<const unsigned char*>(header_);
    if ((h[0] & 0x07) != 0x03) {
        SetError(error, path + QStringLiteral(" is not a dBASE III table"));
        return false;
    }
    const uint32_t count = ReadLe(h + 4, 4);
    headerLength_ = ReadLe(h + 8, 2);
    recordLength_ = ReadLe(h + 10, 2);
    if (headerLength_ > size || headerLength_ < 2 * kDescriptorSize + 1 || recordLength_ < 2) {
        SetError(error, path + QStringLiteral(": the header is inconsistent"));
        return false;
    }
    std::vector<char> descriptors(headerLength_);
    if (!ReadAt(fd_, descriptors.data(), headerLength_, 0)) {
        SetError(error, SysError(QStringLiteral("Cannot read ") + path));
        return false;
    }
    // Field descriptors up to the 0x0D terminator, all inside the header.
    uint32_t offset = 0;
    uint32_t pos = kDescriptorSize;
    for (; pos < headerLength_ && descriptors[pos] != kFieldEnd; pos += kDescriptorSize) {
        if (pos + kDescriptorSize > headerLength_) {
            SetError(error, path + QStringLiteral(": a field descriptor is cut short"));
            return false;
        }
        const char* d = descriptors.data() + pos;
        FieldInfo f;
        f.def.name = QByteArray(d, static_cast<qsizetype>(strnlen(d, 11)));
        f.def.type = d[11];
        f.def.length = static_cast<unsigned char>(d[16]);
        f.def.decimals = static_cast<unsigned char>(d[17]);
        f.offset = static_cast<int>(offset);
        if (f.def.name.isEmpty() || f.def.length == 0) {
            SetError(error, path + QStringLiteral(": a field descriptor is invalid"));
            return false;
        }
        offset += static_cast<uint32_t>(f.def.length);
        fields_.push_back(std::move(f));
    }
    if (pos >= headerLength_ || fields_.empty()) {
        SetError(error, path + QStringLiteral(": the field list has no end mark"));
        return false;
    }
    if (offset + 1 != recordLength_) {
        SetError(error, path + QStringLiteral(": the record length does not match the fields"));
        return false;
    }
    // A table cut short by a crash keeps the whole records it still holds.
    const auto present = static_cast<uint32_t>(
        std::min<uint64_t>((size - headerLength_) / recordLength_, UINT32_MAX));
    countedRecords_ = fileRecords_ = recordCount_ = std::min(count, present);
    committedSize_ = st.st_size;
    SetLayout();
    ready_ = true;
    return true;
}

bool DbfTable::Reload(QString* error) {
    std::vector<std::pair<QByteArray, int>> tags;
    for (const Tag& tag : tags_)
        tags.emplace_back(tag.name, tag.field);
    Unload();
    tags_.clear();
    if (!Load(error)) {
        Unload();
        return false;
    }
    CreateTags(tags);
    return true;
}

bool DbfTable::Create(const QString& path, const std::vector<DbfFieldDef>& fields, QString* error) {
    if (fields.empty()) {
        SetError(error, QStringLiteral("A table needs at least one field"));
        return false;
    }
    const uint32_t headerLength = kDescriptorSize * static_cast<uint32_t>(fields.size() + 1) + 1;
    uint32_t recordLength = 1;
    QByteArray bytes(static_cast<qsizetype>(headerLength), '\0');
    char* h = bytes.data();
    h[0] = 0x03;
    StampDate(h);
    for (size_t i = 0; i < fields.size(); ++i) {
        const DbfFieldDef& f = fields[i];
        if (f.name.isEmpty() || f.name.size() > 10 || f.length < 1 || f.length > 254) {
            SetError(error, QStringLiteral("Invalid field ") + QString::fromLatin1(f.name));
            return false;
        }
        char* d = h + kDescriptorSize * (i + 1);
        std::memcpy(d, f.name.constData(), static_cast<size_t>(f.name.size()));
        d[11] = f.type;
        d[16] = static_cast<char>(f.length);
        d[17] = static_cast<char>(f.decimals);
        recordLength += static_cast<uint32_t>(f.length);
    }
    h[headerLength - 1] = kFieldEnd;
    WriteLe(h + 4, 0, 4);
    WriteLe(h + 8, headerLength, 2);
    WriteLe(h + 10, recordLength, 2);
    bytes.append(kFileEnd);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        SetError(error, QStringLiteral("Cannot write ") + path + QStringLiteral(": ") +
                            file.errorString());
        return false;
    }
    return true;
}

// ---- DbfTable: fields and records ----------------------------------------

int DbfTable::FieldIndex(QByteArrayView name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (QByteArrayView(fields_[i].def.name).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

// Visits every record in file order, reading the file in large blocks into
// the record window (fn must not read records of the table meanwhile).
template <typename Fn> void DbfTable::Scan(Fn fn) const {
    const uint32_t per = std::max<uint32_t>(1, static_cast<uint32_t>(kScanBlock / recordLength_));
    const size_t blockBytes =
        std::min<size_t>(per, std::max<uint32_t>(fileRecords_, 1)) * recordLength_;
    if (window_.size() < blockBytes)
        window_.resize(blockBytes);
    winCount_ = 0; // the block gets changed records laid over it
    char* block = window_.data();
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    for (uint32_t first = 0; first < fileRecords_; first += per) {
        const uint32_t n = std::min(per, fileRecords_ - first);
        const size_t want = static_cast<size_t>(n) * recordLength_;
#ifdef POSIX_FADV_WILLNEED
        // The blocks after this one are asked for while this one is parsed,
        // so that a table not in the cache keeps the disk busy.
        ::posix_fadvise(fd_, static_cast<off_t>(headerLength_) + off_t(first + per) * recordLength_,
                        static_cast<off_t>(4 * kScanBlock), POSIX_FADV_WILLNEED);
#endif
        const size_t got = ReadSome(
            fd_, block, want, static_cast<off_t>(headerLength_) + off_t(first) * recordLength_);
        if (got < want)
            std::memset(block + got, ' ', want - got);
        for (uint32_t k = 0; k < n; ++k) {
            const uint32_t r = first + k;
            char* rec = block + static_cast<size_t>(k) * recordLength_;
            if (auto it = dirtySlot_.find(r); it != dirtySlot_.end()) {
                const char* stored = SlotBytes(it->second);
                Overlay(rec, stored, dirtyKnown_[it->second]);
            } else if (Held(r)) {
                std::memcpy(rec, held_.get(), recordLength_);
            }
            fn(r, rec);
        }
    }
    for (uint32_t r = fileRecords_; r < recordCount_; ++r)
        fn(r, ReadPtr(r));
}

const DbfTable::Tag* DbfTable::TagOnField(int field) const {
    for (const Tag& tag : tags_)
        if (tag.field == field)
            return &tag;
    return nullptr;
}

// ---- DbfTable: tags and queries ------------------------------------------

bool DbfTable::CreateTag(const QByteArray& tagName, int field) {
    return CreateTags({{tagName, field}});
}

bool DbfTable::CreateTags(const std::vector<std::pair<QByteArray, int>>& wanted) {
    for (const auto& [name, field] : wanted)
        if (field < 0 || field >= FieldCount())
            return false;
    std::vector<std::vector<DbfIntIndex::Entry>> entries(wanted.size());
    for (auto& e : entries)
        e.reserve(recordCount_ + recordCount_ / 8); // room for what updates add
    // The deletion flags come along: they are read far more often than the
    // records, and an update then needs no read to recall or delete one.
    deleted_.assign((recordCount_ + 63) / 64, 0);
    plain_.assign(deleted_.size(), 0);
    // Which records' flag and tagged fields the tags alone tell (every tag
    // the table will have, those made before included).
    std::vector<int> checked;
    for (const auto& [name, field] : wanted)
        checked.push_back(field);
    for (const Tag& tag : tags_)
        if (std::none_of(wanted.begin(), wanted.end(),
                         [&](const auto& w) { return w.first == tag.name; }))
            checked.push_back(tag.field);
    Scan([&](uint32_t r, const char* rec) {
        const uint64_t bit = uint64_t(1) << (r % 64);
        if (rec[0] == '*')
            deleted_[r / 64] |= bit;
        bool plain = rec[0] == '*' || rec[0] == ' ';
        for (size_t i = 0; i < wanted.size(); ++i) {
            const FieldInfo& f = fields_[static_cast<size_t>(wanted[i].second)];
            int32_t key = 0;
            if (ParseInt(QByteArrayView(rec + 1 + f.offset, f.def.length), &key))
                entries[i].push_back({key, r});
        }
        for (size_t i = 0; plain && i < checked.size(); ++i) {
            const FieldInfo& f = fields_[static_cast<size_t>(checked[i])];
            int32_t value = 0;
            plain = PlainNumber(rec + 1 + f.offset, f.def.length,
                                f.def.type == 'N' || f.def.type == 'F', &value);
        }
        if (plain)
            plain_[r / 64] |= bit;
    });
    for (size_t i = 0; i < wanted.size(); ++i) {
        const QByteArray& tagName = wanted[i].first;
        tags_.erase(std::remove_if(tags_.begin(), tags_.end(),
                                   [&](const Tag& t) { return t.name == tagName; }),
                    tags_.end());
        Tag tag;
        tag.name = tagName;
        tag.field = wanted[i].second;
        tag.index.Build(std::move(entries[i]));
        tags_.push_back(std::move(tag));
    }
    flagsKnown_ = true;
    return true;
}

int DbfTable::Seek(const QByteArray& tagName, int32_t key) const {
    for (const Tag& tag : tags_)
        if (tag.name == tagName)
            return static_cast<int>(tag.index.First(key));
    return -1;
}

void DbfTable::Query(int field, int32_t key, std::vector<uint32_t>& out) const {
    out.clear();
    if (field < 0 || field >= FieldCount())
        return;
    if (const Tag* tag = TagOnField(field)) {
        tag->index.Find(key, out);
    } else {
        const FieldInfo& f = fields_[static_cast<size_t>(field)];
        Scan([&](uint32_t r, const char* rec) {
            int32_t v = 0;
            if (ParseInt(QByteArrayView(rec + 1 + f.offset, f.def.length), &v) && v == key)
                out.push_back(r);
        });
    }
    plan_ = out;
}

size_t DbfTable::IndexMemoryBytes() const {
    size_t total = 0;
    for (const Tag& tag : tags_)
        total += tag.index.MemoryBytes();
    return total + (deleted_.capacity() + plain_.capacity()) * sizeof(uint64_t);
}

// ---- DbfTable: writing back -----------------------------------------------

void DbfTable::RollBack() {
    // Whatever part of the appended records got in goes again, so that
    // other readers of the file see none of them, and the end byte comes
    // back where it was; the table is then what the file holds.
    const off_t end = static_cast<off_t>(headerLength_) + off_t(countedRecords_) * recordLength_;
    if (::ftruncate(fd_, committedSize_) == 0 && committedSize_ > end) {
        const char endByte = kFileEnd;
        WriteAt(fd_, &endByte, 1, end);
    }
    QString why;
    if (!Reload(&why))
        qWarning("%s", qPrintable(why));
}

void DbfTable::KeepBound(int record, bool append) {
    if (writeError_.isEmpty())
        return;
    // An early write failed: this batch cannot get into the file, and its
    // changes would pile up in memory for the rest of it. The table goes back
    // to what the file holds; the error stays for Flush to report.
    const bool full = append ? tail_.size() + recordLength_ > bufferLimit_
                             : record >= 0 && static_cast<uint32_t>(record) < fileRecords_ &&
                                   !dirtySlot_.contains(static_cast<uint32_t>(record)) &&
                                   dirty_.size() + recordLength_ > bufferLimit_;
    if (!full)
        return;
    const QString error = writeError_;
    RollBack();
    writeError_ = error;
}

bool DbfTable::Flush(QString* error) {
    if (!ready_)
        return true; // a table that never opened has nothing to write
    // Only what this table itself changed or appended is written: a count
    // cut to the records present when the file was read mid-copy is never
    // written into the copy that has since been finished.
    if (!changed_ && tail_.empty() && fileRecords_ == countedRecords_ &&
        recordCount_ == countedRecords_)
        return true;
    // (After a failed early write of its own the file differs too; that
    // failure is reported below.)
    if (writeError_.isEmpty() && !StillOurs(error))
        return false;
    const bool appended = recordCount_ > countedRecords_;
    bool ok = writeError_.isEmpty() && WriteBack();
    // Appended records and the end byte, then the header that counts them.
    ok = ok && (!appended || WriteTail(true));
    // The first record written early goes in last, over the end byte that
    // stood in its place.
    ok = ok &&
         (!held_ ||
          WriteAt(fd_, held_.get(), recordLength_,
                  static_cast<off_t>(headerLength_) + off_t(countedRecords_) * recordLength_) ||
          Fail(QStringLiteral("Cannot write ") + path_));
    char header[8];
    std::memcpy(header, header_, sizeof header);
    StampDate(header);
    WriteLe(header + 4, recordCount_, 4);
    ok = ok &&
         (WriteAt(fd_, header, sizeof header, 0) || Fail(QStringLiteral("Cannot write ") + path_));
    if (!ok) {
        SetError(error, writeError_);
        RollBack();
        return false;
    }
    std::memcpy(header_, header, sizeof header);
    held_.reset();
    countedRecords_ = recordCount_;
    struct stat st {};
    if (::fstat(fd_, &st) == 0)
        committedSize_ = st.st_size;
    changed_ = false;
    NoteFileState();
    return true;
}

bool DbfTable::StillOurs(QString* error) {
    // Another program may have replaced or rewritten the file since the
    // table last read or wrote it (a copy over it may even be under way):
    // nothing of this table's then goes into it.
    struct stat now {};
    if (::stat(QFile::encodeName(path_).constData(), &now) == 0 && StateOf(now) == seen_)
        return true;
    SetError(error, path_ + QStringLiteral(" was changed by another program; the changes were "
                                           "not written"));
    QString why;
    if (!Recheck(&why))
        qWarning("%s", qPrintable(why));
    return false;
}

bool DbfTable::Touch(QString* error) {
    if (!ready_ || !StillOurs(error))
        return false;
    char header[4];
    StampDate(header);
    if (std::memcmp(header_ + 1, header + 1, 3) != 0) {
        if (!WriteAt(fd_, header + 1, 3, 1)) {
            SetError(error, SysError(QStringLiteral("Cannot write ") + path_));
            return false;
        }
        std::memcpy(header_ + 1, header + 1, 3);
    }
    if (::futimens(fd_, nullptr) != 0) {
        SetError(error, SysError(QStringLiteral("Cannot date ") + path_));
        return false;
    }
    NoteFileState();
    return true;
}

bool DbfTable::Recheck(QString* error) {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) {
        SetError(error, SysError(path_ + QStringLiteral(" is gone")));
        Unload();
        return false;
    }
    if (ready_ && StateOf(st) == seen_)
        return true;
    // Changed under us: read it again, as long as it is still the same
    // kind of table (callers hold field numbers).
    std::vector<DbfFieldDef> before;
    for (const FieldInfo& f : fields_)
        before.push_back(f.def);
    std::vector<std::pair<QByteArray, int>> tags;
    for (const Tag& tag : tags_)
        tags.emplace_back(tag.name, tag.field);
    Unload();
    tags_.clear();
    QString why;
    if (!Load(&why)) {
        SetError(error, why);
        Unload();
        return false;
    }
    bool same = before.size() == fields_.size();
    for (size_t i = 0; same && i < before.size(); ++i) {
        const DbfFieldDef& a = before[i];
        const DbfFieldDef& b = fields_[i].def;
        same = a.name == b.name && a.type == b.type && a.length == b.length &&
               a.decimals == b.decimals;
    }
    if (!same) {
        SetError(error, path_ + QStringLiteral(" now has other fields"));
        Unload();
        return false;
    }
    CreateTags(tags);
    return true;
}

} // namespace platform
