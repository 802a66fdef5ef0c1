// The local stand-in for the web service with its sample data, for the run
// script:
//   tarvel-localservice [--port N] [--data FOLDER] [--records N] [--request-log FILE]
//                       [--delay PAGE=MS ...] [--trickle PAGE=BYTES/MS ...]
//   tarvel-localservice --make-database FILE [--records N]
//   (both also [--large-rows N] [--own-icons])
//   tarvel-localservice --help | --version
// --records grows the sample directory to N records for measuring;
// --large-rows and --own-icons shape its large category.
// --request-log appends one line per request received ("METHOD target body",
// the body's line breaks as spaces), for scripts that check what was asked.
#include "core/modStartup.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGINT and SIGTERM reach the event loop through a socket pair: a signal
// handler may only write a byte, the loop then quits and the service stops.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvel-localservice"));
    // The version of the Tarvel it stands in for (the numbers are shared).
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(modStartup::kVersionMajor)
                                                .arg(modStartup::kVersionMinor)
                                                .arg(modStartup::kVersionRevision));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in for the Tarvel web service."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port on 127.0.0.1 (0: any free one)."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption dataOption(QStringLiteral("data"),
                                        QStringLiteral("Folder with the sample files."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption databaseOption(QStringLiteral("make-database"),
                                            QStringLiteral("Write the sample menu table and end."),
                                            QStringLiteral("FILE"));
    const QCommandLineOption recordsOption(
        QStringLiteral("records"),
        QStringLiteral("Grow the sample directory to N records, with a 500-row category on the "
                       "home menu and a full reload as the first update (0: the sample as is)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption requestLogOption(
        QStringLiteral("request-log"),
        QStringLiteral("Append a line for every request received to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"),
        QStringLiteral("Hold back every reply of PAGE (a path such as "
                       "/Vantrix/internal/getNewsHeadlines.asp) by MS milliseconds; repeatable."),
        QStringLiteral("PAGE=MS"));
    const QCommandLineOption trickleOption(
        QStringLiteral("trickle"),
        QStringLiteral("Send every reply of PAGE BYTES at a time, MS milliseconds apart; "
                       "repeatable."),
        QStringLiteral("PAGE=BYTES/MS"));
    const QCommandLineOption largeRowsOption(
        QStringLiteral("large-rows"),
        QStringLiteral("With --records: the large category holds N rows (default 500)."),
        QStringLiteral("N"), QStringLiteral("500"));
    const QCommandLineOption ownIconsOption(
        QStringLiteral("own-icons"),
        QStringLiteral("With --records: every site of the large category has an icon of its own."));
    parser.addOption(largeRowsOption);
    parser.addOption(ownIconsOption);
    parser.addOption(delayOption);
    parser.addOption(trickleOption);
    parser.addOption(portOption);
    parser.addOption(requestLogOption);
    parser.addOption(recordsOption);
    parser.addOption(dataOption);
    parser.addOption(databaseOption);
    parser.process(app);

    bool ok = false;
    const int records = parser.value(recordsOption).toInt(&ok);
    if (!ok || records < 0) {
        std::fprintf(stderr, "bad record count: %s\n", qPrintable(parser.value(recordsOption)));
        return 2;
    }
    const int largeRows = parser.value(largeRowsOption).toInt(&ok);
    if (!ok || largeRows < 5) {
        std::fprintf(stderr, "bad row count: %s\n", qPrintable(parser.value(largeRowsOption)));
        return 2;
    }
    localservice::SetLargeCategoryShape({largeRows, parser.isSet(ownIconsOption)});
    if (parser.isSet(databaseOption)) {
        const QString file = parser.value(databaseOption);
        if (!localservice::CreateSampleDatabase(file, records)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }

    const int port = parser.value(portOption).toInt(&ok);
    if (!ok || port < 0 || port > 65535) {
        std::fprintf(stderr, "bad port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }

    localservice::SampleData data;
    data.records = records;
    if (parser.isSet(dataOption))
        data.dataFolder = QDir(parser.value(dataOption)).absolutePath();
    QFile requestLog; // outlives the service, whose threads write to it
    localservice::LocalService service;
    localservice::InstallSamplePages(service, data);
    if (parser.isSet(requestLogOption)) {
        requestLog.setFileName(parser.value(requestLogOption));
        if (!requestLog.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(requestLog.fileName()));
            return 1;
        }
        service.SetRequestListener([&requestLog](const localservice::Request& r) {
            QByteArray body = r.body;
            body.replace('\r', ' ').replace('\n', ' ');
            requestLog.write(r.method + ' ' + r.target + ' ' + body + '\n');
            requestLog.flush();
        });
    }
    for (const QString& delay : parser.values(delayOption)) {
        const qsizetype equals = delay.lastIndexOf(QLatin1Char('='));
        const int ms = equals > 0 ? delay.mid(equals + 1).toInt(&ok) : 0;
        if (equals <= 0 || !ok || ms < 0) {
            std::fprintf(stderr, "bad delay: %s\n", qPrintable(delay));
            return 2;
        }
        service.SetExtraDelay(delay.left(equals), ms);
    }
    for (const QString& trickle : parser.values(trickleOption)) {
        const qsizetype equals = trickle.lastIndexOf(QLatin1Char('='));
        const QStringList pace = trickle.mid(equals + 1).split(QLatin1Char('/'));
        bool bytesOk = false, msOk = false;
        const int bytes = pace.size() == 2 ? pace.at(0).toInt(&bytesOk) : 0;
        const int ms = pace.size() == 2 ? pace.at(1).toInt(&msOk) : 0;
        if (equals <= 0 || !bytesOk || !msOk || bytes <= 0 || ms <= 0) {
            std::fprintf(stderr, "bad trickle: %s\n", qPrintable(trickle));
            return 2;
        }
        service.SetTrickle(trickle.left(equals), bytes, ms);
    }
    const int bound = service.Start(port);
    if (bound == 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return 1;
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("listening on 127.0.0.1:%d\n", bound);
    std::fflush(stdout);
    const int rc = app.exec();
    service.Stop();
    service.SetRequestListener(nullptr);
    return rc;
}
