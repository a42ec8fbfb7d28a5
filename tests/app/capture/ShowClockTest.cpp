#include "app/capture/ShowClock.h"

#include <gtest/gtest.h>

using Zem::App::ShowClock;

namespace {

TEST(ShowClockTest, AStartOnAFrameLeadsInFromTimeZeroOneStepAFrame) {
    const ShowClock clock(30.0, 10.0);
    EXPECT_EQ(clock.leadInSteps(), 300);
    EXPECT_DOUBLE_EQ(clock.stepTimeMs(0), 0.0);
}

TEST(ShowClockTest, FrameIStandsAtTheStartPlusIOverTheRate) {
    const ShowClock clock(30.0, 10.0);
    EXPECT_DOUBLE_EQ(clock.frameTimeMs(0), 10000.0);
    EXPECT_DOUBLE_EQ(clock.frameTimeMs(3), 10100.0);
}

// Frame 0 still stands at the start, on the same step.
TEST(ShowClockTest, AStartBetweenFramesLeadsInOneStepMore) {
    const ShowClock clock(30.0, 10.01);
    EXPECT_EQ(clock.leadInSteps(), 301);
    EXPECT_DOUBLE_EQ(clock.frameTimeMs(0), 10010.0);
    EXPECT_NEAR(clock.stepTimeMs(1) - clock.stepTimeMs(0), 1000.0 / 30.0, 1e-9);
}

TEST(ShowClockTest, AdvanceGoesToTheNextStep) {
    ShowClock clock(30.0, 10.01);
    clock.advance();
    EXPECT_DOUBLE_EQ(clock.timeMs(), clock.stepTimeMs(1));
}

} // namespace
