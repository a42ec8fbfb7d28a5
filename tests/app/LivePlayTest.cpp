#include "LiveShowTest.h"

#include "app/FrameStats.h"
#include "app/StatsOverlay.h"

#include <gtest/gtest.h>

using AppTest::Pixel;

namespace {

using LivePlayTest = AppTest::LiveShowTest;

TEST_F(LivePlayTest, WithStatsEveryFrameDrawnIsCounted) {
    initWith(AppTest::roomWithLights, true);
    frame();
    ASSERT_NE(live->frameStats(), nullptr);
    EXPECT_EQ(live->frameStats()->viewsDrawn(), 1);
    EXPECT_EQ(live->frameStats()->lightsDrawn(), 2);
}

// Some of the panel's dots are lit, the rest of the frame is not touched.
TEST_F(LivePlayTest, WithStatsTheOverlayIsDrawnInTheTopLeftCorner) {
    initWith(AppTest::roomWithLights, true);
    frame();
    const auto lit = [](int x, int y) {
        const Pixel p = pixelAt(x, y);
        return p[0] > 200 && p[1] > 180 && p[2] < 120;
    };
    int litDots = 0;
    for (int y = 64 - Zem::App::StatsOverlay::panelHeight({"", "", "", ""}); y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            litDots += lit(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(litDots, 20);
    EXPECT_FALSE(lit(60, 2));
}

} // namespace
