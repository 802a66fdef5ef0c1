// The blocking requests of one user action against a slow server: together
// they take at most the action's budget, however many there are, and the
// next action starts with the whole budget again; a long transfer neither
// spends nor obeys it. What else runs while a handler waits: the program's
// deferred work and the transfer control's completions wait for the handler.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/RequestWait.h"
#include "platform/TransferControl.h"
#include "support/Scripted.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class RequestWaitTest : public ::testing::Test {
protected:
    RequestWaitTest() {
        EXPECT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        platform::SetActionBudgetMs(1500);
        localservice::Reply slow;
        slow.body = "12\r\n";
        slow.delayMs = 1000;
        service.SetReply(Slow(), slow);
    }
    ~RequestWaitTest() override {
        platform::SetActionBudgetMs(0);
        service.Stop();
    }
    static QString Slow() { return QStringLiteral("/Vantrix/internal/slow.asp"); }
    // Runs `action` from the event loop, as a click's handler runs.
    static void AsUserAction(const std::function<void()>& action) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, [&] {
            action();
            loop.quit();
        });
        loop.exec();
    }
    static QString Ask() {
        return modInternet::GetASPData(modGlobals::gServerPath + "slow.asp", "");
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
};

} // namespace

TEST_F(RequestWaitTest, TheSmallRequestsOfOneActionShareOneBudget) {
    QStringList replies;
    QElapsedTimer clock;
    AsUserAction([&] {
        clock.start();
        for (int i = 0; i < 4; ++i)
            replies << Ask();
    });
    const qint64 took = clock.elapsed();
    EXPECT_LT(took, 2500);
    EXPECT_EQ(replies, (QStringList{"12\r\n", "", "", ""}));
    // The budget was spent by the second: the others never went out.
    EXPECT_EQ(service.RequestsFor(Slow()).size(), 2);
    // The next action has its whole budget again.
    QString next;
    AsUserAction([&] { next = Ask(); });
    EXPECT_EQ(next, "12\r\n");
}

TEST_F(RequestWaitTest, ALongTransferNeitherSpendsNorObeysTheBudget) {
    // A full reload that takes longer than the whole budget, steadily.
    localservice::Reply reload;
    reload.body = QByteArray("12/8/2026 10:15:00 AM\r\n") + QByteArray(4000, 'x') + "\r\n";
    reload.trickleBytes = 200;
    reload.trickleMs = 100;
    service.SetReply(QStringLiteral("/Vantrix/internal/getUpdates.ASP"), reload);
    const QString spool = world.dataPath() + QStringLiteral("MenuItems.upd");
    bool spooled = false;
    QString after;
    QElapsedTimer clock;
    service.SetReply(QStringLiteral("/Vantrix/internal/loginUser.asp"), QByteArray("1001\r\n"));
    AsUserAction([&] {
        clock.start();
        // The action's first small request (the login) opens its budget.
        modInternet::GetASPData(modGlobals::gServerPath + QStringLiteral("loginUser.asp"), "");
        spooled = modInternet::GetASPDataToFile(modGlobals::gServerPath +
                                                    QStringLiteral("getUpdates.ASP"),
                                                QStringLiteral("UserID=1"), spool);
        after = Ask();
    });
    EXPECT_TRUE(spooled);
    EXPECT_GT(clock.elapsed(), 2000);
    // The small request after it had the whole budget still.
    EXPECT_EQ(after, "12\r\n");
    EXPECT_EQ(service.RequestsFor(Slow()).size(), 1);
}

TEST_F(RequestWaitTest, DeferredWorkAndCompletionsWaitForTheHandlerThatWaited) {
    service.SetReply(QStringLiteral("/Vantrix/internal/quick.asp"), QByteArray("OK"));
    QStringList order;
    QObject context;
    AsUserAction([&] {
        // Both are due long before the slow reply comes.
        modInternet::Inet1().Execute(
            QStringLiteral("http://") + service.Host() +
                QStringLiteral("/Vantrix/internal/quick.asp"),
            QStringLiteral("GET"), {}, {},
            [&](const platform::TransferResult&) { order << QStringLiteral("completion"); });
        platform::Defer(&context, [&] { order << QStringLiteral("deferred"); });
        order << Ask();
        order << QStringLiteral("handler returns");
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 4; }, 3000))
        << order.join(' ').toStdString();
    EXPECT_EQ(order.mid(0, 2), (QStringList{"12\r\n", "handler returns"}));
    EXPECT_TRUE(order.contains("completion"));
    EXPECT_TRUE(order.contains("deferred"));
    // Work of a context that went before the wait ended never runs.
    {
        QObject gone;
        AsUserAction([&] {
            platform::Defer(&gone, [&] { order << QStringLiteral("of a gone context"); });
            Ask();
        });
    }
    QTest::qWait(100);
    EXPECT_FALSE(order.contains("of a gone context"));
}
