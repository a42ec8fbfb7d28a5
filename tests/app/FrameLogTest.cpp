#include "app/FrameLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using Zem::App::FrameLog;

// A frame log in a folder of its own.
class FrameLogTest : public ::testing::Test {
protected:
    std::string written() const { return ZemTest::TempDir::readFile(dir.file("frames.txt")); }
    // What the log wrote once it is closed.
    std::string closed() {
        log.reset();
        return written();
    }

    ZemTest::TempDir dir;
    std::optional<FrameLog> log{std::in_place, dir.file("frames.txt")};
    const std::string header = "# presented_ms show_ms camera\n";
};

// A reader watching the run sees each frame as it goes on screen.
TEST_F(FrameLogTest, AFrameIsInTheFileWhileTheLogIsStillOpen) {
    log->drawn(1500, "camB");
    log->presented(1234.5);
    EXPECT_EQ(written(), header + "1234.500 1500 camB\n");
}

TEST_F(FrameLogTest, AFrameNotYetOnScreenIsNotWritten) {
    log->drawn(1500, "camB");
    EXPECT_EQ(closed(), header);
}

TEST_F(FrameLogTest, ASwapWithNoFrameDrawnSinceWritesNothing) {
    log->drawn(10, "a");
    log->presented(1.0);
    log->presented(2.0);
    EXPECT_EQ(closed(), header + "1.000 10 a\n");
}

TEST_F(FrameLogTest, NoPathLogsNothing) {
    EXPECT_FALSE(FrameLog("").isOpen());
}

} // namespace
