#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using Zem::Main::MessageIcon;

namespace {

// Tests run with the offscreen video driver, where a dialog would hang the run.
TEST(MessageBoxTest, HeadlessBoxesGoToStandardErrorOrToAReplacingHandler) {
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
    std::vector<std::string> shown;
    testing::internal::CaptureStderr();
    Zem::Main::messageBox("ERROR", "Window Creation Error.", MessageIcon::Exclamation);
    auto previous = Zem::Main::setMessageBoxHandler(
        [&](const std::string& caption, const std::string& text, MessageIcon) {
            shown.push_back(caption + "|" + text);
        });
    Zem::Main::messageBox("SHUTDOWN ERROR", "Could Not Release hWnd.", MessageIcon::Information);
    Zem::Main::setMessageBoxHandler(previous);
    Zem::Main::messageBox("ERROR", "after", MessageIcon::Error);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: Window Creation Error.\nERROR: after\n");
    EXPECT_EQ(shown, std::vector<std::string>{"SHUTDOWN ERROR|Could Not Release hWnd."});
}

} // namespace
