#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Under the offscreen video driver a dialog would hang the run.
TEST(MessageBoxTest, HeadlessBoxesGoToStandardErrorOnly) {
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
    testing::internal::CaptureStderr();
    Zem::Main::messageBox("ERROR", "Window Creation Error.", Zem::Main::MessageIcon::Exclamation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Window Creation Error.\n");
}

} // namespace
