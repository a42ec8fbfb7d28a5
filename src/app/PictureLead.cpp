#include "app/PictureLead.h"

#include <algorithm>

namespace Zem::App {

double PictureLead::turnEnded(double nowMs) {
    if (started) {
        intervals[next] = nowMs - lastTurnMs;
        next = (next + 1) % window;
        count = std::min(count + 1, window);
    }
    started = true;
    lastTurnMs = nowMs;
    // Until the window is full the first frames (programs built on first use) would skew it.
    if (count < window) {
        return lead;
    }
    std::array<double, window> sorted = intervals;
    std::nth_element(sorted.begin(), sorted.begin() + window / 2, sorted.end());
    const double interval = sorted[window / 2];
    // The show's time may slow down while the lead shrinks, never run back.
    lead = std::max(1.5 * interval, lead - 0.5 * interval);
    return lead;
}

} // namespace Zem::App
