// GoogleTest main for every test executable: the widgets need a QApplication,
// and the tests run on the offscreen platform with a fixed 96-dpi screen, in
// the programs' own font. Around each test it saves the window interfaces and
// menus::ChildFactory() and puts them back afterwards, so that no test sees
// the windows that another one installed.
#include "platform/DesignFont.h"
#include "support/ScriptedWindows.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class WindowsAroundEachTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        snapshot_ = std::make_unique<testsupport::WindowsSnapshot>();
    }
    // Runs after the fixture is gone, so scripted windows it held are too.
    void OnTestEnd(const ::testing::TestInfo&) override { snapshot_.reset(); }

    std::unique_ptr<testsupport::WindowsSnapshot> snapshot_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::UseDesignFont();
    ::testing::InitGoogleTest(&argc, argv);
    // The listeners list owns the listener.
    ::testing::UnitTest::GetInstance()->listeners().Append(new WindowsAroundEachTest);
    return RUN_ALL_TESTS();
}
