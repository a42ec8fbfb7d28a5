#pragma once

#include <array>
#include <cstddef>

namespace Zem::App {

// How far ahead of the heard music a frame must be drawn to show the show as it stands while the
// frame is on screen. A turn of the engine's loop reads the clock just after the last frame went
// on screen and draws the next, which the following turn's swap puts on screen one frame
// interval later, where it stays for another interval: the lead is one and a half frame
// intervals, taken from the median of the last few so that one slow frame does not move it.
class PictureLead {
public:
    static constexpr std::size_t window = 9;

    // One turn ended at nowMs (steady milliseconds); the lead for the next frame's update.
    double turnEnded(double nowMs);
    double leadMs() const { return lead; }

private:
    std::array<double, window> intervals{};
    std::size_t count = 0;
    std::size_t next = 0;
    double lastTurnMs = 0.0;
    bool started = false;
    double lead = 0.0;
};

} // namespace Zem::App
