// The item store on a generated table of 100,000 records (categories of 10
// to 500 rows, 72 MB): opening with the index build, GetItem, GetCollection
// of a 500-row category, and DownloadUpdates applying 10,000 lines served by
// the local service.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Dbf.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRecords = 100000;
constexpr int kBigCategory = 5; // the 500-row category
constexpr int kFirstId = 100000;

struct Fixture {
    QTemporaryDir dir;
    QTemporaryDir config;
    localservice::LocalService service;
    std::vector<int> ids;
    QByteArray replies[2];

    Fixture() {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        modGlobals::ResetState();
        modGlobals::gDataPath = dir.path() + QStringLiteral("/");
        modGlobals::gVersion = QStringLiteral("1.0.3");
        modGlobals::gUserID = 1;
        Generate();
        service.Start();
        modGlobals::gServerHost = service.Host();
        modGlobals::gServerPath = QStringLiteral("/Vantrix/internal/");
        MakeReplies();
        service.SetHandler(QStringLiteral("/Vantrix/internal/getUpdates.ASP"),
                           [this](const localservice::Request&) {
                               static int turn = 0;
                               localservice::Reply reply;
                               reply.body = replies[turn++ % 2];
                               return reply;
                           });
    }

    // Categories of 10 to 500 rows: the first is category kBigCategory with
    // 500 rows, the others take 10 + (n * 37) % 491 rows each; a sixth of the
    // rows bid, names and descriptions of realistic lengths.
    void Generate() {
        const QString path = modGlobals::gDataPath + QStringLiteral("MenuItems.dat");
        platform::DbfTable::Create(path, localservice::MenuTableFields());
        auto t = platform::DbfTable::Open(path);
        int category = kBigCategory;
        int left = 500;
        for (int i = 0; i < kRecords; ++i) {
            if (left == 0) {
                ++category;
                left = 10 + (category * 37) % 491;
            }
            --left;
            const int id = kFirstId + i;
            ids.push_back(id);
            const int r = t->AppendBlank();
            t->AssignString(r, 0, QString::number(id));
            t->AssignString(r, 1, QString::number(category));
            t->AssignString(r, 2, QStringLiteral("Site number %1 of the directory").arg(id));
            t->AssignString(r, 3, QStringLiteral("site%1.gif").arg(i % 50));
            t->AssignString(r, 4,
                            QStringLiteral("A description of site %1, with a few words "
                                           "about what it offers to its visitors")
                                .arg(id));
            t->Assign(r, 5, i % 5 == 0 ? "F" : "T");
            t->Assign(r, 6, "F");
            if (i % 6 == 1)
                t->AssignString(r, 8, QString::number(0.25 * (i % 60 + 1), 'f', 2));
        }
        t->Flush();
    }

    // Two replies of 10,000 lines over scattered records that differ in
    // their values, so that each run changes what the last one wrote: 7,000
    // updates, 2,000 bid changes, 500 deletions and 500 insertions.
    void MakeReplies() {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> pick(0, kRecords - 1);
        for (int turn = 0; turn < 2; ++turn) {
            QStringList lines{QStringLiteral("12/8/2026 10:15:00 AM")};
            rng.seed(7);
            for (int n = 0; n < 10000; ++n) {
                const int id = ids[static_cast<size_t>(pick(rng))];
                if (n < 7000)
                    lines << QStringLiteral("U,%1,Renamed site %1 turn %2,new.gif,Fresh text %2,"
                                            "True,1,False,,,http://ad/%1")
                                 .arg(id)
                                 .arg(turn);
                else if (n < 9000)
                    lines << QStringLiteral("B,%1,%2.%3")
                                 .arg(id)
                                 .arg(1 + turn)
                                 .arg(n % 100, 2, 10, QLatin1Char('0'));
                else if (n < 9500)
                    lines << (turn == 0 ? QStringLiteral("D,%1").arg(id)
                                        : QStringLiteral("I,%1,Back %1,,,True,1,False,,,").arg(id));
                else
                    lines << QStringLiteral("I,%1,New site %2,,,True,7,False,,0.5%2,")
                                 .arg(900000 + n)
                                 .arg(turn);
            }
            lines << QString();
            replies[turn] = lines.join(QStringLiteral("\r\n")).toLatin1();
        }
    }
};

Fixture& World() {
    static Fixture fixture;
    return fixture;
}

void BM_OpenWithIndexBuild(benchmark::State& state) {
    World();
    for (auto _ : state) {
        clsItemManager store;
        benchmark::DoNotOptimize(store.DatabaseIsLoaded());
    }
}
BENCHMARK(BM_OpenWithIndexBuild)->Unit(benchmark::kMillisecond);

void BM_EngineIndexMemory(benchmark::State& state) {
    World();
    size_t bytes = 0;
    int records = 0;
    for (auto _ : state) {
        auto t = platform::DbfTable::Open(modGlobals::gDataPath + QStringLiteral("MenuItems.dat"));
        t->CreateTag("ID_TAG", t->FieldIndex("ID"));
        t->CreateTag("PARENT_TAG", t->FieldIndex("ParentID"));
        bytes = t->IndexMemoryBytes();
        records = t->RecordCount();
    }
    state.counters["index_bytes_per_record"] =
        static_cast<double>(bytes) / static_cast<double>(records);
}
BENCHMARK(BM_EngineIndexMemory)->Unit(benchmark::kMillisecond);

void BM_GetItem(benchmark::State& state) {
    Fixture& w = World();
    clsItemManager store;
    std::mt19937 rng(1);
    std::uniform_int_distribution<size_t> pick(0, w.ids.size() - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetItem(w.ids[pick(rng)]));
}
BENCHMARK(BM_GetItem)->Unit(benchmark::kMicrosecond);

void BM_GetCollection500(benchmark::State& state) {
    World();
    clsItemManager store;
    int rows = 0;
    for (auto _ : state)
        rows = store.GetCollection(kBigCategory)->Count();
    state.counters["rows"] = rows;
}
BENCHMARK(BM_GetCollection500)->Unit(benchmark::kMicrosecond);

void BM_DownloadUpdates10000(benchmark::State& state) {
    World();
    clsItemManager store;
    for (auto _ : state)
        store.DownloadUpdates();
}
BENCHMARK(BM_DownloadUpdates10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
