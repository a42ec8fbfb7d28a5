#include "graphics/FrameImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

struct Colour {
    double red = 0.0, green = 0.0, blue = 0.0;
    double brightness() const { return (red + green + blue) / 3.0; }
};

Colour meanColour(const Zem::Graphics::FrameImage& image) {
    Colour mean;
    const auto& data = image.data();
    const double pixels = static_cast<double>(data.size() / 3);
    for (std::size_t i = 0; i + 2 < data.size(); i += 3) {
        mean.red += data[i] / 255.0 / pixels;
        mean.green += data[i + 1] / 255.0 / pixels;
        mean.blue += data[i + 2] / 255.0 / pixels;
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
    const std::string out = dir.file("stdout");
    const std::string command = std::string(OMBREL_PROGRAM) + " --capture " + shots +
                                " --fps 1 --size 320x240 " + dir.file("my/two-rooms.world") + " >" +
                                out + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ZemTest::TempDir::readFile(out);
    const std::string said = ZemTest::TempDir::readFile(out);
    for (const char* complaint :
         {"Unable to load", "Skipping", "No world", "not found", "ignored"}) {
        EXPECT_EQ(said.find(complaint), std::string::npos) << said;
    }
    // The exit at bar 12 of 120 beats a minute: 24 s.
    EXPECT_TRUE(std::filesystem::exists(shots + "/frame-000023.png"));
    EXPECT_FALSE(std::filesystem::exists(shots + "/frame-000024.png"));

    const Colour hall = meanColour(Zem::Graphics::FrameImage::readPng(shots + "/frame-000002.png"));
    const Colour vault =
        meanColour(Zem::Graphics::FrameImage::readPng(shots + "/frame-000012.png"));
    EXPECT_GT(hall.brightness(), 0.1);
    EXPECT_GT(vault.brightness(), 0.1);
    EXPECT_GT(hall.red, hall.blue) << "the warm hall at 2 s";
    EXPECT_GT(vault.blue, vault.red) << "the blue vault at 12 s, through the doorway";
}

} // namespace
