#include "LiveShowTest.h"

#include "app/FrameStats.h"
#include "app/StatsOverlay.h"
#include "input/VirtualKeys.h"
#include "support/mentions.h"

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

// The room with its lights, but no script to keep the show's time.
TEST_F(LivePlayTest, WithoutAScriptItSaysSo) {
    initWith(AppTest::roomWithLights);
    EXPECT_TRUE(ZemTest::mentions(begun, {"No script", "Escape"})) << begun;
}

TEST_F(LivePlayTest, WithoutAScriptTheRunEndsAtItsEnd) {
    initWith(AppTest::roomWithLights, false, 2.0);
    frame();
    EXPECT_TRUE(goOn);
    frame();
    EXPECT_FALSE(goOn);
}

// Nothing to wait for: the frames are held to 30 a second instead of as many as can be drawn.
TEST_F(LivePlayTest, WithoutAScriptEachTurnWaitsForTheFrameCap) {
    initWith(AppTest::roomWithLights);
    now += 10;
    live->afterTurn(show.input, show.display);
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_NEAR(waits[0], 1000.0 / 30.0 - 10.0, 1e-9);
}

// Under the test's time limit: a run that never ends fails there.
TEST_F(LivePlayTest, WithoutAScriptOrAnEndEscapeEndsTheRun) {
    initWith(AppTest::roomWithLights);
    show.input->keys[Zem::Input::VirtualKey::Escape] = 1.0f;
    EXPECT_TRUE(show.engine.run([this] { return live->afterTurn(show.input, show.display); }));
}

} // namespace
