#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

// The picture's cuts matched with the heard beats they fall on.
namespace ZemBench {

// A line of the player's frame log.
struct LoggedFrame {
    double presentedMs = 0.0;
    int showMs = 0;
    std::string camera;
};

// The frames of a frame log ("<steady ms on screen> <show ms> <camera>" a line); comment lines
// and lines that do not read as a frame are left out.
std::vector<LoggedFrame> readFrameLog(std::istream& in);

// The first frame showing each new camera, in order: a cut. The first frame's camera is where
// the show starts, no cut.
std::vector<LoggedFrame> cutsIn(const std::vector<LoggedFrame>& frames);

// The times between frames going on screen; all 0 with fewer than two frames.
struct FrameIntervals {
    double medianMs = 0.0;
    double longestMs = 0.0;
    // Frames that stood more than twice the median.
    std::size_t slow = 0;
};

FrameIntervals frameIntervals(const std::vector<LoggedFrame>& frames);

// The heard clicks (steady ms, in order) placed on their beats: element k is the click of beat
// k + 1, or a negative number when none was heard. The first click heard is beat 1 and each next
// one is as many beats on as the time since the one before says, to the nearest beat: a sound
// that stalls delays a click without moving it to another beat, and a lost click leaves its
// beat empty. One heard within half a beat of the click before it is a stray and left out.
std::vector<double> clicksOnBeats(const std::vector<double>& heardMs, double beatMs,
                                  std::size_t beats);

struct OffsetSummary {
    double meanMs = 0.0;
    // The 95th percentile of the offsets' sizes.
    double p95Ms = 0.0;
    std::size_t count = 0;
};

OffsetSummary summarize(const std::vector<double>& offsetsMs);

} // namespace ZemBench
