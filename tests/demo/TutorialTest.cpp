#include "ProgramRun.h"

#include "graphics/FrameImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The world the README's tutorial tells a maker to save, taken from the page as written.
std::string tutorialWorld() {
    std::ifstream readme("README.md");
    std::string line;
    while (std::getline(readme, line) &&
           line.find("Save this as `my/two-rooms.world`") == std::string::npos) {
    }
    while (std::getline(readme, line) && line.find("```xml") == std::string::npos) {
    }
    std::string world;
    while (std::getline(readme, line) && line.find("```") == std::string::npos) {
        // The block is indented under its list item.
        world += (line.rfind("   ", 0) == 0 ? line.substr(3) : line) + "\n";
    }
    return world;
}

// Mean red, green and blue of a captured frame.
std::array<double, 3> meanColour(const std::string& png) {
    const Zem::Graphics::FrameImage image = Zem::Graphics::FrameImage::readPng(png);
    const auto& data = image.data();
    std::array<double, 3> mean{};
    for (std::size_t i = 0; i < data.size(); ++i) {
        mean[i % 3] += data[i] / 255.0 / static_cast<double>(data.size() / 3);
    }
    return mean;
}

TEST(TutorialTest, TheReadmeWorldPlaysAsTheStepsSay) {
    const std::string world = tutorialWorld();
    ASSERT_NE(world.find("<ZEMWorld>"), std::string::npos) << "the tutorial's world is not found";
    ZemTest::TempDir dir;
    std::filesystem::create_directories(dir.file("my"));
    std::ofstream(dir.file("my/two-rooms.world")) << world;

    // One frame a second from the start to the script's exit, as step 5 takes them.
    const std::string shots = dir.file("shots");
    const DemoTest::ProgramRun run = DemoTest::ombrel(
        "--capture " + shots + " --fps 1 --size 320x240 " + dir.file("my/two-rooms.world"));
    const std::string said = run.output + run.errors;
    ASSERT_EQ(run.exitCode, 0) << said;
    for (const char* complaint :
         {"Unable to load", "Skipping", "No world", "not found", "ignored"}) {
        EXPECT_EQ(said.find(complaint), std::string::npos) << said;
    }
    // The exit at bar 12 of 120 beats a minute: 24 s.
    EXPECT_TRUE(std::filesystem::exists(shots + "/frame-000023.png"));
    EXPECT_FALSE(std::filesystem::exists(shots + "/frame-000024.png"));

    const auto hall = meanColour(shots + "/frame-000002.png");
    const auto vault = meanColour(shots + "/frame-000012.png");
    EXPECT_GT(hall[0] + hall[1] + hall[2], 0.3) << "lit";
    EXPECT_GT(vault[0] + vault[1] + vault[2], 0.3) << "lit";
    EXPECT_GT(hall[0], hall[2]) << "the warm hall at 2 s";
    EXPECT_GT(vault[2], vault[0]) << "the blue vault at 12 s, through the doorway";
}

} // namespace
