// The menu table engine side by side with shapelib's dBASE reader and writer
// (a benchmark-only dependency), as a user meets the table: a file generated
// by shapelib, copied with cp, each measure run in a fresh process of this
// program (fork and exec of itself), the two sides in rotating order, several
// rounds, in three page-cache states of the copy: written by cp, written in
// one write(), and dropped from the cache after the copy.
//
//   bench_table_peer [--records N] [--rounds R] [--states cp,onewrite,evicted]
//
// Prints one line a measure and state ending "ratio R" (this engine's median
// over shapelib's), then the peak resident memory of each side.
#include "core/clsItemManagerUpdate.h"
#include "platform/Dbf.h"

#include <QByteArray>
#include <QString>

#include <shapefil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kBigCategory = 5; // 500 rows
constexpr int kFirstId = 100000;
constexpr int kUpdateLines = 10000;

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

double Now() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Peak resident memory of this process image in MB (VmHWM counts from the
// exec, unlike ru_maxrss).
double PeakRssMb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    double kb = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::atof(line + 6);
    if (f)
        std::fclose(f);
    return kb / 1024.0;
}

// Categories lie together, as in the shipped table: runs of 250 rows, and
// the 500-row category in the middle of the file.
int ParentOf(int i, int records) {
    const int big = records / 2;
    if (i >= big && i < big + 500)
        return kBigCategory;
    return 6 + i / 250;
}

std::string Str(const char* fmt, long v) {
    char buf[300];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// ---- the table, written by shapelib ----------------------------------------

bool Generate(const std::string& path, int records) {
    DBFHandle h = DBFCreate(path.c_str());
    if (!h)
        return false;
    for (const Field& f : kFields)
        DBFAddField(h, f.name, f.type, f.width, f.decimals);
    for (int i = 0; i < records; ++i) {
        const int id = kFirstId + i;
        DBFWriteIntegerAttribute(h, i, ID, id);
        DBFWriteIntegerAttribute(h, i, PARENT, ParentOf(i, records));
        DBFWriteStringAttribute(h, i, NAME, Str("Site number %ld of the directory", id).c_str());
        DBFWriteStringAttribute(h, i, ICON, Str("site%ld.gif", i % 50).c_str());
        DBFWriteStringAttribute(
            h, i, DESCRIPT,
            Str("A description of site %ld, with a few words about what it offers", id).c_str());
        DBFWriteStringAttribute(h, i, ISITEM, i % 5 == 0 ? "F" : "T");
        DBFWriteStringAttribute(h, i, ISRESTRICT, "F");
        DBFWriteStringAttribute(h, i, FORM, "");
        if (i % 6 == 0)
            DBFWriteDoubleAttribute(h, i, BID, 0.25 * (i % 40));
        else
            DBFWriteStringAttribute(h, i, BID, "");
        DBFWriteStringAttribute(h, i, ADURL, Str("http://advertiser%ld.example/", i % 97).c_str());
    }
    DBFClose(h);
    return true;
}

// The same change lines for both sides: overwrites, bids, inserts, deletes.
std::vector<std::string> UpdateLines(int records) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> pick(0, records - 1);
    std::vector<std::string> lines;
    for (int k = 0; k < kUpdateLines; ++k) {
        const int id = kFirstId + pick(random);
        const int kind = k % 10;
        if (kind < 4)
            lines.push_back("U," + std::to_string(id) + ",Renamed site " + std::to_string(k) +
                            ",new.gif,A new description,True,7,False,,1.50,http://new.example/");
        else if (kind < 7)
            lines.push_back("B," + std::to_string(id) + ",0." + std::to_string(10 + k % 90));
        else if (kind < 9)
            lines.push_back("I," + std::to_string(kFirstId + records + k) + ",Inserted " +
                            std::to_string(k) + ",ins.gif,Inserted row,True," +
                            std::to_string(6 + k % 300) + ",False,,,http://ins.example/");
        else
            lines.push_back("D," + std::to_string(id));
    }
    return lines;
}

// A full reload: every record sent again with new text.
std::string ReloadLine(int i, int records) {
    const int id = kFirstId + i;
    return "U," + std::to_string(id) + ",Site " + std::to_string(id) + " as sent again,s" +
           std::to_string(i % 50) + ".gif,Sent again by the server in a full reload," +
           (i % 5 == 0 ? "False," : "True,") + std::to_string(ParentOf(i, records)) + ",False,," +
           (i % 6 == 0 ? "0.50" : "") + ",http://again.example/";
}

// ---- this engine -----------------------------------------------------------

