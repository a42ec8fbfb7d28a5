#include "app/capture/ShowClock.h"

#include <cmath>

namespace Zem::App {

ShowClock::ShowClock(double framesPerSecond, double startSeconds)
    : fps(framesPerSecond), startMs(startSeconds * 1000.0),
      // A hair under, so a start that is a whole number of frames needs no extra step.
      leadIn(static_cast<int64_t>(std::ceil(startSeconds * framesPerSecond - 1e-9))) {}

double ShowClock::stepTimeMs(int64_t step) const {
    return startMs + static_cast<double>(step - leadIn) * 1000.0 / fps;
}

} // namespace Zem::App
