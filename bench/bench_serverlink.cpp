// The server link against the local service on loopback: one synchronous
// form POST (the login's path), one asynchronous POST through the transfer
// control until its completion, and the two form encoders on a long text.
// Targets: a loopback round trip well under 5 ms; the encoders far below the
// cost of any request.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/TransferControl.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

namespace {

localservice::LocalService* g_service = nullptr;

void BM_GetASPData(benchmark::State& state) {
    g_service->SetReply(QStringLiteral("/Vantrix/internal/loginUser.asp"),
                        "1234\r\n1\r\nY\r\n1.0.3\r\nX\r\nAnna\r\nKEY");
    for (auto _ : state) {
        const QString reply =
            modInternet::GetASPData(QStringLiteral("/Vantrix/internal/loginUser.asp"),
                                    QStringLiteral("UserName=anna&Password=pw&Version=1.0.3"));
        benchmark::DoNotOptimize(reply);
        if (reply.isEmpty())
            state.SkipWithError("no reply");
    }
}
BENCHMARK(BM_GetASPData)->Unit(benchmark::kMicrosecond);

void BM_ExecutePost(benchmark::State& state) {
    g_service->SetReply(QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp"), "OK");
    const QString address = QStringLiteral("http://") + g_service->Host() +
                            QStringLiteral("/Vantrix/internal/SubmitCategoryLog.asp");
    platform::TransferControl inet;
    for (auto _ : state) {
        QEventLoop loop;
        int status = 0;
        inet.Execute(address, QStringLiteral("POST"), "UserID=1234&ID=12&ID=34", {},
                     [&](const platform::TransferResult& r) {
                         status = r.status;
                         loop.quit();
                     });
        loop.exec();
        if (status != 200)
            state.SkipWithError("no reply");
    }
}
BENCHMARK(BM_ExecutePost)->Unit(benchmark::kMicrosecond);

void BM_Encoders(benchmark::State& state) {
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("Runtime error \"%1\" in 'frmMain' & more? 100% ").arg(i);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modInternet::URLEncode(text));
        benchmark::DoNotOptimize(modInternet::QueryEncode(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Encoders)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    localservice::LocalService service;
    if (service.Start() == 0)
        return 1;
    g_service = &service;
    modGlobals::gServerHost = service.Host();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