struct Ours {
    std::unique_ptr<platform::DbfTable> t;
    ItemUpdate::MenuFields f;
    bool Open(const std::string& path) {
        t = platform::DbfTable::Open(QString::fromStdString(path));
        if (!t)
            return false;
        f = ItemUpdate::MenuFields::Of(*t);
        return t->CreateTags({{"ID_TAG", f.ID}, {"PARENT_TAG", f.ParentID}});
    }
    // What the item store reads of each row of a category: its fields as
    // trimmed text (shapelib trims too).
    size_t Category(int parent) {
        std::vector<uint32_t> rows;
        t->Query(f.ParentID, parent, rows);
        size_t bytes = 0;
        for (const uint32_t r : rows) {
            const int rec = static_cast<int>(r);
            if (t->IsDeleted(rec))
                continue;
            for (int field : {f.ID, f.Name, f.Icon, f.IsItem, f.Descript, f.ParentID, f.IsRestrict,
                              f.Form, f.Bid})
                bytes += QString::fromLatin1(t->FieldBytes(rec, field).trimmed()).size();
        }
        return bytes;
    }
    void Apply(const std::string& line) {
        bool hot = false;
        ItemUpdate::ApplyLine(*t, f, QString::fromLatin1(line.data(), qsizetype(line.size())),
                              &hot);
    }
    bool Flush() { return t->Flush(); }
};

// ---- shapelib, doing the same work -------------------------------------------

