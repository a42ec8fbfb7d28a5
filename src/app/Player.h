#pragma once

#include "app/PlayerOptions.h"

#include <string>

namespace Zem::Main {
class Engine;
}
class Ombrel;

namespace Zem::App {

// The program around the show: builds the engine on the platform's drivers with the show as its
// game, then plays it (the maker's transport, live reload and frame stats around the engine's
// loop), captures it or checks its world, and shuts everything down.
class Player {
public:
    // The data folders are settled here: --data, and the shipped data beside the program.
    explicit Player(PlayerOptions options);

    // The program's exit code: 0; 1 when a capture failed or a check found mistakes; 2 when
    // --start lies past the show's end.
    int run();

private:
    int playLive(Main::Engine& engine, Ombrel& show) const;
    int capture(Main::Engine& engine, Ombrel& show) const;
    // Reads the world without playing it and lists its mistakes on standard output.
    int check() const;
    // The show's own end in seconds: its script's exit, else the end of its music; negative
    // when it has neither.
    double showEndSeconds(const Ombrel& show) const;
    // Says so when --start lies at or past the show's end.
    bool startsPastTheEnd(double endSeconds) const;

    // Where the world name was found, for messages; the name when it was not.
    std::string worldLabel() const;
    void sayWhenTheShippedDataIsMissing() const;

    PlayerOptions options;
    bool shippedDataFound = false;
};

} // namespace Zem::App
