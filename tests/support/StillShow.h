#pragma once

#include "demo/Ombrel.h"
#include "main/Engine.h"
#include "support/FakeDrivers.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace ZemTest {

// Ombrel on drivers that do nothing, its files under `workingDir` (ending in "/").
class StillShow {
public:
    explicit StillShow(const std::string& workingDir) {
        engine.registerDriver("input", std::unique_ptr<StillInput>(input = new StillInput));
        engine.registerDriver("display", std::unique_ptr<StillDisplay>(display = new StillDisplay));
        engine.setWorkingDir(workingDir);
        game.engine = &engine;
        engine.setGame(&game);
    }

    Zem::Main::Engine engine;
    StillInput* input = nullptr;
    StillDisplay* display = nullptr;
    Ombrel game;
};

// A data/ folder in `dir` with the shipped files but a main.world of the test's own; called
// again, it replaces only the world.
inline void shippedDataWithWorld(const TempDir& dir, const std::string& world) {
    namespace fs = std::filesystem;
    const fs::path data = dir.file("data");
    fs::create_directories(data);
    for (const auto& entry : fs::directory_iterator(fs::absolute("data"))) {
        const fs::path link = data / entry.path().filename();
        if (entry.path().filename() == "main.world" || fs::exists(fs::symlink_status(link))) {
            continue;
        }
        std::error_code noLinks;
        fs::create_symlink(entry.path(), link, noLinks);
        if (noLinks) {
            // A system without symbolic links (Wine) gets copies.
            fs::copy(entry.path(), link, fs::copy_options::recursive);
        }
    }
    std::ofstream(data / "main.world", std::ios::binary) << world;
}

} // namespace ZemTest
