#include "app/findShippedData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using Zem::App::findShippedData;

// A folder with a program folder "bin" in it, and data/ folders as the test makes them.
class FindShippedDataTest : public ::testing::Test {
protected:
    void makeData(const std::string& folder) {
        std::filesystem::create_directories(dir.file(folder));
        std::ofstream(dir.file(folder + "/main.world")) << "<ZEMWorld/>";
    }

    ZemTest::TempDir dir;
    const std::string program = dir.file("bin/");
};

// An unpacked release: the program and data/ side by side.
TEST_F(FindShippedDataTest, TheDataInTheProgramsOwnFolderComesFirst) {
    makeData("bin/data");
    makeData("data");
    EXPECT_EQ(findShippedData(program), dir.file("bin/data/"));
}

// A build folder inside the source tree.
TEST_F(FindShippedDataTest, ElseTheDataBesideTheProgramsFolder) {
    makeData("data");
    EXPECT_EQ(findShippedData(program), dir.file("data/"));
}

TEST_F(FindShippedDataTest, AFolderWithoutAMainWorldIsNoShippedData) {
    std::filesystem::create_directories(dir.file("bin/data"));
    EXPECT_EQ(findShippedData(program), "");
}

} // namespace
