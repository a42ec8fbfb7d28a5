#include "support/BeatMatch.h"

#include <gtest/gtest.h>

#include <sstream>

using ZemBench::LoggedFrame;

namespace {

std::vector<LoggedFrame> frames(const std::string& log) {
    std::istringstream in(log);
    return ZemBench::readFrameLog(in);
}

TEST(BeatMatchTest, FrameLogReadsEachFrameLineAndSkipsTheHeaderAndBrokenLines) {
    const auto read = frames("# presented_ms show_ms camera\n"
                             "1000.5 0 camera\n"
                             "not a frame\n"
                             "\n"
                             "1016.75 17 camA\n");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_DOUBLE_EQ(read[1].presentedMs, 1016.75);
    EXPECT_EQ(read[1].showMs, 17);
    EXPECT_EQ(read[1].camera, "camA");
}

TEST(BeatMatchTest, ACutIsTheFirstFrameShowingANewCamera) {
    const auto cuts = ZemBench::cutsIn(frames("100 0 camera\n"
                                              "116 16 camera\n"
                                              "133 33 camA\n"
                                              "150 50 camA\n"
                                              "166 66 camB\n"));
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_DOUBLE_EQ(cuts[0].presentedMs, 133.0);
    EXPECT_EQ(cuts[0].camera, "camA");
    EXPECT_DOUBLE_EQ(cuts[1].presentedMs, 166.0);
}

TEST(BeatMatchTest, TheCameraTheShowStartsWithIsNoCut) {
    EXPECT_TRUE(ZemBench::cutsIn(frames("100 0 camA\n116 16 camA\n")).empty());
}

TEST(BeatMatchTest, MedianFrameIntervalIsNotMovedByOneSlowFrame) {
    EXPECT_DOUBLE_EQ(
        ZemBench::frameIntervals(frames("0 0 c\n16 0 c\n32 0 c\n132 0 c\n148 0 c\n")).medianMs,
        16.0);
}

TEST(BeatMatchTest, MedianFrameIntervalOfAnEvenCountIsTheMeanOfTheMiddleTwo) {
    EXPECT_DOUBLE_EQ(ZemBench::frameIntervals(frames("0 0 c\n10 0 c\n30 0 c\n")).medianMs, 15.0);
}

TEST(BeatMatchTest, FramesStandingOverTwiceTheMedianAreCountedSlowAndTheLongestKept) {
    const auto intervals =
        ZemBench::frameIntervals(frames("0 0 c\n16 0 c\n48 0 c\n64 0 c\n164 0 c\n180 0 c\n"));
    EXPECT_EQ(intervals.slow, 1u);
    EXPECT_DOUBLE_EQ(intervals.longestMs, 100.0);
}

TEST(BeatMatchTest, ClicksArePlacedOnBeatsCountedFromTheFirstHeard) {
    const auto onBeats = ZemBench::clicksOnBeats({5000.0, 6001.0}, 1000.0, 3);
    EXPECT_EQ(onBeats, (std::vector<double>{5000.0, 6001.0, -1.0}));
}

TEST(BeatMatchTest, ClicksDelayedByStallsOfTheSoundStayOnTheirBeats) {
    const auto onBeats = ZemBench::clicksOnBeats({5000.0, 6400.0, 7800.0, 8800.0}, 1000.0, 4);
    EXPECT_EQ(onBeats, (std::vector<double>{5000.0, 6400.0, 7800.0, 8800.0}));
}

TEST(BeatMatchTest, ALostClickLeavesItsBeatEmpty) {
    const auto onBeats = ZemBench::clicksOnBeats({5000.0, 7010.0, 8000.0}, 1000.0, 4);
    EXPECT_EQ(onBeats, (std::vector<double>{5000.0, -1.0, 7010.0, 8000.0}));
}

TEST(BeatMatchTest, AClickWithinHalfABeatOfTheOneBeforeIsAStray) {
    const auto onBeats = ZemBench::clicksOnBeats({5000.0, 5400.0, 6000.0}, 1000.0, 2);
    EXPECT_EQ(onBeats, (std::vector<double>{5000.0, 6000.0}));
}

TEST(BeatMatchTest, ClicksAfterTheLastBeatAreLeftOut) {
    const auto onBeats = ZemBench::clicksOnBeats({5000.0, 6000.0, 7000.0}, 1000.0, 2);
    EXPECT_EQ(onBeats, (std::vector<double>{5000.0, 6000.0}));
}

TEST(BeatMatchTest, SummaryMeanKeepsTheSignWhileP95TakesTheSizes) {
    const auto summary = ZemBench::summarize({-10.0, 2.0, 2.0});
    EXPECT_DOUBLE_EQ(summary.meanMs, -2.0);
    EXPECT_DOUBLE_EQ(summary.p95Ms, 10.0);
    EXPECT_EQ(summary.count, 3u);
}

} // namespace
