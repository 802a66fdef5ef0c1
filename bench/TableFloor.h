#pragma once
// The menu table's layout as the side-by-side benchmark writes it, and the
// floor side of that benchmark: the least work that gives the same answer.
#include <QByteArrayView>
#include <QString>

#include <shapefil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tablepeer {

struct Field {
    const char* name;
    DBFFieldType type;
    int width, decimals;
};
// The menu table's layout.
const Field kFields[] = {{"ID", FTInteger, 10, 0},       {"ParentID", FTInteger, 10, 0},
                         {"Name", FTString, 80, 0},      {"Icon", FTString, 50, 0},
                         {"Descript", FTString, 254, 0}, {"IsItem", FTString, 1, 0},
                         {"IsRestrict", FTString, 1, 0}, {"Form", FTString, 50, 0},
                         {"Bid", FTDouble, 10, 2},       {"AdURL", FTString, 254, 0}};
enum { ID, PARENT, NAME, ICON, DESCRIPT, ISITEM, ISRESTRICT, FORM, BID, ADURL };
// A field's raw bytes for shapelib: blank (its number writer would store a value).
char kBlank[] = "";

// The least work that gives the same answer for this table: reads through a
// mapping of the file, the index as sorted pairs, a change line parsed in
// place and its record's bytes written with pwrite in file order.
// The id and parent index both sides build the same way: sorted (key,
// record) pairs.
struct KeyIndex {
    std::vector<std::pair<int, int>> byId, byParent;
    void Sort() {
        std::sort(byId.begin(), byId.end());
        std::sort(byParent.begin(), byParent.end());
    }
    int Find(int id) const {
        auto it = std::lower_bound(byId.begin(), byId.end(), std::make_pair(id, 0));
        return it != byId.end() && it->first == id ? it->second : -1;
    }
    // The first entry of a category's rows (entries with that key follow).
    std::vector<std::pair<int, int>>::const_iterator FirstOf(int parent) const {
        return std::lower_bound(byParent.begin(), byParent.end(), std::make_pair(parent, 0));
    }
};

