// The small shared helpers: headline capitalisation, the busy wait, the focus
// colouring and the error report without a dialog.
#include "core/modGlobals.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

using modGlobals::ProperCase;

TEST(ProperCase, UpperCaseHeadlineWithSpacesAround) {
    EXPECT_EQ(ProperCase(QStringLiteral("  STOCKS RISE AGAIN  ")),
              QStringLiteral("Stocks Rise Again"));
}

TEST(ProperCase, LowerCaseFirstLetterStaysLower) {
    EXPECT_EQ(ProperCase(QStringLiteral("iPHONE SALES")), QStringLiteral("iphone Sales"));
    EXPECT_EQ(ProperCase(QStringLiteral("hELLO")), QStringLiteral("hello"));
}

TEST(ProperCase, AccentedCapitalsStayWhereverTheyStand) {
    EXPECT_EQ(ProperCase(QStringLiteral("\u00c9COLE CAF\u00c9 \u00c0 PAR\u00cdS")),
              QStringLiteral("\u00c9cole Caf\u00c9 \u00c0 Par\u00cds"));
    EXPECT_EQ(ProperCase(QStringLiteral("\u00dcBER \u00c6RO")),
              QStringLiteral("\u00dcber \u00c6ro"));
}

TEST(ProperCase, OnlyBlanksSeparateWordsAndOnlyBlanksAreTrimmed) {
    EXPECT_EQ(ProperCase(QStringLiteral("FOO-BAR")), QStringLiteral("Foo-bar"));
    EXPECT_EQ(ProperCase(QStringLiteral("FOO\tBAR")), QStringLiteral("Foo\tbar"));
    EXPECT_EQ(ProperCase(QStringLiteral("\tABC ")), QStringLiteral("\tabc"));
    EXPECT_EQ(ProperCase(QStringLiteral("A  B")), QStringLiteral("A  B"));
    EXPECT_EQ(ProperCase(QStringLiteral("3RD QUARTER")), QStringLiteral("3rd Quarter"));
    EXPECT_EQ(ProperCase(QStringLiteral("U.S. NEWS")), QStringLiteral("U.s. News"));
}

TEST(ProperCase, EmptyAndBlankTexts) {
    EXPECT_EQ(ProperCase(QString()), QString());
    EXPECT_EQ(ProperCase(QStringLiteral("   ")), QString());
    EXPECT_EQ(ProperCase(QStringLiteral("X")), QStringLiteral("X"));
}

TEST(Pause, WaitsAtLeastTheTimeWithoutProcessingEvents) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    modGlobals::Pause(0.05);
    EXPECT_GE(clock.elapsed(), 50);
    EXPECT_FALSE(fired);
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);
}

TEST(Pause, NothingToWaitFor) {
    // Returns at once; a NaN or a negative time must not loop.
    modGlobals::Pause(0);
    modGlobals::Pause(-5);
    modGlobals::Pause(std::numeric_limits<double>::quiet_NaN());
    SUCCEED();
}

TEST(FocusColouring, TextBoxGetsTooltipColoursAndItsTextSelected) {
    QLineEdit edit;
    edit.setText(QStringLiteral("hello"));
    modGlobals::CtlGotFocus(&edit);
    const QPalette app = QApplication::palette();
    EXPECT_EQ(edit.palette().color(QPalette::Base), app.color(QPalette::ToolTipBase));
    EXPECT_EQ(edit.palette().color(QPalette::Text), app.color(QPalette::ToolTipText));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("hello"));
    modGlobals::CtlLostFocus(&edit);
    EXPECT_EQ(edit.palette().color(QPalette::Base), app.color(QPalette::Base));
    EXPECT_EQ(edit.palette().color(QPalette::Text), app.color(QPalette::Text));
}

TEST(FocusColouring, OtherControlsGetOnlyTheColours) {
    QComboBox combo;
    combo.addItem(QStringLiteral("one"));
    modGlobals::CtlGotFocus(&combo);
    EXPECT_EQ(combo.palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::ToolTipBase));
    modGlobals::CtlGotFocus(nullptr);
    modGlobals::CtlLostFocus(nullptr);
}

TEST(ShowError, GoesToTheInstalledDialog) {
    testsupport::TestWorld world;
    QString got;
    int number = 0;
    QString where;
    {
        testsupport::ScriptedDialogs dialogs;
        dialogs.showError = [&](const QString& msg, int no, const QString& loc) {
            got = msg;
            number = no;
            where = loc;
        };
        modGlobals::ShowError(QStringLiteral("Overflow"), 6, QStringLiteral("modGlobals.Main"));
        EXPECT_EQ(got, QStringLiteral("Overflow"));
        EXPECT_EQ(number, 6);
        EXPECT_EQ(where, QStringLiteral("modGlobals.Main"));
    }
    // Without a dialog nothing breaks.
    modGlobals::ShowError(QStringLiteral("x"), 1, QStringLiteral("y"));
}