struct Peer {
    DBFHandle h = nullptr;
    std::vector<std::pair<int, int>> byId, byParent; // sorted (key, record)
    ~Peer() {
        if (h)
            DBFClose(h);
    }
    bool Open(const std::string& path) {
        h = DBFOpen(path.c_str(), "rb+");
        if (!h)
            return false;
        const int n = DBFGetRecordCount(h);
        byId.reserve(n);
        byParent.reserve(n);
        for (int i = 0; i < n; ++i) {
            byId.emplace_back(DBFReadIntegerAttribute(h, i, ID), i);
            byParent.emplace_back(DBFReadIntegerAttribute(h, i, PARENT), i);
        }
        std::sort(byId.begin(), byId.end());
        std::sort(byParent.begin(), byParent.end());
        return true;
    }
    int Find(int id) const {
        auto it = std::lower_bound(byId.begin(), byId.end(), std::make_pair(id, 0));
        return it != byId.end() && it->first == id ? it->second : -1;
    }
    size_t Category(int parent) {
        auto it = std::lower_bound(byParent.begin(), byParent.end(), std::make_pair(parent, 0));
        size_t bytes = 0;
        for (; it != byParent.end() && it->first == parent; ++it) {
            if (DBFIsRecordDeleted(h, it->second))
                continue;
            for (int field : {ID, NAME, ICON, ISITEM, DESCRIPT, PARENT, ISRESTRICT, FORM, BID})
                bytes += QString::fromLatin1(DBFReadStringAttribute(h, it->second, field)).size();
        }
        return bytes;
    }
    void Apply(const std::string& line) {
        std::vector<std::string> p;
        size_t start = 0;
        while (true) {
            const size_t comma = line.find(',', start);
            p.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        const int id = std::atoi(p[1].c_str());
        int r = Find(id);
        if ((p[0] == "U" || p[0] == "I") && p.size() == 11) {
            if (r < 0) {
                r = DBFGetRecordCount(h);
                DBFWriteIntegerAttribute(h, r, ID, id);
                DBFWriteIntegerAttribute(h, r, PARENT, std::atoi(p[6].c_str()));
                byId.insert(std::upper_bound(byId.begin(), byId.end(), std::make_pair(id, r)),
                            {id, r});
            }
            DBFWriteStringAttribute(h, r, NAME, p[2].c_str());
            DBFWriteStringAttribute(h, r, ICON, p[3].c_str());
            DBFWriteStringAttribute(h, r, DESCRIPT, p[4].c_str());
            DBFWriteStringAttribute(h, r, ISITEM, p[5] == "True" ? "T" : "F");
            DBFWriteStringAttribute(h, r, ISRESTRICT, p[7] == "True" ? "T" : "F");
            DBFWriteStringAttribute(h, r, FORM, p[8].c_str());
            if (p[9].empty())
                DBFWriteStringAttribute(h, r, BID, "");
            else
                DBFWriteDoubleAttribute(h, r, BID, std::atof(p[9].c_str()));
            DBFWriteStringAttribute(h, r, ADURL, p[10].c_str());
        } else if (p[0] == "B" && r >= 0) {
            DBFWriteDoubleAttribute(h, r, BID, std::atof(p[2].c_str()));
        } else if (p[0] == "D" && r >= 0) {
            DBFMarkRecordDeleted(h, r, 1);
        }
    }
    bool Flush() {
        DBFClose(h);
        h = nullptr;
        return true;
    }
};

// ---- one measure in this process ---------------------------------------------

template <typename Side>
double Measure(const std::string& what, const std::string& path, int records) {
    Side side;
    double start = Now();
    if (what == "open") {
        if (!side.Open(path))
            std::exit(2);
        side.Category(kBigCategory);
        return Now() - start;
    }
    if (!side.Open(path))
        std::exit(2);
    if (what == "category") {
        start = Now();
        side.Category(kBigCategory);
        return Now() - start;
    }
    if (what == "update") {
        const std::vector<std::string> lines = UpdateLines(records);
        start = Now();
        for (const std::string& line : lines)
            side.Apply(line);
        if (std::getenv("BENCH_KEEP"))
            std::fprintf(stderr, "applied in %.2f ms\n", Now() - start);
        side.Flush();
        return Now() - start;
    }
    // reload
    start = Now();
    for (int i = 0; i < records; ++i)
        side.Apply(ReloadLine(i, records));
    side.Flush();
    return Now() - start;
}

int RunChild(const std::string& side, const std::string& what, const std::string& path,
             int records) {
    const double ms =
        side == "ours" ? Measure<Ours>(what, path, records) : Measure<Peer>(what, path, records);
    std::printf("%.3f %.1f\n", ms, PeakRssMb());
    return 0;
}

// ---- the driver --------------------------------------------------------------

bool Run(const std::vector<std::string>& argv, std::string* out) {
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        out->append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Puts a fresh copy of the generated table at `copy` in the given state.
bool Prepare(const std::string& state, const std::string& source, const std::string& copy) {
    std::string ignored;
    if (state == "onewrite") {
        FILE* in = std::fopen(source.c_str(), "rb");
        if (!in)
            return false;
        std::vector<char> bytes;
        char buf[1 << 16];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
            bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(in);
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) ==
                                       static_cast<ssize_t>(bytes.size());
        if (fd >= 0)
            ::close(fd);
        return ok;
    }
    if (!Run({"/bin/cp", source, copy}, &ignored))
        return false;
    if (state == "evicted") {
        const int fd = ::open(copy.c_str(), O_RDONLY);
        if (fd < 0)
            return false;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int records = 100000, rounds = 5;
    std::vector<std::string> states = {"cp", "onewrite", "evicted"};
    if (args.size() == 5 && args[0] == "--child")
        return RunChild(args[1], args[2], args[3], std::atoi(args[4].c_str()));
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--records")
            records = std::max(1000, std::atoi(args[i + 1].c_str()));
        else if (args[i] == "--rounds")
            rounds = std::max(1, std::atoi(args[i + 1].c_str()));
        else if (args[i] == "--states") {
            states.clear();
            std::string s = args[i + 1];
            for (size_t p; (p = s.find(',')) != std::string::npos; s.erase(0, p + 1))
                states.push_back(s.substr(0, p));
            states.push_back(s);
        }
    }
    char dirTemplate[] = "/var/tmp/bench_table_peerXXXXXX";
    if (!::mkdtemp(dirTemplate))
        return 1;
    const std::string dir = dirTemplate;
    const std::string source = dir + "/generated.dbf",
                      copy = dir + "/MenuItems.dbf"; // shapelib opens ".dbf" whatever the name
    const double genStart = Now();
    if (!Generate(source, records))
        return 1;
    char self[4096];
    const ssize_t len = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0)
        return 1;
    self[len] = 0;
    std::printf("table: %d records written by shapelib in %.0f ms; medians of %d fresh processes "
                "a side, order rotating\n",
                records, Now() - genStart, rounds);
    const char* sides[2] = {"ours", "peer"};
    std::map<std::string, std::vector<double>> peak;
    for (const std::string& state : states) {
        for (const std::string what : {"open", "category", "update", "reload"}) {
            std::vector<double> ms[2];
            for (int round = 0; round < rounds; ++round) {
                for (int k = 0; k < 2; ++k) {
                    const int s = (round + k) % 2;
                    std::string out;
                    if (!Prepare(state, source, copy) ||
                        !Run({self, "--child", sides[s], what, copy, std::to_string(records)},
                             &out)) {
                        std::fprintf(stderr, "%s %s failed\n", sides[s], what.c_str());
                        return 1;
                    }
                    double t = 0, rss = 0;
                    std::sscanf(out.c_str(), "%lf %lf", &t, &rss);
                    ms[s].push_back(t);
                    peak[std::string(sides[s]) + " " + what].push_back(rss);
                }
            }
            const double a = Median(ms[0]), b = Median(ms[1]);
            std::printf("%-8s %-9s this engine %9.2f ms, shapelib %9.2f ms, ratio %.2f\n",
                        state.c_str(), what.c_str(), a, b, b > 0 ? a / b : 0);
            std::fflush(stdout);
        }
    }
    for (const std::string what : {"open", "category", "update", "reload"}) {
        const auto& a = peak["ours " + what];
        const auto& b = peak["peer " + what];
        std::printf("peak RSS %-9s this engine %6.1f MB, shapelib %6.1f MB\n", what.c_str(),
                    *std::max_element(a.begin(), a.end()), *std::max_element(b.begin(), b.end()));
    }
    if (std::getenv("BENCH_KEEP")) { // for profiling one side: --child ours update <copy> N
        std::printf("kept %s\n", dir.c_str());
        return 0;
    }
    std::remove(source.c_str());
    std::remove(copy.c_str());
    ::rmdir(dir.c_str());
    return 0;
}