struct Floor : KeyIndex {
    int fd = -1;
    const char* map = nullptr;
    size_t size = 0;
    uint32_t count = 0, headerLength = 0, recordLength = 0;
    int offset[std::size(kFields)] = {};
    std::map<uint32_t, std::string> changed; // whole records, by number
    std::string appended;
    std::string run; // consecutive whole records of a reload
    uint32_t runFirst = 0;
    ~Floor() {
        if (map)
            ::munmap(const_cast<char*>(map), size);
        if (fd >= 0)
            ::close(fd);
    }
    const char* Record(uint32_t r) const { return map + headerLength + size_t(r) * recordLength; }
    static int Int(const char* p, int width) {
        int v = 0, i = 0;
        while (i < width && p[i] == ' ')
            ++i;
        const bool negative = i < width && p[i] == '-';
        for (i += negative; i < width && p[i] >= '0' && p[i] <= '9'; ++i)
            v = v * 10 + (p[i] - '0');
        return negative ? -v : v;
    }
    bool Open(const std::string& path) {
        fd = ::open(path.c_str(), O_RDWR);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0)
            return false;
        size = static_cast<size_t>(st.st_size);
        void* m = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
        if (m == MAP_FAILED)
            return false;
        map = static_cast<const char*>(m);
        const auto* h = reinterpret_cast<const unsigned char*>(map);
        count = h[4] | h[5] << 8 | h[6] << 16 | uint32_t(h[7]) << 24;
        headerLength = h[8] | h[9] << 8;
        recordLength = h[10] | h[11] << 8;
        int at = 1;
        for (size_t f = 0; f < std::size(kFields); ++f) {
            offset[f] = at;
            at += kFields[f].width;
        }
        byId.reserve(count);
        byParent.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const char* rec = Record(i);
            byId.emplace_back(Int(rec + offset[ID], 10), i);
            byParent.emplace_back(Int(rec + offset[PARENT], 10), i);
        }
        Sort();
        return true;
    }
    size_t Category(int parent) {
        auto it = FirstOf(parent);
        size_t bytes = 0;
        for (; it != byParent.end() && it->first == parent; ++it) {
            const char* rec = Record(static_cast<uint32_t>(it->second));
            if (rec[0] == '*')
                continue;
            for (int field : {ID, NAME, ICON, ISITEM, DESCRIPT, PARENT, ISRESTRICT, FORM, BID}) {
                const QByteArrayView v(rec + offset[field], kFields[field].width);
                bytes += QString::fromLatin1(v.trimmed()).size();
            }
        }
        return bytes;
    }
    void Put(char* rec, int field, std::string_view text) const {
        const auto width = static_cast<size_t>(kFields[field].width);
        char* p = rec + offset[field];
        std::memset(p, ' ', width);
        const size_t n = std::min(width, text.size());
        if (kFields[field].type == FTString)
            std::memcpy(p, text.data(), n);
        else
            std::memcpy(p + width - n, text.data(), n);
    }
    static std::string_view Decoded(std::string_view text, std::string* buf) {
        if (text.find('%') == std::string_view::npos)
            return text;
        buf->assign(text);
        for (size_t at; (at = buf->find("%24")) != std::string::npos;)
            buf->replace(at, 3, ",");
        return *buf;
    }
    void Apply(const std::string& line) {
        std::string_view p[11];
        size_t n = 0, start = 0;
        while (true) {
            const size_t comma = line.find(',', start);
            if (n < 11)
                p[n] = std::string_view(line).substr(start, comma - start);
            ++n;
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        const int id = Int(p[1].data(), static_cast<int>(p[1].size()));
        const int r = Find(id);
        if ((p[0] == "U" || p[0] == "I") && n == 11) {
            const int parent = Int(p[6].data(), static_cast<int>(p[6].size()));
            std::string rec;
            std::string name, descript;
            if (r < 0) {
                rec.assign(recordLength, ' ');
                Put(rec.data(), ID, p[1]);
                Put(rec.data(), PARENT, p[6]);
            } else if (auto it = changed.find(static_cast<uint32_t>(r)); it != changed.end()) {
                rec = it->second;
            } else if (NextInRun(r, parent)) {
                // The next record of a reload: its id and parent are the line's.
                rec.assign(recordLength, ' ');
                Put(rec.data(), ID, p[1]);
                Put(rec.data(), PARENT, p[6]);
            } else {
                rec.assign(Record(static_cast<uint32_t>(r)), recordLength);
            }
            char* b = rec.data();
            b[0] = ' '; // a record sent again is wanted again
            Put(b, NAME, Decoded(p[2], &name));
            Put(b, ICON, p[3]);
            Put(b, DESCRIPT, Decoded(p[4], &descript));
            Put(b, ISITEM, p[5] == "True" || p[5] == "-1" ? "T" : "F");
            Put(b, ISRESTRICT, p[7] == "True" || p[7] == "-1" ? "T" : "F");
            Put(b, FORM, p[8]);
            Put(b, BID, p[9]);
            Put(b, ADURL, p[10]);
            if (r < 0)
                appended += rec;
            else if (NextInRun(r, parent))
                AddToRun(rec);
            else
                changed[static_cast<uint32_t>(r)] = rec;
        } else if (p[0] == "B" && n == 3 && r >= 0) {
            std::string& rec = Changed(static_cast<uint32_t>(r));
            Put(rec.data(), BID, p[2]);
        } else if (p[0] == "D" && r >= 0) {
            Changed(static_cast<uint32_t>(r))[0] = '*';
        }
    }
    bool NextInRun(int r, int parent) const {
        return static_cast<uint32_t>(r) == runFirst + run.size() / recordLength &&
               std::binary_search(byParent.begin(), byParent.end(), std::make_pair(parent, r));
    }
    std::string& Changed(uint32_t r) {
        auto it = changed.find(r);
        if (it == changed.end())
            it = changed.emplace(r, std::string(Record(r), recordLength)).first;
        return it->second;
    }
    void AddToRun(const std::string& rec) {
        run += rec;
        if (run.size() >= (size_t(1) << 20))
            WriteRun();
    }
    void WriteRun() {
        if (!run.empty() &&
            ::pwrite(fd, run.data(), run.size(), headerLength + off_t(runFirst) * recordLength) < 0)
            std::exit(3);
        runFirst += static_cast<uint32_t>(run.size() / recordLength);
        run.clear();
    }
    bool Flush() {
        WriteRun();
        for (const auto& [r, rec] : changed)
            if (::pwrite(fd, rec.data(), rec.size(), headerLength + off_t(r) * recordLength) < 0)
                return false;
        if (!appended.empty()) {
            appended += '\x1A';
            if (::pwrite(fd, appended.data(), appended.size(),
                         headerLength + off_t(count) * recordLength) < 0)
                return false;
            count += static_cast<uint32_t>(appended.size() / recordLength);
        }
        const time_t now = ::time(nullptr);
        struct tm day {};
        ::localtime_r(&now, &day);
        const unsigned char c[7] = {static_cast<unsigned char>(day.tm_year),
                                    static_cast<unsigned char>(day.tm_mon + 1),
                                    static_cast<unsigned char>(day.tm_mday),
                                    static_cast<unsigned char>(count & 0xFF),
                                    static_cast<unsigned char>(count >> 8 & 0xFF),
                                    static_cast<unsigned char>(count >> 16 & 0xFF),
                                    static_cast<unsigned char>(count >> 24)};
        return ::pwrite(fd, c, 7, 1) == 7;
    }
};

} // namespace tablepeer
