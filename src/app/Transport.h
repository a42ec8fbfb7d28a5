#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace Zem::Input {
class InputBase;
}
namespace Zem::Main {
class Show;
}

namespace Zem::App {

// The maker's controls over a playing show: start late, end early or loop, pause, and jump.
class Transport {
public:
    // Steady milliseconds.
    using Clock = std::function<double()>;

    // Seconds of show time; a negative end plays to the script's "exit". A show that keeps no
    // time of its own is timed by the clock from begin on, so its end still comes.
    Transport(Main::Show& show, double startSeconds, double endSeconds, bool loop,
              Clock clock = {});

    static constexpr int32_t jumpMs = 5000;

    // Once the world is loaded: goes to the start.
    void begin();
    // Where the show stands: its own time, or the time played since begin when it has none.
    int32_t nowMs() const;
    // Space pauses and resumes, Left and Right jump back and forward, Home goes to the start.
    void handleKeys(const Input::InputBase& input);
    // After the frame's updates: at the end, loops to the start or says the run is over.
    bool goesOn();

private:
    bool pressedNow(const Input::InputBase& input, int key);

    Main::Show& show;
    int32_t startMs;
    int32_t endMs;
    bool loop;
    Clock clock;
    double beganAtMs = 0.0;
    // The keys handled, as they were last frame, so holding one acts once.
    std::array<bool, 256> wasDown{};
};

} // namespace Zem::App
