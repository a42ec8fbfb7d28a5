#include "resource/FileWatcher.h"

#include "ResourceTestSupport.h"

#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// The watcher looks every 1000 ms of its own clock; a.glfp and b.bmp exist and have been looked
// at once.
class FileWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        touch("a.glfp", 0);
        touch("b.bmp", 0);
        look(both);
    }
    // Another save: the file's time is `seconds` past the start.
    void touch(const std::string& name, int seconds) {
        std::ofstream(dir.file(name)) << "saved";
        fs::last_write_time(dir.file(name), base + std::chrono::seconds(seconds));
    }
    void remove(const std::string& name) { fs::remove(dir.file(name)); }
    // The names among `names` reported changed, `advanceMs` after the last look.
    Paths look(const Paths& names, int64_t advanceMs = 1000) {
        now += advanceMs;
        Paths paths;
        for (const std::string& name : names) {
            paths.push_back(dir.file(name));
        }
        Paths changed = watcher.poll(paths);
        for (std::string& path : changed) {
            path = fs::path(path).filename().string();
        }
        return changed;
    }

    ZemTest::TempDir dir;
    const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(1);
    int64_t now = 0;
    Zem::Resource::FileWatcher watcher{[this] { return now; }, 1000};
    const Paths both = {"a.glfp", "b.bmp"};
};

TEST_F(FileWatcherTest, APathSeenTheFirstTimeIsOnlyNoted) {
    touch("c.obj", 5);
    EXPECT_EQ(look({"a.glfp", "b.bmp", "c.obj"}), Paths{});
}

TEST_F(FileWatcherTest, NoLookBeforeTheIntervalHasPassed) {
    touch("a.glfp", 5);
    EXPECT_EQ(look(both, 999), Paths{});
    EXPECT_EQ(look(both, 1), Paths{"a.glfp"});
}

TEST_F(FileWatcherTest, ChangedFilesComeInTheOrderGiven) {
    touch("b.bmp", 5);
    touch("a.glfp", 5);
    EXPECT_EQ(look(both), both);
}

TEST_F(FileWatcherTest, AChangeIsReportedOnce) {
    touch("a.glfp", 5);
    look(both);
    EXPECT_EQ(look(both), Paths{});
}

// A file restored from elsewhere is a change too.
TEST_F(FileWatcherTest, ATimeGoingBackIsAChange) {
    touch("a.glfp", -3);
    EXPECT_EQ(look(both), Paths{"a.glfp"});
}

TEST_F(FileWatcherTest, AFileGoneMissingIsNoChange) {
    remove("a.glfp");
    EXPECT_EQ(look(both), Paths{});
}

TEST_F(FileWatcherTest, AFileBackAsItWasIsNoChange) {
    remove("a.glfp");
    look(both);
    touch("a.glfp", 0);
    EXPECT_EQ(look(both), Paths{});
}

TEST_F(FileWatcherTest, AFileBackWithAnotherTimeIsAChange) {
    remove("a.glfp");
    look(both);
    touch("a.glfp", 9);
    EXPECT_EQ(look(both), Paths{"a.glfp"});
}

TEST_F(FileWatcherTest, APathGivenWhileMissingIsAChangeOnceTheFileAppears) {
    look({"a.glfp", "c.obj"});
    touch("c.obj", 9);
    EXPECT_EQ(look({"a.glfp", "c.obj"}), Paths{"c.obj"});
}

// Its time is only noted, as at a first look.
TEST_F(FileWatcherTest, APathNoLongerGivenIsSeenAfreshWhenItComesBack) {
    look({"b.bmp"});
    touch("a.glfp", 7);
    EXPECT_EQ(look(both), Paths{});
}

TEST_F(FileWatcherTest, APathGivenTwiceIsReportedOnce) {
    touch("a.glfp", 8);
    EXPECT_EQ(look({"a.glfp", "a.glfp"}), Paths{"a.glfp"});
}

} // namespace
