#include "resource/FileWatcher.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

class FileWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.glfp", "b.bmp"}) {
            std::ofstream(dir.file(name)) << name;
            fs::last_write_time(dir.file(name), base);
        }
    }
    // Another save: the file's time moves on by `seconds`.
    void touch(const std::string& name, int seconds) {
        std::ofstream(dir.file(name)) << "saved";
        fs::last_write_time(dir.file(name), base + std::chrono::seconds(seconds));
    }
    Paths look(int64_t advanceMs, const Paths& names) {
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
};

TEST_F(FileWatcherTest, ReportsChangedTimesAtMostOncePerInterval) {
    EXPECT_EQ(look(0, {"a.glfp", "b.bmp"}), Paths{}) << "the first look only notes the times";
    touch("b.bmp", 5);
    touch("a.glfp", 5);
    EXPECT_EQ(look(999, {"a.glfp", "b.bmp"}), Paths{}) << "too soon";
    EXPECT_EQ(look(1, {"a.glfp", "b.bmp"}), (Paths{"a.glfp", "b.bmp"}));
    EXPECT_EQ(look(1000, {"a.glfp", "b.bmp"}), Paths{}) << "reported once";
    // The time going back counts too: a file restored from elsewhere is a change.
    touch("a.glfp", 2);
    EXPECT_EQ(look(5000, {"a.glfp", "b.bmp"}), Paths{"a.glfp"});
}

TEST_F(FileWatcherTest, MissingFilesAreAChangeOnlyWhenBackDifferentAndDroppedPathsForgotten) {
    look(0, {"a.glfp", "b.bmp", "c.obj"});
    fs::remove(dir.file("a.glfp"));
    EXPECT_EQ(look(1000, {"a.glfp", "b.bmp", "c.obj"}), Paths{});
    // Back as it was: nothing to reload.
    touch("a.glfp", 0);
    EXPECT_EQ(look(1000, {"a.glfp", "b.bmp", "c.obj"}), Paths{});
    fs::remove(dir.file("a.glfp"));
    look(1000, {"a.glfp", "b.bmp", "c.obj"});
    touch("a.glfp", 9);
    // A path given while missing is a change once the file appears.
    touch("c.obj", 9);
    EXPECT_EQ(look(1000, {"a.glfp", "b.bmp", "c.obj"}), (Paths{"a.glfp", "c.obj"}));

    // A path no longer given is seen afresh when it comes back: its time is only noted.
    look(1000, {"b.bmp"});
    touch("a.glfp", 7);
    EXPECT_EQ(look(1000, {"a.glfp", "b.bmp"}), Paths{});
    touch("a.glfp", 8);
    EXPECT_EQ(look(1000, {"a.glfp", "a.glfp"}), Paths{"a.glfp"}) << "one report per path";
}

} // namespace
