// The local stand-in for the web service with its sample data, for the run
// script: tarvel-localservice [--port N] [--data FOLDER]
#include "localservice/lib/LocalService.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    localservice::LocalService service;
    int port = 8080;
    const QStringList args = app.arguments();
    const int i = args.indexOf(QStringLiteral("--port"));
    if (i >= 0 && i + 1 < args.size())
        port = args.at(i + 1).toInt();
    if (service.Start(port) == 0)
        return 1;
    return app.exec();
}
