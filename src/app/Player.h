#pragma once

#include "app/PlayerOptions.h"

namespace Zem::Main {
class Engine;
}
class Ombrel;

namespace Zem::App {

// The program around the show: builds the engine on the platform's drivers with the show as its
// game, then plays it (the maker's transport, live reload and frame stats around the engine's
// loop) or captures it, and shuts everything down.
class Player {
public:
    explicit Player(PlayerOptions options);

    // The program's exit code: 0, or 1 when a capture failed.
    int run();

private:
    void playLive(Main::Engine& engine, Ombrel& show) const;
    bool capture(Main::Engine& engine, Ombrel& show) const;

    PlayerOptions options;
};

} // namespace Zem::App
