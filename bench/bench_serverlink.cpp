// The server link against the local service on loopback: one synchronous
// form POST (the login's path, as a handler makes it: through the wait and
// the server-link worker thread), beside the same exchange on a raw socket
// of this thread (connect, send, read to the close) in the same run; one
// asynchronous POST through the transfer control until its completion, and
// the two form encoders on a long text. Targets: a small request within
// 0.5 ms of the raw exchange; the encoders far below the cost of any
// request.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/TransferControl.h"

#include <QApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// The same POST, bytes as GetASPData sends them, on a socket of this thread.
void BM_RawSocketExchange(benchmark::State& state) {
    g_service->SetReply(QStringLiteral("/Vantrix/internal/loginUser.asp"),
                        "1234\r\n1\r\nY\r\n1.0.3\r\nX\r\nAnna\r\nKEY");
    const QByteArray body = "UserName=anna&Password=pw&Version=1.0.3";
    const QByteArray request = "POST /Vantrix/internal/loginUser.asp HTTP/1.0\r\n"
                               "Host: 127.0.0.1\r\nUser-Agent: http generic\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n"
                               "Content-Length: " +
                               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<quint16>(g_service->Port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char buffer[4096];
    for (auto _ : state) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        qint64 got = 0;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::write(fd, request.constData(), static_cast<size_t>(request.size())) ==
                request.size()) {
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                got += n;
        }
        ::close(fd);
        if (got == 0)
            state.SkipWithError("no reply");
    }
}
BENCHMARK(BM_RawSocketExchange)->Unit(benchmark::kMicrosecond);

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
    // A widget application, as in the programs: blocking requests then go
    // through the wait and the worker thread.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
