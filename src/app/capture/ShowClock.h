#pragma once

#include <cstdint>

namespace Zem::App {

// The show's time while capturing: one step per frame, whatever a frame costs to draw. A capture
// that starts late steps through the show from its beginning first (updating, not drawing), on
// the same step, so its first frame stands where a capture from the beginning would have it.
class ShowClock {
public:
    ShowClock(double framesPerSecond, double startSeconds);

    // Steps taken before the one whose state is the first frame: the start rounded up to steps.
    int64_t leadInSteps() const { return leadIn; }
    // The show time of the present step, in milliseconds; slightly negative at the first step
    // of a start that is not a whole number of frames.
    double timeMs() const { return stepTimeMs(stepIndex); }
    double stepTimeMs(int64_t step) const;
    void advance() { ++stepIndex; }
    int64_t step() const { return stepIndex; }
    // The show time of frame i: start + i / fps.
    double frameTimeMs(int64_t frame) const { return stepTimeMs(leadIn + frame); }
    double framesPerSecond() const { return fps; }

private:
    double fps;
    double startMs;
    int64_t leadIn;
    int64_t stepIndex = 0;
};

} // namespace Zem::App
