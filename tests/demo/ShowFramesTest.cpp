#include "support/ImageCapture.h"
#include "support/ShowPlayer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int frameWidth = 320;
constexpr int frameHeight = 240;
// Drawn before each compared frame, so the eye adaptation has the same history every run.
constexpr int settleFrames = 8;
constexpr double minimumPsnr = 35.0;
const double showSeconds[] = {2, 10, 20, 30, 40, 50};

std::string referencePath(double seconds) {
    return "tests/golden/show-" + std::to_string(static_cast<int>(seconds)) + "s.png";
}

// Absolute differences, amplified so that small drifts show.
ZemTest::ImageCapture difference(const ZemTest::ImageCapture& a, const ZemTest::ImageCapture& b) {
    std::vector<std::uint8_t> out(a.data().size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int d = std::abs(int(a.data()[i]) - int(b.data()[i])) * 8;
        out[i] = static_cast<std::uint8_t>(d > 255 ? 255 : d);
    }
    ZemTest::ImageCapture image(a.width(), a.height());
    image.data() = std::move(out);
    return image;
}

// Frames of the shipped show at fixed times, compared with references rendered earlier by this
// renderer, so that changes made for speed cannot drift the picture unnoticed. Set
// ZEM_WRITE_SHOW_FRAMES=1 to write new references instead (after a change meant to alter the
// picture).
TEST(ShowFramesTest, FramesOfTheShowStayCloseToTheReferences) {
    const bool writing = std::getenv("ZEM_WRITE_SHOW_FRAMES") != nullptr;
    ZemTest::ShowPlayer player(frameWidth, frameHeight);
    ASSERT_TRUE(player.ready()) << "the show did not start";
    const std::filesystem::path failures =
        std::filesystem::temp_directory_path() / "zem-show-frames";

    for (double seconds : showSeconds) {
        player.playTo(seconds, settleFrames);
        const ZemTest::ImageCapture frame =
            ZemTest::ImageCapture::readFramebuffer(0, 0, frameWidth, frameHeight);
        const std::string reference = referencePath(seconds);
        if (writing) {
            ASSERT_TRUE(frame.writePng(reference)) << reference;
            continue;
        }
        const ZemTest::ImageCapture expected = ZemTest::ImageCapture::readPng(reference);
        ASSERT_EQ(expected.width(), frameWidth) << "no reference " << reference;
        ASSERT_EQ(expected.height(), frameHeight) << reference;
        const double measured = ZemTest::psnr(frame, expected);
        std::cout << "show frame at " << seconds << " s: " << measured << " dB" << std::endl;
        if (measured < minimumPsnr) {
            std::filesystem::create_directories(failures);
            const std::string stem = (failures / std::filesystem::path(reference).stem()).string();
            frame.writePng(stem + "-rendered.png");
            difference(frame, expected).writePng(stem + "-difference.png");
            ADD_FAILURE() << "the frame at " << seconds << " s is " << measured
                          << " dB from its reference; rendered and difference images in "
                          << failures.string();
        }
    }
}

} // namespace
