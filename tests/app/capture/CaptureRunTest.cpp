#include "app/capture/CaptureRun.h"
#include "app/capture/CaptureOptions.h"
#include "support/GLContext.h"
#include "support/StandInShow.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

using Zem::App::CaptureOptions;
using Zem::App::CaptureRun;

namespace {

// Records the capture's clock at each step and at each frame drawn.
class StepShow : public ZemTest::StandInShow {
public:
    explicit StepShow(const CaptureRun& run) : run(run) {}
    void draw() override {
        drawnAt.push_back(steppedAt);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void step(float) override { steppedAt = run.showTimeMs(); }

    const CaptureRun& run;
    double steppedAt = -1.0;
    std::vector<double> drawnAt;
};

// 16 x 16 PNG frames at 10 a second.
class CaptureRunTest : public ZemTest::GLTest {
protected:
    // The times the frames of a capture from start to end were drawn at.
    std::vector<double> capture(double startSeconds, double endSeconds) {
        CaptureOptions options;
        options.output = dir.file("frames");
        options.fps = 10.0;
        options.width = 16;
        options.height = 16;
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

} // namespace
