#include "app/FrameLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Zem::App::FrameLog;

std::string lines(const ZemTest::TempDir& dir) {
    return ZemTest::TempDir::readFile(dir.file("frames.txt"));
}

TEST(FrameLogTest, AFrameIsWrittenOnceItWentOnScreen) {
    ZemTest::TempDir dir;
    {
        FrameLog log(dir.file("frames.txt"));
        log.drawn(1500, "camB");
        log.presented(1234.5);
    }
    EXPECT_EQ(lines(dir), "# presented_ms show_ms camera\n1234.500 1500 camB\n");
}

// A reader watching the run sees each frame as it goes on screen.
TEST(FrameLogTest, AFrameIsInTheFileWhileTheLogIsStillOpen) {
    ZemTest::TempDir dir;
    FrameLog log(dir.file("frames.txt"));
    log.drawn(1500, "camB");
    log.presented(1234.5);
    EXPECT_EQ(lines(dir), "# presented_ms show_ms camera\n1234.500 1500 camB\n");
}

TEST(FrameLogTest, AFrameNotYetOnScreenIsNotWritten) {
    ZemTest::TempDir dir;
    {
        FrameLog log(dir.file("frames.txt"));
        log.drawn(1500, "camB");
    }
    EXPECT_EQ(lines(dir), "# presented_ms show_ms camera\n");
}

TEST(FrameLogTest, ASwapWithNoFrameDrawnSinceWritesNothing) {
    ZemTest::TempDir dir;
    {
        FrameLog log(dir.file("frames.txt"));
        log.drawn(10, "a");
        log.presented(1.0);
        log.presented(2.0);
    }
    EXPECT_EQ(lines(dir), "# presented_ms show_ms camera\n1.000 10 a\n");
}

TEST(FrameLogTest, NoPathLogsNothing) {
    FrameLog log("");
    EXPECT_FALSE(log.isOpen());
}

} // namespace
