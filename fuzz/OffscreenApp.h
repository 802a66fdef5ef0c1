#pragma once
// The application object of a target that builds real widgets: on the
// offscreen platform (no display), made once and kept for the whole run.
#include <QApplication>

#include <cstdlib>

namespace fuzz {

inline QApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 1);
        return new QApplication(argc, argv); // lives until the process ends
    }();
    return *app;
}

} // namespace fuzz
