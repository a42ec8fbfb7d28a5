#include "app/capture/VideoWriter.h"
#include "app/capture/MusicTrack.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Refused at once, before any frame is drawn, pointing at a folder of PNG frames instead.
TEST(VideoWriterTest, WithoutFfmpegAVideoIsRefusedLeavingNoFile) {
    ZemTest::TempDir dir;
    const std::string video = dir.file("show.mp4");
    Zem::App::VideoWriter writer(video, 64, 48);
    const std::string path = std::getenv("PATH");
    ZemTest::setEnvironment("PATH", "/nonexistent");
    EXPECT_FALSE(writer.open(Zem::App::MusicTrack(), 0.0, 30, 30.0));
    ZemTest::setEnvironment("PATH", path);
    EXPECT_NE(writer.error().find("ffmpeg"), std::string::npos) << writer.error();
    EXPECT_NE(writer.error().find("--capture"), std::string::npos) << writer.error();
    EXPECT_FALSE(std::filesystem::exists(video));
    EXPECT_FALSE(std::filesystem::exists(video + ".part.wav"));
}

} // namespace
