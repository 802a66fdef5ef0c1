// The records behind the buffers of the dBASE engine: the read window, the
// changed records waiting to be written and the appended ones.
//
// A field stored into a record that no buffer holds does not read the record
// first: the changed record keeps only the parts (flag byte, fields) that were
// stored, and only those go to the file. An update that rewrites a few fields
// of thousands of scattered records then costs one write a record instead of
// a read and a write. A record is read (and its stored parts laid over it)
// only when somebody reads a part it does not hold.
#include "platform/Dbf.h"
#include "platform/DbfIo.h"
#include "platform/Latin1Text.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace platform {

using namespace dbfio;

namespace {

// Changed records held, and appended ones: an update's changes spread over
// the whole table, and the more of them one write-back sees, the more lie
// close enough to share a write.
constexpr size_t kDefaultBuffer = size_t(8) << 20;
constexpr size_t kJoinGap = 4096;   // planned records closer than this go in one read
constexpr size_t kReadAhead = 4096; // neighbours read along with a record nobody planned

size_t g_bufferLimit = 0;

} // namespace

namespace dbfio {

bool WriteAt(int fd, const char* buf, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, buf, size, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        buf += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

size_t ReadSome(int fd, char* buf, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buf + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace dbfio

void DbfTable::SetBufferLimit(size_t bytes) {
    g_bufferLimit = bytes;
}

size_t DbfTable::DefaultBufferLimit() {
    return g_bufferLimit > 0 ? g_bufferLimit : kDefaultBuffer;
}

// ---- parts of a record -------------------------------------------------------

DbfTable::Parts DbfTable::FieldPart(int field) const {
    return partial_ ? Parts(2) << field : allParts_;
}

void DbfTable::SetLayout() {
    partial_ = fields_.size() + 1 < 64;
    allParts_ = partial_ ? (Parts(1) << (fields_.size() + 1)) - 1 : ~Parts(0);
}

template <typename Fn> void DbfTable::ForEachSpan(Parts known, Fn fn) const {
    if (known == allParts_) {
        fn(size_t(0), static_cast<size_t>(recordLength_));
        return;
    }
    // Bit 0 is the flag byte, bit 1 + i field i; fields lie in bit order.
    auto begin = [&](int bit) {
        return bit == 0 ? size_t(0) : size_t(1) + static_cast<size_t>(fields_[bit - 1].offset);
    };
    auto end = [&](int bit) {
        return bit == 0 ? size_t(1)
                        : size_t(1) + static_cast<size_t>(fields_[bit - 1].offset) +
                              static_cast<size_t>(fields_[bit - 1].def.length);
    };
    while (known != 0) {
        const int first = std::countr_zero(known);
        const int length = std::countr_one(known >> first);
        fn(begin(first), end(first + length - 1));
        known &= length + first >= 64 ? 0 : ~Parts(0) << (first + length);
    }
}

void DbfTable::Overlay(char* into, const char* from, Parts known) const {
    ForEachSpan(known, [&](size_t a, size_t b) { std::memcpy(into + a, from + a, b - a); });
}

int DbfTable::SpanCount(Parts known) const {
    return known == allParts_ ? 1 : std::popcount(known & ~(known << 1));
}

// ---- reading -------------------------------------------------------------------

bool DbfTable::InWindow(uint32_t record) const {
    return record >= winFirst_ && record - winFirst_ < winCount_;
}

char* DbfTable::SlotBytes(uint32_t slot) const {
    return dirty_.data() + static_cast<size_t>(slot) * recordLength_;
}

char* DbfTable::TailBytes(uint32_t record) const {
    return tail_.data() + static_cast<size_t>(record - fileRecords_) * recordLength_;
}

const char* DbfTable::FileRecord(uint32_t record) const {
    if (InWindow(record))
        return window_.data() + static_cast<size_t>(record - winFirst_) * recordLength_;
    // A miss: the record, and the planned ones that follow it closely, or a
    // few neighbours, in one read.
    const uint32_t fit = std::max<uint32_t>(1, static_cast<uint32_t>(kWindow / recordLength_));
    uint32_t last = record;
    auto next = std::upper_bound(plan_.begin(), plan_.end(), record);
    if (next != plan_.begin() && *(next - 1) == record) {
        for (; next != plan_.end() && *next - record < fit &&
               static_cast<size_t>(*next - last) * recordLength_ <= kJoinGap;
             ++next)
            last = *next;
    } else {
        last =
            record + std::max<uint32_t>(1, static_cast<uint32_t>(kReadAhead / recordLength_)) - 1;
    }
    last = std::min(last, fileRecords_ - 1);
    const uint32_t count = last - record + 1;
    const size_t want = static_cast<size_t>(count) * recordLength_;
    if (window_.size() < want) // never shrunk: its pages stay in place
        window_.resize(want);
    const size_t got = ReadSome(fd_, window_.data(), want,
                                static_cast<off_t>(headerLength_) + off_t(record) * recordLength_);
    // Records the file no longer holds (cut short by another program) read
    // as blank until the table notices.
    if (got < want)
        std::memset(window_.data() + got, ' ', want - got);
    winFirst_ = record;
    winCount_ = count;
    return window_.data();
}

void DbfTable::Complete(uint32_t record, uint32_t slot) const {
    const Parts known = dirtyKnown_[slot];
    if (known == allParts_)
        return;
    char* bytes = SlotBytes(slot);
    const char* file = FileRecord(record);
    std::vector<char> stored(bytes, bytes + recordLength_);
    std::memcpy(bytes, file, recordLength_);
    Overlay(bytes, stored.data(), known);
    dirtyKnown_[slot] = allParts_;
}

const char* DbfTable::ReadPtr(uint32_t record) const {
    if (Held(record))
        return held_.get();
    if (record >= fileRecords_)
        return TailBytes(record);
    if (auto it = dirtySlot_.find(record); it != dirtySlot_.end()) {
        Complete(record, it->second);
        return SlotBytes(it->second);
    }
    return FileRecord(record);
}

const char* DbfTable::KnownBytes(uint32_t record, int field) const {
    const size_t at = 1 + static_cast<size_t>(fields_[static_cast<size_t>(field)].offset);
    if (Held(record))
        return held_.get() + at;
    if (record >= fileRecords_)
        return TailBytes(record) + at;
    if (auto it = dirtySlot_.find(record); it != dirtySlot_.end())
        return (dirtyKnown_[it->second] & FieldPart(field)) == FieldPart(field)
                   ? SlotBytes(it->second) + at
                   : nullptr;
    if (InWindow(record))
        return window_.data() + static_cast<size_t>(record - winFirst_) * recordLength_ + at;
    return nullptr;
}

QByteArrayView DbfTable::FieldBytes(int record, int field) const {
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_ || field < 0 ||
        field >= FieldCount())
        return {};
    const FieldInfo& f = fields_[static_cast<size_t>(field)];
    return QByteArrayView(ReadPtr(static_cast<uint32_t>(record)) + 1 + f.offset, f.def.length);
}

QString DbfTable::FieldString(int record, int field) const {
    return DecodeAnsi(FieldBytes(record, field));
}

// ---- changing ------------------------------------------------------------------

char* DbfTable::WritePtr(uint32_t record, Parts parts) {
    changed_ = true;
    if (Held(record))
        return held_.get();
    if (record >= fileRecords_)
        return TailBytes(record);
    if (auto it = dirtySlot_.find(record); it != dirtySlot_.end()) {
        dirtyKnown_[it->second] |= parts;
        return SlotBytes(it->second);
    }
    return NewSlot(record, parts);
}

char* DbfTable::NewSlot(uint32_t record, Parts parts, const char* whole) {
    const bool inFileOrder = ascending_ > 0 && ascending_ == dirtyRecords_.size();
    if ((dirty_.size() + recordLength_ > bufferLimit_ ||
         (inFileOrder && dirty_.size() >= kWholeRunBytes)) &&
        writeError_.isEmpty())
        WriteBack();
    if (dirty_.empty()) {
        dirty_.reserve(std::min(bufferLimit_, size_t(1) << 24) + recordLength_);
        // Room for a full buffer's records: no rehash while it fills.
        dirtySlot_.reserve(std::min<size_t>(bufferLimit_ / recordLength_ + 1, 1 << 16));
    }
    const size_t at = dirty_.size();
    const bool cached = InWindow(record);
    if (whole && parts == allParts_) {
        dirty_.insert(dirty_.end(), whole, whole + recordLength_);
        dirtyKnown_.push_back(allParts_);
    } else if (cached || !partial_) {
        const char* from = FileRecord(record);
        dirty_.insert(dirty_.end(), from, from + recordLength_);
        dirtyKnown_.push_back(allParts_);
    } else {
        dirty_.resize(at + recordLength_, ' ');
        dirtyKnown_.push_back(parts);
    }
    dirtySlot_.emplace(record, static_cast<uint32_t>(dirtyRecords_.size()));
    if (ascending_ == dirtyRecords_.size() && (ascending_ == 0 || dirtyRecords_.back() < record))
        ++ascending_;
    dirtyRecords_.push_back(record);
    return dirty_.data() + at;
}

void DbfTable::StoreParts(uint32_t record, const char* from, Parts parts, Parts kept) {
    // The record's bytes where a buffer holds them, and which parts of it.
    char* at = nullptr;
    const char* now = nullptr;
    Parts known = allParts_;
    uint32_t slot = UINT32_MAX;
    if (Held(record)) {
        at = held_.get();
    } else if (record >= fileRecords_) {
        at = TailBytes(record);
    } else if (auto it = dirtySlot_.find(record); it != dirtySlot_.end()) {
        slot = it->second;
        at = SlotBytes(slot);
        known = dirtyKnown_[slot];
    } else if (InWindow(record)) {
        now = window_.data() + static_cast<size_t>(record - winFirst_) * recordLength_;
    } else {
        known = 0;
    }
    if (at)
        now = at;
    // Writes only on change.
    bool same = (parts & ~known) == 0;
    if (same)
        ForEachSpan(parts, [&](size_t a, size_t b) {
            same = same && std::memcmp(now + a, from + a, b - a) == 0;
        });
    if (same)
        return;
    changed_ = true;
    if (!at) {
        at = NewSlot(record, parts | kept, from);
        if ((parts | kept) != allParts_)
            Overlay(at, from, parts | kept);
        return;
    }
    Overlay(at, from, parts);
    if (slot != UINT32_MAX) {
        Overlay(at, from, kept & ~known);
        dirtyKnown_[slot] |= parts | kept;
    }
}

bool DbfTable::HoldsKnown(uint32_t record, int field, const char* fitted) const {
    if (!flagsKnown_ || record >= fileRecords_ || Held(record) ||
        !((plain_[record / 64] >> (record % 64)) & 1))
        return false;
    const Tag* tag = TagOnField(field);
    const DbfFieldDef& f = fields_[static_cast<size_t>(field)].def;
    int32_t key = 0;
    return tag && PlainNumber(fitted, f.length, f.type == 'N' || f.type == 'F', &key) &&
           tag->index.Contains(key, record);
}

void DbfTable::Store(uint32_t record, int field, const char* fitted) {
    const FieldInfo& f = fields_[static_cast<size_t>(field)];
    const auto width = static_cast<size_t>(f.def.length);
    // A tagged field's old value leaves the tag, so it is read; any other
    // field is compared only when its bytes are at hand.
    const bool tagged = TagOnField(field) != nullptr;
    const char* now = tagged ? ReadPtr(record) + 1 + f.offset : KnownBytes(record, field);
    if (now && std::memcmp(now, fitted, width) == 0)
        return; // writes only on change
    int32_t oldKey = 0, newKey = 0;
    const bool hadKey =
        tagged && ParseInt(QByteArrayView(now, static_cast<qsizetype>(width)), &oldKey);
    const bool hasKey =
        tagged && ParseInt(QByteArrayView(fitted, static_cast<qsizetype>(width)), &newKey);
    char* dest = WritePtr(record, FieldPart(field)) + 1 + f.offset;
    if (tagged && flagsKnown_) // no longer known from the tags alone
        plain_[record / 64] &= ~(uint64_t(1) << (record % 64));
    for (Tag& tag : tags_) {
        if (tag.field != field)
            continue;
        if (hadKey)
            tag.index.Erase(oldKey, record);
        if (hasKey)
            tag.index.Insert(newKey, record);
    }
    std::memcpy(dest, fitted, width);
}

bool DbfTable::IsDeleted(int record) const {
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_)
        return false;
    const auto r = static_cast<uint32_t>(record);
    if (flagsKnown_)
        return (deleted_[r / 64] >> (r % 64)) & 1;
    return ReadPtr(r)[0] == '*';
}

void DbfTable::SetFlag(uint32_t record, char flag) {
    WritePtr(record, Parts(1))[0] = flag;
    if (flagsKnown_) {
        const uint64_t bit = uint64_t(1) << (record % 64);
        deleted_[record / 64] =
            flag == '*' ? deleted_[record / 64] | bit : deleted_[record / 64] & ~bit;
    }
}

void DbfTable::Delete(int record) {
    KeepBound(record, false);
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_ || IsDeleted(record))
        return;
    SetFlag(static_cast<uint32_t>(record), '*');
}

