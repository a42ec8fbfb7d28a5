#include "graphics/HDRSettings.h"

#include <gtest/gtest.h>

namespace {

// A world whose script has no screen master is shown at the exposure the show was graded for.
TEST(HDRSettingsTest, BeforeTheScriptWritesAnExposureItIsMiddleGrey) {
    EXPECT_FLOAT_EQ(Zem::Graphics::exposure, 0.18f);
}

} // namespace
