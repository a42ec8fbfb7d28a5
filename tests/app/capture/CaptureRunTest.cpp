#include "app/capture/CaptureRun.h"
#include "app/capture/CaptureOptions.h"
#include "graphics/FrameImage.h"
#include "support/GLContext.h"
#include "support/StandInShow.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using Zem::App::CaptureOptions;
using Zem::App::CaptureRun;

namespace {

// Records the capture's clock at each step and at each frame drawn; the picture is a grey that
// grows lighter by a fifth a tenth of a second.
class StepShow : public ZemTest::StandInShow {
public:
    explicit StepShow(const CaptureRun& run) : run(run) {}
    void draw() override {
        drawnAt.push_back(steppedAt);
        const float grey = static_cast<float>(steppedAt / 500.0);
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void step(float) override { steppedAt = run.showTimeMs(); }

    const CaptureRun& run;
    double steppedAt = -1.0;
    std::vector<double> drawnAt;
};

// 16 x 8 frames at 10 a second, PNG unless asked otherwise.
class CaptureRunTest : public ZemTest::GLTest {
protected:
    // The times the frames of a capture from start to end were drawn at.
    std::vector<double> capture(double startSeconds, double endSeconds,
                                const std::string& output = "frames", int supersample = 1) {
        CaptureOptions options;
        options.output = dir.file(output);
        options.fps = 10.0;
        options.width = 16;
        options.height = 8;
        options.supersample = supersample;
        CaptureRun run(options, startSeconds, endSeconds, "");
        StepShow show(run);
        EXPECT_TRUE(run.run(show, [] { return false; })) << run.error();
        EXPECT_EQ(run.framesTaken(), run.totalFrames());
        return show.drawnAt;
    }

    ZemTest::TempDir dir;
};

// A late start steps through the lead-in without drawing.
TEST_F(CaptureRunTest, EachPictureShowsTheStepAtItsFramesTime) {
    EXPECT_EQ(capture(0.25, 0.5), (std::vector<double>{250.0, 350.0, 450.0}));
}

TEST_F(CaptureRunTest, TheFrameAtTheEndIsLeftOut) {
    EXPECT_EQ(capture(0.2, 0.5), (std::vector<double>{200.0, 300.0, 400.0}));
}

// Drawn 32 x 16, written 16 x 8.
TEST_F(CaptureRunTest, ASupersampledFrameIsFilteredDownToTheCapturesSize) {
    capture(0.0, 0.1, "frames", 2);
    const auto frame = Zem::Graphics::FrameImage::readPng(dir.file("frames/frame-000000.png"));
    EXPECT_EQ(std::pair(frame.width(), frame.height()), std::pair(16, 8));
}

// The frames go down a pipe to ffmpeg while the next ones draw; read back, each holds its own grey.
TEST_F(CaptureRunTest, AVideoHoldsEveryFrameInTheOrderDrawn) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    capture(0.0, 0.5, "show.mkv");
    const std::string raw = dir.file("frames.raw");
    ASSERT_EQ(std::system(("ffmpeg -v error -i " + dir.file("show.mkv") +
                           " -f rawvideo -pix_fmt gray " + raw)
                              .c_str()),
              0);
    const std::string pixels = ZemTest::TempDir::readFile(raw);
    ASSERT_EQ(pixels.size(), 5u * 16u * 8u);
    for (std::size_t frame = 0; frame < 5; ++frame) {
        const int centre = static_cast<unsigned char>(pixels[frame * 128 + 4 * 16 + 8]);
        EXPECT_NEAR(centre, 51.0 * static_cast<double>(frame), 6.0) << "frame " << frame;
    }
}

// The encoder is told the frame's width and height the right way round.
TEST_F(CaptureRunTest, AVideoIsAsWideAndAsTallAsTheCapture) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") !=
        0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    capture(0.0, 0.2, "show.mkv");
    const std::string size = dir.file("size.txt");
    ASSERT_EQ(std::system(("ffprobe -v error -select_streams v:0 -show_entries stream=width,height"
                           " -of csv=p=0:s=x " +
                           dir.file("show.mkv") + " >" + size)
                              .c_str()),
              0);
    EXPECT_EQ(ZemTest::TempDir::readFile(size), "16x8\n");
}

} // namespace
