#pragma once

#include "main/Entity.h"
#include "main/Game.h"

#include <cstddef>
#include <functional>

namespace ZemTest {

// A game whose frames the test scripts: each update updates the entities in list order, then
// asks onFrame (given the frame's number, from 1) whether the run goes on; by default it goes on
// until the script asks for the exit.
class FrameGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float dt) override {
        for (std::size_t i = 0; i < entities.size(); ++i) {
            entities[i]->update(dt);
        }
        return onFrame(++frames);
    }
    bool shutdown() override { return true; }

    std::function<bool(int)> onFrame = [this](int) { return !exitRequested(); };
    int frames = 0;
};

} // namespace ZemTest
