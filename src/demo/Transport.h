#pragma once

#include <array>
#include <cstdint>

namespace Zem::Input {
class InputBase;
}

class Ombrel;

// The maker's controls over a playing show: start late, end early or loop, pause, and jump. A
// jump brings the world to where playing would have it: forward by stepping the show without
// drawing, backward by building the world again from its file and stepping from the start.
class Transport {
public:
    // Seconds of show time; a negative end plays to the script's "exit".
    Transport(Ombrel& game, double startSeconds, double endSeconds, bool loop);

    static constexpr int32_t jumpMs = 5000;
    // Fast-forward steps: the frame of a 60 Hz display.
    static constexpr double stepMs = 1000.0 / 60.0;

    // Once the world is loaded: goes to the start.
    void begin();
    // Space pauses and resumes, Left and Right jump back and forward, Home goes to the start.
    void handleKeys(const Zem::Input::InputBase& input);
    // After the frame's updates: at the end, loops to the start or says the run is over.
    bool goesOn();
    // Brings the show to heardMs of music time.
    void seek(int32_t heardMs);
    void setPaused(bool paused);
    bool paused() const { return isPaused; }
    // The script's clock, or 0 without a script.
    int32_t showTimeMs() const;

private:
    bool pressedNow(const Zem::Input::InputBase& input, int key);

    Ombrel& game;
    int32_t startMs;
    int32_t endMs;
    bool loop;
    bool isPaused = false;
    // The keys handled, as they were last frame, so holding one acts once.
    std::array<bool, 256> wasDown{};
};
