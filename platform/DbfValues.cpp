// The in-memory index and the fitting of values to fields of the dBASE
// engine: the parts that do not touch the file.
#include "platform/Dbf.h"
#include "platform/DbfIo.h"
#include "platform/Latin1Text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace platform {

namespace {

// A function object rather than a function, so that sorting and searching
// compare inline: the index is searched once or twice for every update line.
struct EntryLessT {
    bool operator()(const DbfIntIndex::Entry& a, const DbfIntIndex::Entry& b) const {
        return a.key != b.key ? a.key < b.key : a.record < b.record;
    }
};
constexpr EntryLessT EntryLess;

} // namespace

// ---- DbfIntIndex -------------------------------------------------------

void DbfIntIndex::Build(std::vector<Entry> entries) {
    std::sort(entries.begin(), entries.end(), EntryLess);
    main_ = std::move(entries);
    // Room for the records an update adds, so that merging them in moves
    // no entry (see Insert); more than that goes back.
    if (main_.capacity() > main_.size() + main_.size() / 4)
        main_.shrink_to_fit();
    side_.clear();
}

void DbfIntIndex::Insert(int32_t key, uint32_t record) {
    const Entry e{key, record};
    side_.insert(std::upper_bound(side_.begin(), side_.end(), e, EntryLess), e);
    if (side_.size() < kMergeAt)
        return;
    // Merged from the back into the main list's own storage, which grows by
    // an eighth at a time: fresh memory costs a fault a page, more than the
    // merge itself.
    const size_t had = main_.size();
    if (main_.capacity() < had + side_.size())
        main_.reserve(had + std::max(side_.size(), had / 8));
    main_.resize(had + side_.size());
    auto into = main_.end();
    auto a = main_.begin() + static_cast<std::ptrdiff_t>(had);
    auto b = side_.end();
    while (b != side_.begin()) {
        if (a != main_.begin() && EntryLess(*(b - 1), *(a - 1)))
            *--into = *--a;
        else
            *--into = *--b;
    }
    side_.clear();
}

void DbfIntIndex::Erase(int32_t key, uint32_t record) {
    const Entry e{key, record};
    for (auto* list : {&side_, &main_}) {
        auto it = std::lower_bound(list->begin(), list->end(), e, EntryLess);
        if (it != list->end() && it->key == key && it->record == record) {
            list->erase(it);
            return;
        }
    }
}

int64_t DbfIntIndex::First(int32_t key) const {
    int64_t best = -1;
    const Entry probe{key, 0};
    for (const auto* list : {&main_, &side_}) {
        auto it = std::lower_bound(list->begin(), list->end(), probe, EntryLess);
        if (it != list->end() && it->key == key && (best < 0 || it->record < best))
            best = it->record;
    }
    return best;
}

void DbfIntIndex::Find(int32_t key, std::vector<uint32_t>& out) const {
    out.clear();
    const Entry probe{key, 0};
    auto a = std::lower_bound(main_.begin(), main_.end(), probe, EntryLess);
    for (; a != main_.end() && a->key == key; ++a)
        out.push_back(a->record);
    const size_t fromMain = out.size();
    auto b = std::lower_bound(side_.begin(), side_.end(), probe, EntryLess);
    for (; b != side_.end() && b->key == key; ++b)
        out.push_back(b->record);
    if (fromMain != out.size())
        std::inplace_merge(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(fromMain),
                           out.end());
}

bool DbfIntIndex::Contains(int32_t key, uint32_t record) const {
    const Entry e{key, record};
    for (const auto* list : {&main_, &side_})
        if (std::binary_search(list->begin(), list->end(), e, EntryLess))
            return true;
    return false;
}

size_t DbfIntIndex::MemoryBytes() const {
    return (main_.capacity() + side_.capacity()) * sizeof(Entry);
}

// ---- DbfTable: values fitted to fields ------------------------------------

namespace {

// Fits text to a field: character fields left-aligned and blank-padded (cut
// at the width), numeric ones right-aligned after trimming, in their shortest
// form with the field's decimals when wider than the field. False when a
// number does not fit. `get(i)` gives the i-th byte of the text.
template <typename Get> bool Fit(char* out, const DbfFieldDef& f, qsizetype size, Get get) {
    const int width = f.length;
    std::memset(out, ' ', static_cast<size_t>(width));
    if (f.type != 'N' && f.type != 'F') {
        const qsizetype n = std::min<qsizetype>(width, size);
        for (qsizetype i = 0; i < n; ++i)
            out[i] = get(i);
        return true;
    }
    qsizetype a = 0, b = size;
    while (a < b && get(a) == ' ')
        ++a;
    while (b > a && get(b - 1) == ' ')
        --b;
    if (b - a <= width) {
        char* dest = out + (width - (b - a));
        for (qsizetype i = a; i < b; ++i)
            *dest++ = get(i);
        return true;
    }
    // Wider than the field: only a plain decimal number can be shortened.
    bool negative = false;
    if (get(a) == '-' || get(a) == '+')
        negative = get(a++) == '-';
    std::string whole, fraction;
    bool dot = false;
    for (qsizetype i = a; i < b; ++i) {
        const char c = get(i);
        if (c == '.' && !dot)
            dot = true;
        else if (c >= '0' && c <= '9')
            (dot ? fraction : whole).push_back(c);
        else
            return false;
    }
    if (whole.empty() && fraction.empty())
        return false;
    const auto decimals = static_cast<size_t>(std::max(0, f.decimals));
    // Rounded half up to the field's decimals, as dBASE stores a number.
    bool carry = fraction.size() > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    for (std::string* part : {&fraction, &whole}) {
        for (auto it = part->rbegin(); carry && it != part->rend(); ++it) {
            carry = *it == '9';
            *it = carry ? '0' : static_cast<char>(*it + 1);
        }
    }
    if (carry)
        whole.insert(whole.begin(), '1');
    const size_t lead = whole.find_first_not_of('0');
    whole = lead == std::string::npos ? std::string("0") : whole.substr(lead);
    std::string text = whole;
    if (decimals > 0)
        text += '.' + fraction;
    if (negative && text.find_first_not_of("0.") != std::string::npos)
        text.insert(text.begin(), '-');
    if (text.size() > static_cast<size_t>(width))
        return false;
    std::memcpy(out + (width - static_cast<int>(text.size())), text.data(), text.size());
    return true;
}

// The table holds the service's text in its code page, the same bytes as
// its update lines; a character without a byte (never in what the service
// sends) is stored as "?".
char Ansi(QChar c) {
    const int b = AnsiByte(c);
    return b < 0 ? '?' : static_cast<char>(b);
}

} // namespace

