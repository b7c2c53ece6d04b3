#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace platform {
namespace {

TEST(TickCount, AdvancesInWholeTimerTicks) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    struct Case {
        int64_t us;
        uint32_t ms;
    };
    const Case cases[] = {{0, 0},      {15624, 0},      {15625, 15},      {31250, 31},
                          {46875, 46}, {1000000, 1000}, {62500000, 62500}};
    for (const Case& c : cases) {
        clock.SetUs(c.us);
        EXPECT_EQ(TickCount(), c.ms) << c.us;
    }
}

TEST(TickCount, WrapsLikeAThirtyTwoBitCounter) {
    VirtualClock clock(int64_t{1} << 32 << 10);  // far past 2^32 ms
    ScopedClock scoped(clock);
    const uint32_t before = TickCount();
    clock.AdvanceMs(1000);
    EXPECT_EQ(static_cast<uint32_t>(TickCount() - before), 1000u);
}

TEST(NextTick, IsTheStartOfTheFollowingTick) {
    EXPECT_EQ(NextTickUs(0), kTimerTickUs);
    EXPECT_EQ(NextTickUs(kTimerTickUs - 1), kTimerTickUs);
    EXPECT_EQ(NextTickUs(kTimerTickUs), 2 * kTimerTickUs);
}

TEST(VirtualClock, SleeperWakesWhenTheClockPassesItsDeadline) {
    VirtualClock clock;
    std::atomic<int> result{-1};
    std::thread sleeper([&] { result = clock.WaitUntil(5000, nullptr) ? 1 : 0; });
    clock.AdvanceUs(4999);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result.load(), -1);
    clock.AdvanceUs(1);
    sleeper.join();
    EXPECT_EQ(result.load(), 1);
}

TEST(VirtualClock, StopEventReleasesASleeper) {
    VirtualClock clock;
    Event stop;
    std::atomic<int> result{-1};
    std::thread sleeper([&] { result = clock.WaitUntil(1'000'000'000, &stop) ? 1 : 0; });
    stop.Set();
    sleeper.join();
    EXPECT_EQ(result.load(), 0);
}

TEST(SystemClock, StopEventReleasesASleeper) {
    SystemClock clock;
    Event stop;
    std::atomic<int> result{-1};
    std::thread sleeper(
        [&] { result = clock.WaitUntil(clock.NowUs() + 60'000'000, &stop) ? 1 : 0; });
    stop.Set();
    sleeper.join();
    EXPECT_EQ(result.load(), 0);
}

}  // namespace
}  // namespace platform
