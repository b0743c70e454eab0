#include "platform/window/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace qelvo::platform::window {
namespace {

// The pause loop a caller builds from these pieces; returns how many input wake-ups it saw.
int Pause(WaitableTimer& timer) {
    int wakeUps = 0;
    for (;;) {
        const int r = WaitForTimerOrInput(timer);
        if (r == kTimerSignalled)
            return wakeUps;
        EXPECT_EQ(r, kInputWaiting);
        ++wakeUps;
        ProcessPendingEvents();
    }
}

TEST(WaitableTimer, FiresAfterItsDueTimeWhileEventsKeepBeingHandled) {
    WaitableTimer timer;
    ASSERT_TRUE(timer.Set(-1'500'000));  // 150 ms
    int ticks = 0;
    QTimer traffic;
    QObject::connect(&traffic, &QTimer::timeout, [&] { ++ticks; });
    traffic.start(10);
    QElapsedTimer clock;
    clock.start();
    const int wakeUps = Pause(timer);
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_GE(ticks, 3) << "events are handled during the pause";
    EXPECT_GE(wakeUps, 3);
    EXPECT_EQ(WaitForTimerOrInput(timer), kWaitFailed) << "one-shot: fired once, then unset";
}

TEST(WaitableTimer, ZeroOrPositiveDueTimeFiresAtOnce) {
    for (std::int64_t due :
         {std::int64_t{0}, std::int64_t{1}, std::int64_t{132'000'000'000'000'000}}) {
        SCOPED_TRACE(due);
        WaitableTimer timer;
        ASSERT_TRUE(timer.Set(due));
        EXPECT_EQ(WaitForTimerOrInput(timer), kTimerSignalled);
    }
}

// Due times far past the toolkit's int milliseconds must neither wrap into a short pause nor
// overflow: the wait only wakes for input.
TEST(WaitableTimer, HugeDueTimesDoNotFireEarly) {
    for (std::int64_t due :
         {std::numeric_limits<std::int64_t>::min(), std::int64_t{-3'240'000'000'000'000'000},
          std::int64_t{-72'000'000'000}}) {
        SCOPED_TRACE(due);
        WaitableTimer timer;
        ASSERT_TRUE(timer.Set(due));
        bool woke = false;
        QTimer::singleShot(30, [&] { woke = true; });
        while (!woke)
            ASSERT_EQ(WaitForTimerOrInput(timer), kInputWaiting);
    }
}

TEST(WaitableTimer, SubMillisecondDueTimeStillWaits) {
    WaitableTimer timer;
    ASSERT_TRUE(timer.Set(-1));
    QElapsedTimer clock;
    clock.start();
    Pause(timer);
    EXPECT_GE(clock.nsecsElapsed(), 100);
}

TEST(WaitableTimer, UnsetOrFailedTimerReportsFailure) {
    WaitableTimer unset;
    EXPECT_EQ(WaitForTimerOrInput(unset), kWaitFailed);
    SetTimerFailureForTesting(true);
    WaitableTimer failing;
    EXPECT_FALSE(failing.Set(-10'000));
    EXPECT_EQ(WaitForTimerOrInput(failing), kWaitFailed);
    SetTimerFailureForTesting(false);
    EXPECT_TRUE(failing.Set(-10'000));
    Pause(failing);
}

// A pause started by a handler inside another pause ends first, even when the outer timer
// runs out meanwhile; the outer one then ends at its next wake-up.
TEST(WaitableTimer, NestedPauseEndsInnerFirst) {
    std::vector<const char*> order;
    WaitableTimer outer;
    ASSERT_TRUE(outer.Set(-300'000));  // 30 ms
    QTimer::singleShot(0, [&] {
        WaitableTimer inner;
        ASSERT_TRUE(inner.Set(-1'000'000));  // 100 ms, outlasting the outer one
        Pause(inner);
        order.push_back("inner");
    });
    QElapsedTimer clock;
    clock.start();
    Pause(outer);
    order.push_back("outer");
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_EQ(order, (std::vector<const char*>{"inner", "outer"}));
}

}  // namespace
}  // namespace qelvo::platform::window