void DbfTable::Recall(int record) {
    KeepBound(record, false);
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_ || !IsDeleted(record))
        return;
    SetFlag(static_cast<uint32_t>(record), ' ');
}

int DbfTable::AppendBlank() {
    // A full buffer goes to the file behind the counted records; the header
    // counts them at the flush. The first of them stays in memory and its
    // place in the file holds the end byte until then, so that readers that
    // go by the end byte see no more than those that go by the count, also
    // when the process is killed before its flush. The buffer is large: only
    // a reload into a near-empty table appends that many.
    KeepBound(-1, true);
    if (tail_.size() + recordLength_ > bufferLimit_ && writeError_.isEmpty())
        WriteTail(false);
    if (tail_.empty()) // grown in place: a reallocation touches twice the fresh memory
        tail_.reserve(std::min(bufferLimit_, size_t(1) << 24) + recordLength_);
    tail_.insert(tail_.end(), recordLength_, ' ');
    changed_ = true;
    if (flagsKnown_ && recordCount_ / 64 >= deleted_.size()) {
        deleted_.push_back(0);
        plain_.push_back(0);
    }
    return static_cast<int>(recordCount_++);
}

// ---- writing -------------------------------------------------------------------

bool DbfTable::Fail(const QString& what) {
    if (writeError_.isEmpty())
        writeError_ = SysError(what);
    return false;
}

