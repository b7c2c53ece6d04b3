#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/thread.h"

namespace platform {
namespace {

TEST(Event, ManualResetStaysSetForEveryWaiter) {
    Event e(Event::ResetMode::Manual);
    e.Set();
    EXPECT_TRUE(e.Wait(Millis(0)));
    EXPECT_TRUE(e.Wait(Millis(0)));
    e.Reset();
    EXPECT_FALSE(e.Wait(Millis(0)));
}

TEST(Event, AutoResetIsTakenByOneWait) {
    Event e(Event::ResetMode::Auto, true);
    EXPECT_TRUE(e.Wait(Millis(0)));
    EXPECT_FALSE(e.Wait(Millis(0)));
}

TEST(Event, TimesOutWhenNotSet) {
    Event e;
    EXPECT_FALSE(e.Wait(Millis(10)));
}

TEST(WaitForAny, ReturnsTheIndexOfTheSetEvent) {
    Event a, b, c;
    b.Set();
    EXPECT_EQ(WaitForAny({&a, &b, &c}, Millis(0)), 1);
    EXPECT_EQ(WaitForAny({&a, &c}, Millis(5)), kWaitTimeout);
}

TEST(WaitForAny, PrefersTheFirstOfSeveralSetEvents) {
    Event a, b;
    a.Set();
    b.Set();
    EXPECT_EQ(WaitForAny({&a, &b}, Millis(0)), 0);
}

TEST(WaitForAny, WakesPromptlyFromAnotherThread) {
    Event a, stop;
    std::atomic<int> index{-2};
    std::thread waiter([&] { index = WaitForAny({&a, &stop}, kInfinite); });
    stop.Set();
    waiter.join();
    EXPECT_EQ(index.load(), 1);
}

TEST(WaitForAny, AutoResetEventWakesExactlyOneOfTwoWaiters) {
    Event e(Event::ResetMode::Auto);
    std::atomic<int> woken{0};
    auto wait = [&] {
        if (e.Wait(Millis(200))) {
            ++woken;
        }
    };
    std::thread t1(wait), t2(wait);
    e.Set();
    t1.join();
    t2.join();
    EXPECT_EQ(woken.load(), 1);
}

TEST(WorkerThread, DestructorStopsAndJoins) {
    std::atomic<bool> left{false};
    {
        WorkerThread worker;
        worker.Start("test", [&](Event& stop) {
            while (SleepUnlessStopped(stop, Millis(1000))) {
            }
            left = true;
        });
    }
    EXPECT_TRUE(left.load());
}

TEST(WorkerThread, RestartRunsTheNewBodyWithAClearedStopEvent) {
    WorkerThread worker;
    std::atomic<int> runs{0};
    auto body = [&](Event& stop) {
        ++runs;
        stop.Wait();
    };
    worker.Start("one", body);
    worker.Start("two", body);
    EXPECT_TRUE(worker.Running());
    worker.Stop();
    EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace platform
