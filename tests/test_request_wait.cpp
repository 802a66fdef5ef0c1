// The blocking requests of one user action against a slow server: together
// they take at most the action's budget, however many there are, and the
// next action starts with the whole budget again.
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "platform/RequestWait.h"
#include "support/Scripted.h"

#include <QElapsedTimer>
#include <QEventLoop>
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