bool DbfTable::Assign(int record, int field, QByteArrayView text) {
    KeepBound(record, false);
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_ || field < 0 ||
        field >= FieldCount())
        return false;
    char fitted[256];
    if (!Fit(fitted, fields_[static_cast<size_t>(field)].def, text.size(),
             [&](qsizetype i) { return text[i]; }))
        return false;
    Store(static_cast<uint32_t>(record), field, fitted);
    return true;
}

bool DbfTable::AssignString(int record, int field, QStringView text) {
    KeepBound(record, false);
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_ || field < 0 ||
        field >= FieldCount())
        return false;
    char fitted[256];
    if (!Fit(fitted, fields_[static_cast<size_t>(field)].def, text.size(),
             [&](qsizetype i) { return Ansi(text[i]); }))
        return false;
    Store(static_cast<uint32_t>(record), field, fitted);
    return true;
}

void DbfTable::AssignStrings(int record, std::initializer_list<FieldText> values) {
    KeepBound(record, false);
    if (record < 0 || static_cast<uint32_t>(record) >= recordCount_)
        return;
    const auto r = static_cast<uint32_t>(record);
    if (!partial_) {
        for (const FieldText& v : values)
            if (!v.kept)
                AssignString(record, v.field, v.text);
        return;
    }
    scratch_.resize(recordLength_);
    char* rec = scratch_.data();
    Parts parts = 0, kept = 0, tagged = 0;
    for (const Tag& tag : tags_)
        tagged |= FieldPart(tag.field);
    for (const FieldText& v : values) {
        if (v.field < 0 || v.field >= FieldCount())
            continue;
        const FieldInfo& f = fields_[static_cast<size_t>(v.field)];
        char* out = rec + 1 + f.offset;
        if (f.def.type != 'N' && f.def.type != 'F') {
            // Text as Fit stores it: Latin-1 as it is, the code page's
            // other letters (the euro sign, curly quotes) through Ansi.
            const qsizetype n = std::min<qsizetype>(f.def.length, v.text.size());
            const char16_t* from = v.text.utf16();
            for (qsizetype i = 0; i < n; ++i)
                out[i] = from[i] < 256 ? static_cast<char>(from[i]) : Ansi(QChar(from[i]));
            std::memset(out + n, ' ', static_cast<size_t>(f.def.length - n));
        } else if (!Fit(out, f.def, v.text.size(), [&](qsizetype i) { return Ansi(v.text[i]); })) {
            continue;
        }
        if (v.kept) {
            if (HoldsKnown(r, v.field, out))
                kept |= FieldPart(v.field);
        } else if (tagged & FieldPart(v.field)) {
            Store(r, v.field, out); // its old value leaves the tag
        } else {
            parts |= FieldPart(v.field);
        }
    }
    kept &= ~parts;
    if (kept != 0) { // the flag byte is as plain as the fields (HoldsKnown)
        rec[0] = IsDeleted(record) ? '*' : ' ';
        kept |= Parts(1);
    }
    if (parts != 0)
        StoreParts(r, rec, parts, kept);
}

bool DbfTable::Fits(int field, QStringView text) const {
    if (field < 0 || field >= FieldCount())
        return false;
    char fitted[256];
    return Fit(fitted, fields_[static_cast<size_t>(field)].def, text.size(),
               [&](qsizetype i) { return Ansi(text[i]); });
}

bool dbfio::PlainNumber(const char* bytes, int width, bool numeric, int32_t* value) {
    int a = 0, b = width;
    while (a < b && bytes[a] == ' ')
        ++a;
    while (b > a && bytes[b - 1] == ' ')
        --b;
    if (a == b || (numeric ? b != width : a != 0))
        return false;
    const bool negative = bytes[a] == '-';
    if (negative && (++a == b || bytes[a] == '0'))
        return false;
    if ((bytes[a] == '0' && b - a > 1) || b - a > 10)
        return false;
    int64_t v = 0;
    for (int i = a; i < b; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9')
            return false;
        v = v * 10 + (bytes[i] - '0');
    }
    v = negative ? -v : v;
    if (v > INT32_MAX || v < INT32_MIN)
        return false;
    *value = static_cast<int32_t>(v);
    return true;
}

bool DbfTable::ParseInt(QByteArrayView text, int32_t* value) {
    qsizetype i = 0, n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    while (n > i && text[n - 1] == ' ')
        --n;
    if (i == n)
        return false;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        if (++i == n)
            return false;
    }
    int64_t v = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX || v < INT32_MIN)
        return false;
    *value = static_cast<int32_t>(v);
    return true;
}

} // namespace platform
