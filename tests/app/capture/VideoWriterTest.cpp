#include "app/capture/VideoWriter.h"
#include "app/capture/MusicTrack.h"
#include "graphics/FrameImage.h"
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

// Not the temporary music beside it, which the maker never asked for.
TEST(VideoWriterTest, AFileInAFolderThatIsNotThereIsRefusedByItsOwnName) {
    if (!Zem::App::ChildProcess::available("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    ZemTest::TempDir dir;
    const std::string video = dir.file("gone/clip.mp4");
    Zem::App::VideoWriter writer(video, 64, 48);
    EXPECT_FALSE(writer.open(Zem::App::MusicTrack(), 0.0, 30, 30.0));
    EXPECT_EQ(writer.error(), "cannot write " + video + ": there is no folder " + dir.file("gone"));
}

// Its file cannot be made (a folder stands in the way), so the encoder fails at the end.
TEST(VideoWriterTest, AnEncoderThatFailsFailsTheVideoNamingIt) {
    if (!Zem::App::ChildProcess::available("ffmpeg")) {
        GTEST_SKIP() << "no ffmpeg";
    }
    ZemTest::TempDir dir;
    const std::string video = dir.file("show.mp4");
    std::filesystem::create_directory(video + ".part");
    Zem::App::VideoWriter writer(video, 16, 16);
    ASSERT_TRUE(writer.open(Zem::App::MusicTrack(), 0.0, 1, 30.0)) << writer.error();
    writer.write(Zem::Graphics::FrameImage(16, 16));
    EXPECT_FALSE(writer.finish());
    EXPECT_NE(writer.error().find("ffmpeg failed"), std::string::npos) << writer.error();
    EXPECT_NE(writer.error().find(video), std::string::npos) << writer.error();
}

} // namespace
