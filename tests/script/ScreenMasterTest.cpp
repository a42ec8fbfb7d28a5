#include "ScriptTestSupport.h"

#include "graphics/HDRSettings.h"
#include "script/ScreenMaster.h"

#include <gtest/gtest.h>

using Zem::Graphics::bloomScale;
using Zem::Graphics::exposure;

namespace {

class ScreenMasterTest : public ScriptTest::TimelineTest {
protected:
    void SetUp() override {
        TimelineTest::SetUp();
        screen = new ScreenMaster(Zem::Resource::XmlNode("<entity name=\"screen\"/>"));
    }
    // The settings are process-wide; give the next test the program's starting values.
    void TearDown() override {
        exposure = 0.18f;
        bloomScale = 1.0f;
    }

    ScreenMaster* screen = nullptr;
};

TEST_F(ScreenMasterTest, ChannelsZeroAndOneAreTheHdrSettings) {
    EXPECT_EQ(screen->getChannel(0), 0.18f);
    EXPECT_EQ(screen->getChannel(1), 1.0f);
    screen->setChannel(0, 0.5f);
    screen->setChannel(1, 2.0f);
    screen->setChannel(2, 5.0f);
    EXPECT_EQ(exposure, 0.5f);
    EXPECT_EQ(bloomScale, 2.0f);
    EXPECT_EQ(screen->getChannel(2), 0.0f);
    EXPECT_EQ(screen->position, Zem::Graphics::Vector3(0.0f, 0.0f, 0.0f));
}

TEST_F(ScreenMasterTest, AnInterpolatorFadesTheExposure) {
    request("screen", "0", "<endvalue>0.5</endvalue>");
    updateAt(250.0);
    EXPECT_NEAR(exposure, (0.18f + 0.5f) / 2.0f, 1e-6f);
    updateAt(500.0);
    EXPECT_FLOAT_EQ(exposure, 0.5f);
}

} // namespace
