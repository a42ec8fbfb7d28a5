#pragma once

#include "main/Entity.h"
#include "main/Game.h"
#include "script/Music.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace ScriptTest {

// Updates its entities in list order and stops once the script asks it to.
class ScriptGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float dt) override {
        for (size_t i = 0; i < entities.size(); ++i) {
            entities[i]->update(dt);
        }
        return !exitRequested();
    }
    bool shutdown() override { return true; }
};

inline std::unique_ptr<Music> musicAt(const double* nowMs) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return Music::create([nowMs] { return *nowMs; });
}

template <typename Action> std::string printedBy(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

} // namespace ScriptTest
