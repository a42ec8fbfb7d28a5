#include "app/capture/PngSequenceWriter.h"
#include "app/capture/MusicTrack.h"
#include "graphics/FrameImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using Zem::App::MusicTrack;
using Zem::App::PngSequenceWriter;
using Zem::Graphics::FrameImage;

namespace {

// A folder that holds an earlier capture's frame and a file of the maker's; two 4 x 2 frames of
// a silent capture at 10 a second go into it.
class PngSequenceWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(out);
        std::ofstream(out + "/frame-000007.png") << "old";
        std::ofstream(out + "/keep.txt") << "mine";
        frame.data()[0] = 200;
        ASSERT_TRUE(writer.open(silence, 0.0, 2, 10.0)) << writer.error();
        ASSERT_TRUE(writer.write(frame));
        ASSERT_TRUE(writer.write(frame));
    }

    ZemTest::TempDir dir;
    const std::string out = dir.file("frames");
    const MusicTrack silence{};
    PngSequenceWriter writer{out};
    FrameImage frame{4, 2};
};

TEST_F(PngSequenceWriterTest, WritesEachFrameUnderItsNumber) {
    const FrameImage back = FrameImage::readPng(out + "/frame-000001.png");
    ASSERT_EQ(back.width(), 4);
    EXPECT_EQ(back.data(), frame.data());
}

TEST_F(PngSequenceWriterTest, TheFramesOfAnEarlierCaptureGo) {
    EXPECT_FALSE(fs::exists(out + "/frame-000007.png"));
}

TEST_F(PngSequenceWriterTest, OtherFilesInTheFolderStay) {
    EXPECT_TRUE(fs::exists(out + "/keep.txt"));
}

TEST_F(PngSequenceWriterTest, TheMusicComesOnlyWithFinish) {
    EXPECT_FALSE(fs::exists(out + "/music.wav"));
    ASSERT_TRUE(writer.finish());
    EXPECT_TRUE(fs::exists(out + "/music.wav"));
}

// 0.2 s of silence at 44100 Hz, 2 channels, 16 bits.
TEST_F(PngSequenceWriterTest, TheMusicLastsAsLongAsTheFrames) {
    ASSERT_TRUE(writer.finish());
    EXPECT_EQ(fs::file_size(out + "/music.wav"), 44u + 8820u * 4u);
}

// Before any frame is drawn.
TEST_F(PngSequenceWriterTest, AFolderThatCannotBeMadeIsRefusedByName) {
    std::ofstream(dir.file("plain")) << "x";
    PngSequenceWriter blocked(dir.file("plain/frames"));
    EXPECT_FALSE(blocked.open(silence, 0.0, 1, 10.0));
    EXPECT_NE(blocked.error().find("plain/frames"), std::string::npos) << blocked.error();
}

} // namespace
