#include "app/StatsOverlay.h"

#include <gtest/gtest.h>

using Zem::App::StatsOverlay;

namespace {

// The font has capitals only; "fps" and "ms" in the stats line must not come out as "?".
TEST(StatsOverlayTest, ALowerCaseLetterIsDrawnAsItsCapital) {
    ASSERT_NE(StatsOverlay::glyph('M'), nullptr);
    EXPECT_EQ(StatsOverlay::glyph('m'), StatsOverlay::glyph('M'));
}

} // namespace
