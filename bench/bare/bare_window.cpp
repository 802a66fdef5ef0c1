// The floor of a Qt 6 Widgets program's start-up, for bench_startup: one
// small frameless window on top, shown at once, reported as Tarvel reports
// its button (platform/Measurements.h).
#include "platform/Measurements.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(60, 30);
    platform::StartReport report(clock);
    if (platform::StartReport::Wanted()) {
        window.winId();
        report.Watch(window.windowHandle());
    }
    window.show();
    return QApplication::exec();
}
