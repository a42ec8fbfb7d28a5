#include "script/ScreenMaster.h"
#include "graphics/HDRSettings.h"
#include "resource/XmlNode.h"
#include "support/FrameGame.h"

#include <gtest/gtest.h>

using Zem::Graphics::bloomScale;
using Zem::Graphics::exposure;

namespace {

// The HDR settings are the program's own: later tests get its starting values back.
class ScreenMasterTest : public ::testing::Test {
protected:
    void TearDown() override {
        exposure = 0.18f;
        bloomScale = 1.0f;
    }

    ZemTest::FrameGame game;
    ScreenMaster* screen = new ScreenMaster(Zem::Resource::XmlNode("<entity name='screen'/>"));
};

TEST_F(ScreenMasterTest, ChannelZeroIsTheExposure) {
    exposure = 0.25f;
    EXPECT_EQ(screen->getChannel(0), 0.25f);
    screen->setChannel(0, 0.5f);
    EXPECT_EQ(exposure, 0.5f);
}

TEST_F(ScreenMasterTest, ChannelOneSetsTheBloomScale) {
    screen->setChannel(1, 2.0f);
    EXPECT_EQ(bloomScale, 2.0f);
}

} // namespace
