#include "main/report.h"
#include "main/Engine.h"
#include "main/TestGame.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(reportTest, AReportIsALineOnStandardError) {
    testing::internal::CaptureStderr();
    Zem::Main::report("Window Creation Error.");
    EXPECT_EQ("Window Creation Error.\n", testing::internal::GetCapturedStderr());
}

TEST(reportTest, AReportIsALineInTheRunningEnginesLog) {
    ZemTest::TempDir dir;
    ZemTest::TestGame game;
    Zem::Main::Engine engine;
    engine.setWorkingDir(dir.path());
    engine.setGame(&game);
    game.engine = &engine;
    engine.init(ZemTest::element("<config/>"));
    testing::internal::CaptureStderr();
    Zem::Main::report("Window Creation Error.");
    testing::internal::GetCapturedStderr();
    EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find("\nWindow Creation Error.\n"),
              std::string::npos);
}

} // namespace
