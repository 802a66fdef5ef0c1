// GoogleTest main for every test executable: the widgets need a QApplication,
// and the tests run on the offscreen platform with a fixed 96-dpi screen, in
// the programs' own font.
#include "platform/DesignFont.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::UseDesignFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
