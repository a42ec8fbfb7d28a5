#pragma once

#include "main/Game.h"

namespace ZemBench {

// A game with nothing of its own: it only stands as the current game, which entities and
// factories need while a benchmark builds and runs them.
class BenchGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

} // namespace ZemBench
