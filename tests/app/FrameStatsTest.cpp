#include "LiveShowTest.h"

#include "app/FrameStats.h"
#include "graphics/PassTimer.h"
#include "graphics/View.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <regex>
#include <vector>

using Zem::App::FrameStats;

namespace {

// Frames of a room with two lights drawn a quarter of a second apart on the stats' clock, at
// 1.5 s of show.
class FrameStatsTest : public AppTest::LiveShowTest {
protected:
    void SetUp() override {
        LiveShowTest::SetUp();
        initWith(AppTest::roomWithLights);
        stats = std::make_unique<FrameStats>([this] { return wallMs; });
    }
    // Whether each frame drawn made a report.
    std::vector<bool> drawFrames(int count) {
        std::vector<bool> reported;
        Zem::Graphics::View root;
        for (int i = 0; i < count; ++i) {
            Zem::Graphics::renderFrame(game, root, stats.get());
            wallMs += 250.0;
            reported.push_back(stats->frameDone(1.5));
        }
        return reported;
    }

    double wallMs = 0.0;
    // Made once the context is current: it times the passes with GL queries.
    std::unique_ptr<FrameStats> stats;
};

TEST_F(FrameStatsTest, ReportsOnceASecondOfWallTime) {
    EXPECT_EQ(drawFrames(4), (std::vector<bool>{false, false, false, true}));
}

TEST_F(FrameStatsTest, TheReportAveragesTheSecondsFrames) {
    drawFrames(4);
    EXPECT_DOUBLE_EQ(stats->report().framesPerSecond, 4.0);
    EXPECT_DOUBLE_EQ(stats->report().frameMs, 250.0);
}

TEST_F(FrameStatsTest, TheReportCountsTheViewsAndLightsDrawn) {
    drawFrames(4);
    EXPECT_EQ(stats->report().views, 1);
    EXPECT_EQ(stats->report().lights, 2);
}

TEST_F(FrameStatsTest, ThePassesTimedTakeNoNegativeTime) {
    if (!Zem::Graphics::PassTimer::available()) {
        GTEST_SKIP() << "this context cannot time the passes";
    }
    drawFrames(4);
    for (double ms : stats->report().passMs) {
        EXPECT_GE(ms, 0.0);
    }
}

// The GPU cannot spend longer on the passes than the frames took on the wall clock.
TEST_F(FrameStatsTest, ThePassesTakeNoLongerThanTheFramesAroundThem) {
    if (!Zem::Graphics::PassTimer::available()) {
        GTEST_SKIP() << "this context cannot time the passes";
    }
    const auto start = std::chrono::steady_clock::now();
    drawFrames(4);
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    double passes = 0.0;
    for (double ms : stats->report().passMs) {
        passes += std::max(ms, 0.0);
    }
    EXPECT_LE(passes, elapsed.count());
}

TEST_F(FrameStatsTest, TheLineGivesEveryFigureOfTheReport) {
    drawFrames(4);
    const std::regex format("fps [0-9]+\\.[0-9]  frame [0-9]+\\.[0-9] ms  gbuffer ([0-9.]+ ms|-)"
                            "  light ([0-9.]+ ms|-)  hdr ([0-9.]+ ms|-)  views 1  lights 2  "
                            "show 1\\.50 s");
    const std::string line = FrameStats::line(stats->report());
    EXPECT_TRUE(std::regex_match(line, format)) << line;
}

TEST_F(FrameStatsTest, APassThatCannotBeTimedShowsADash) {
    EXPECT_EQ(FrameStats::line(FrameStats::Report()),
              "fps 0.0  frame 0.0 ms  gbuffer -  light -  hdr -  views 0  lights 0  show 0.00 s");
}

} // namespace
