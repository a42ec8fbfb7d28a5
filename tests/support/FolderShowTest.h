#pragma once

#include "demo/Ombrel.h"
#include "graphics/ShaderRegistry.h"
#include "resource/ResourceManager.h"
#include "support/DeferredScene.h"
#include "support/GLContext.h"
#include "support/StillShow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace ZemTest {

// Ombrel on still drivers and a data folder of its own that holds the shipped shaders; the
// display is the size of the test's GL window, 64 x 64.
class FolderShowTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        // Programs linked by earlier tests came from other folders.
        releasePassObjects();
        std::filesystem::create_directories(dir.file("data/textures"));
        std::filesystem::copy("data/shaders", dir.file("data/shaders"));
        show.display->width = 64;
        show.display->height = 64;
    }
    void TearDown() override {
        Zem::Resource::ResourceManager::instance().reset();
        releasePassObjects();
    }

    // Writes the file with a modification time `seconds` after the test's base time, so a save
    // is told apart without waiting for the file system's clock.
    void save(const std::string& name, const std::string& text, int seconds) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
        std::filesystem::last_write_time(dir.file(name), base + std::chrono::seconds(seconds));
    }

    TempDir dir;
    const std::filesystem::file_time_type base =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
};

} // namespace ZemTest
