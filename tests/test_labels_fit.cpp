// Every label shows its whole text in the programs' font: each label of every
// page of Enlist, and of Tarvel's login, error and update windows, in the
// states where their texts change.
#include "core/modGlobals.h"
#include "enlist/frmEnlist.h"
#include "shell/frmError.h"
#include "shell/frmLogin.h"
#include "shell/frmUpdate.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

// "text (needs WxH, has WxH)" for each label of `window` whose text is cut.
QStringList CutLabels(const QWidget* window) {
    QStringList cut;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const int m = label->margin();
        const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
        int flags = Qt::AlignLeft | Qt::AlignTop;
        if (label->wordWrap())
            flags |= Qt::TextWordWrap;
        const QRect need =
            QFontMetrics(label->font())
                .boundingRect(QRect(0, 0, room.width(), 100000), flags, label->text());
        if (need.width() > room.width() || need.height() > room.height())
            cut << QStringLiteral("\"%1\" (one line %6, needs %2x%3, has %4x%5)")
                       .arg(label->text())
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height())
                       .arg(QFontMetrics(label->font()).horizontalAdvance(label->text()));
    }
    return cut;
}

class LabelsFit : public ::testing::Test {
protected:
    testsupport::TestWorld world;
};

TEST_F(LabelsFit, TheProgramsUseTheFontTheLayoutsWereMadeFor) {
    // Without it the walks below would measure another font than the one
    // the programs show.
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("Liberation Sans"));
}

TEST_F(LabelsFit, EveryLabelOfEveryEnlistPage) {
    for (const QString& start : {QString(), QStringLiteral("/addnew")}) {
        frmEnlist w(start);
        w.Form_Load();
        const QStringList cut = CutLabels(&w);
        EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(LabelsFit, TheFinishedPageShowsLongLoginDetailsWhole) {
    frmEnlist w(QStringLiteral("/addnew"));
    w.Form_Load();
    // The longest name and password the account page takes.
    w.lblLogin->setText(QStringLiteral("User Name: %1\r\nPassword: %2")
                            .arg(QString(20, QLatin1Char('W')), QString(20, QLatin1Char('M'))));
    const QStringList cut = CutLabels(&w);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
}

TEST_F(LabelsFit, TheLoginWindowInBothPanels) {
    modGlobals::gVersion = QStringLiteral("10.20.300");
    frmLogin::SetSlideStepMs(0);
    frmLogin& login = frmLogin::Get();
    login.ShowLogin();
    QStringList cut = CutLabels(&login);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    frmLogin::Unload();
    frmLogin::Get().ShowProgressOnly();
    cut = CutLabels(frmLogin::Loaded());
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    frmLogin::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(LabelsFit, TheErrorAndUpdateWindows) {
    testsupport::TestWorld::UseServer(QStringLiteral("127.0.0.1:9"));
    frmError::ShowError(QStringLiteral("Subscript out of range"), 9, QStringLiteral("frmMain.X"));
    ASSERT_NE(frmError::Loaded(), nullptr);
    QStringList cut = CutLabels(frmError::Loaded());
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    frmError::Loaded()->Unload();
    frmUpdate update;
    cut = CutLabels(&update);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
