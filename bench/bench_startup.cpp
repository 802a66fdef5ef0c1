// Start-up of the real Tarvel program, offscreen: the time from starting the
// process to the button on screen (target: at most 150 ms), and the CPU the
// program uses while it sits idle with the button shown (target: none to
// speak of; the one-second taskbar watch does no work when nothing changed).
//
// Each run gets a temporary program folder and settings folder, installed
// (Main/LastUpdated present) and already at the current version, so no page
// opens and no server is contacted.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

QString TarvelProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Tarvel");
}

struct Installation {
    QTemporaryDir app;
    QTemporaryDir config;
    Installation() {
        QDir(app.path()).mkpath(QStringLiteral("Tarvel/data"));
        QDir(app.path()).mkpath(QStringLiteral("Tarvel/images"));
        QDir(config.path()).mkpath(QStringLiteral("Tarvel"));
        QFile ini(config.path() + QStringLiteral("/Tarvel/Tarvel.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Main]\nLastUpdated=12/1/2026 12:00:00 PM\nVersion=1.0.3\n");
    }
    QProcessEnvironment Environment(bool reportShown) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("TARVEL_APP_PATH"), app.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), app.path()); // data in app/Tarvel/
        if (reportShown)
            env.insert(QStringLiteral("TARVEL_REPORT_SHOWN"), QStringLiteral("1"));
        return env;
    }
};

void BM_ProcessStartToButtonShown(benchmark::State& state) {
    if (!QFile::exists(TarvelProgram())) {
        state.SkipWithError("the Tarvel program is not built");
        return;
    }
    double inProcessMs = 0;
    int runs = 0;
    for (auto _ : state) {
        Installation install;
        QProcess tarvel;
        tarvel.setProcessEnvironment(install.Environment(true));
        QElapsedTimer clock;
        clock.start();
        tarvel.start(TarvelProgram(), {});
        QByteArray out;
        while (!out.contains('\n') && tarvel.waitForReadyRead(10000))
            out += tarvel.readAllStandardOutput();
        const double seconds = clock.nsecsElapsed() / 1e9;
        tarvel.waitForFinished(10000);
        if (!out.startsWith("shown ")) {
            state.SkipWithError("the button was not shown");
            return;
        }
        state.SetIterationTime(seconds);
        inProcessMs += out.mid(6).trimmed().toDouble() / 1000.0;
        ++runs;
    }
    if (runs > 0)
        state.counters["main_to_shown_ms"] = inProcessMs / runs;
}
BENCHMARK(BM_ProcessStartToButtonShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// CPU seconds (user and system) a process has used so far.
double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void BM_IdleCpuWithTheButtonShown(benchmark::State& state) {
    if (!QFile::exists(TarvelProgram())) {
        state.SkipWithError("the Tarvel program is not built");
        return;
    }
    const int idleMs = 3000;
    for (auto _ : state) {
        Installation install;
        QProcess tarvel;
        tarvel.setProcessEnvironment(install.Environment(false));
        tarvel.start(TarvelProgram(), {});
        if (!tarvel.waitForStarted(10000)) {
            state.SkipWithError("Tarvel did not start");
            return;
        }
        QThread::msleep(500); // past the start-up itself
        const double before = CpuSeconds(tarvel.processId());
        QThread::msleep(idleMs);
        const double after = CpuSeconds(tarvel.processId());
        tarvel.kill();
        tarvel.waitForFinished(5000);
        state.SetIterationTime(idleMs / 1000.0);
        state.counters["cpu_ms_per_idle_s"] = (after - before) * 1000.0 / (idleMs / 1000.0);
    }
}
BENCHMARK(BM_IdleCpuWithTheButtonShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
