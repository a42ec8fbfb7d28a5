#include "graphics/Display_win32.h"
#include "main/TestGame.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <memory>

using Zem::Graphics::Display_win32;

namespace {

// A capture's display: offscreen, wider than the test run's screen (1024 x 768).
class Display_win32OffscreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        display.useSettings({2048, 64, 32, false, 24, 8, true, false, true});
        testing::internal::CaptureStdout();
        opened = display.init(Zem::Resource::XmlNode("<display/>"));
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(opened);
    }

    ZemTest::ShownBoxes boxes;
    Display_win32 display;
    bool opened = false;
};

TEST_F(Display_win32OffscreenTest, NoWindowIsShown) {
    EXPECT_FALSE(IsWindowVisible(display.getWindow()));
}

TEST_F(Display_win32OffscreenTest, ItDrawsBeyondTheScreensEdge) {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<GLubyte, 3> pixel{};
    glReadPixels(2000, 32, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (std::array<GLubyte, 3>{255, 0, 0}));
}

} // namespace
