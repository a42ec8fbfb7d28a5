#include "graphics/Light.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

using Zem::Graphics::Light;

namespace {

class LightTest : public ::testing::Test {
protected:
    Light light{ZemTest::xmlElement("<Light><color>0.5 0 2</color><radius>3</radius></Light>")};
};

TEST_F(LightTest, ChannelsSixToEightReadTheColour) {
    const float colour[] = {0.5f, 0.0f, 2.0f};
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(colour[i], light.getChannel(6 + i)) << "channel " << 6 + i;
    }
}

TEST_F(LightTest, ChannelNineReadsTheRadius) {
    EXPECT_EQ(3.0f, light.getChannel(9));
}

TEST_F(LightTest, ChannelTenReadsNothing) {
    EXPECT_EQ(0.0f, light.getChannel(10));
}

} // namespace