bool DbfTable::WriteBack() {
    if (dirtyRecords_.empty())
        return true;
    // In file order. Changed records within one window's length of each
    // other go in one write when that saves calls: a call costs more than
    // copying a few pages, and each write also pays for the whole cached
    // folio it lands in, which may span many records.
    std::vector<uint32_t> order(dirtyRecords_.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return dirtyRecords_[a] < dirtyRecords_[b]; });
    auto recordAt = [&](uint32_t record) {
        return static_cast<off_t>(headerLength_) + off_t(record) * recordLength_;
    };
    size_t i = 0;
    while (i < order.size()) {
        // Whole records stored one after the other (a full reload) lie in
        // file order in the buffer too: they go from there as they are.
        size_t stretch = i;
        while (stretch < order.size() && dirtyKnown_[order[stretch]] == allParts_ &&
               (stretch == i ||
                (order[stretch] == order[stretch - 1] + 1 &&
                 dirtyRecords_[order[stretch]] == dirtyRecords_[order[stretch - 1]] + 1)))
            ++stretch;
        if (stretch - i > 1) {
            if (!WriteAt(fd_, SlotBytes(order[i]), (stretch - i) * recordLength_,
                         recordAt(dirtyRecords_[order[i]])))
                return Fail(QStringLiteral("Cannot write ") + path_);
            i = stretch;
            continue;
        }
        const uint32_t first = dirtyRecords_[order[i]];
        uint32_t last = first;
        size_t j = i + 1;
        while (j < order.size() &&
               static_cast<size_t>(dirtyRecords_[order[j]] - first + 1) * recordLength_ <= kWindow)
            last = dirtyRecords_[order[j++]];
        int calls = 0;
        bool whole = true;
        for (size_t k = i; k < j; ++k) {
            calls += SpanCount(dirtyKnown_[order[k]]);
            whole = whole && dirtyKnown_[order[k]] == allParts_;
        }
        const bool contiguous = whole && last - first + 1 == j - i;
        if (j - i > 1 && (contiguous || calls > 2)) {
            // One run; the records and parts between the changed ones go
            // along as the file has them.
            const size_t len = static_cast<size_t>(last - first + 1) * recordLength_;
            // The run goes through the read window, whose pages are in place.
            if (window_.size() < len)
                window_.resize(len);
            winCount_ = 0;
            char* run = window_.data();
            if (!contiguous && ReadSome(fd_, run, len, recordAt(first)) != len)
                return Fail(QStringLiteral("Cannot read ") + path_);
            for (size_t k = i; k < j; ++k) {
                char* into =
                    run + static_cast<size_t>(dirtyRecords_[order[k]] - first) * recordLength_;
                const char* from = SlotBytes(order[k]);
                Overlay(into, from, dirtyKnown_[order[k]]);
            }
            if (!WriteAt(fd_, run, len, recordAt(first)))
                return Fail(QStringLiteral("Cannot write ") + path_);
        } else {
            for (size_t k = i; k < j; ++k) {
                const off_t at = recordAt(dirtyRecords_[order[k]]);
                const char* from = SlotBytes(order[k]);
                bool ok = true;
                ForEachSpan(dirtyKnown_[order[k]], [&](size_t a, size_t b) {
                    ok = ok && WriteAt(fd_, from + a, b - a, at + static_cast<off_t>(a));
                });
                if (!ok)
                    return Fail(QStringLiteral("Cannot write ") + path_);
            }
        }
        i = j;
    }
    dirty_.clear();
    dirtyKnown_.clear();
    dirtyRecords_.clear();
    dirtySlot_.clear();
    ascending_ = 0;
    winCount_ = 0; // it may hold what these records were
    NoteFileState();
    return true;
}

bool DbfTable::WriteTail(bool withEnd) {
    if (tail_.empty() && !withEnd)
        return true;
    const off_t end = static_cast<off_t>(headerLength_) + off_t(fileRecords_) * recordLength_;
    // The first record past the counted ones, written early, is held back
    // (above); its flag byte in the file is the end byte meanwhile.
    const bool holdFirst = !withEnd && !held_ && fileRecords_ == countedRecords_ && !tail_.empty();
    if (holdFirst) {
        held_ = std::make_unique<char[]>(recordLength_);
        std::memcpy(held_.get(), tail_.data(), recordLength_);
        tail_[0] = kFileEnd;
    }
    if (withEnd)
        tail_.push_back(kFileEnd);
    const bool ok = WriteAt(fd_, tail_.data(), tail_.size(), end);
    if (withEnd)
        tail_.pop_back();
    if (holdFirst)
        tail_[0] = held_[0];
    if (!ok)
        return Fail(QStringLiteral("Cannot write ") + path_);
    fileRecords_ += static_cast<uint32_t>(tail_.size() / recordLength_);
    tail_.clear();
    NoteFileState();
    return true;
}

} // namespace platform
