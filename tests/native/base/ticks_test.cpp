#include <gtest/gtest.h>

#include "base/ticks.h"

TEST(TickArithmetic, IntervalsSurviveTheCounterWrap) {
    EXPECT_EQ(TicksSince(100, 0xFFFFFF9Cu), 200u); // 100 ms before the wrap to 100 ms after it
    EXPECT_EQ(TicksSince(5000, 4750), 250u);
    EXPECT_EQ(TicksSince(0, 0), 0u);
}

TEST(TickArithmetic, DueTimeIsJudgedByTheSignOfTheDifference) {
    EXPECT_TRUE(TickReached(1000, 1000));
    EXPECT_FALSE(TickReached(999, 1000));
    EXPECT_TRUE(TickReached(30, 0xFFFFFFF0u));  // due just before the wrap, now just after
    EXPECT_FALSE(TickReached(0xFFFFFFF0u, 30)); // due just after the wrap, now just before
}
