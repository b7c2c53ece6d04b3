#include "platform/clock.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(TickCount, AdvancesInWholeTimerTicks) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    struct Case {
        int64_t us;
        uint32_t ms;
    };
    const Case cases[] = {{0, 0}, {15624, 0}, {15625, 15}, {31250, 31}, {46875, 46}, {1000000, 1000}};
    for (const Case& c : cases) {
        clock.SetUs(c.us);
        EXPECT_EQ(TickCount(), c.ms) << c.us;
    }
}

}  // namespace
}  // namespace platform
