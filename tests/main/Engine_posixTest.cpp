// The engine's signals as a POSIX system delivers them; Windows ends a process on its second
// Ctrl+C with an exit code, not a signal.
#include "main/Engine.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Ctrl+C twice while the world loads, or while a frame waits on a full pipe to ffmpeg.
TEST(EngineSignalTest, ASecondSignalBeforeTheRunHasStoppedEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ZemTest::TempDir dir;
    EXPECT_EXIT(
        {
            Zem::Main::Engine engine;
            engine.setWorkingDir(dir.path());
            engine.init(Zem::Resource::XmlNode("<config/>"));
            std::raise(SIGINT);
            std::raise(SIGINT);
        },
        testing::KilledBySignal(SIGINT), "");
}

} // namespace
