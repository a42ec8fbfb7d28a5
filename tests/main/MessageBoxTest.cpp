#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using Zem::Main::MessageIcon;

namespace {

TEST(MessageBoxTest, HeadlessRunWritesTheTextToStandardErrorWithoutWaiting) {
    // Tests run with the offscreen video driver: a dialog here would hang the run.
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
    testing::internal::CaptureStderr();
    Zem::Main::messageBox("ERROR", "Window Creation Error.", MessageIcon::Exclamation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Window Creation Error.\n");
}

TEST(MessageBoxTest, AHandlerReceivesEveryBoxUntilRemoved) {
    struct Shown {
        std::string caption, text;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    auto previous = Zem::Main::setMessageBoxHandler(
        [&](const std::string& caption, const std::string& text, MessageIcon icon) {
            shown.push_back({caption, text, icon});
        });

    testing::internal::CaptureStderr();
    Zem::Main::messageBox("SHUTDOWN ERROR", "Could Not Release hWnd.", MessageIcon::Information);
    Zem::Main::setMessageBoxHandler(previous);
    Zem::Main::messageBox("ERROR", "after", MessageIcon::Error);
    const std::string err = testing::internal::GetCapturedStderr();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "SHUTDOWN ERROR");
    EXPECT_EQ(shown[0].text, "Could Not Release hWnd.");
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(err, "ERROR: after\n");
}

} // namespace
