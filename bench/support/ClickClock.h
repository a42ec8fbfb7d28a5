#pragma once

#include <functional>
#include <string>
#include <vector>

// The script's clock read against a click track, the way a script master plays it: the part of
// the A/V sync measurement that runs wherever the music layer does (under Wine too).
namespace ZemBench {

struct ClockWatch {
    bool wentBack = false;
    // The largest amount by which the clock moved further than the steady time between two
    // readings, and the longest steady time it stood still after reaching the first click.
    double largestJumpMs = 0.0;
    double longestStandMs = 0.0;
};

// A transport to take during the run, in seconds after play (negative: never): a seek to the
// heard time seekToS, and a pause of pauseForS.
struct ClickTransport {
    double seekAtS = -1.0;
    double seekToS = 0.0;
    double pauseAtS = -1.0;
    double pauseForS = 1.0;
};

struct ClickClockRun {
    // Steady milliseconds at play, and at which the clock reached each click (-1: never).
    double playMs = 0.0;
    std::vector<double> reachedMs;
    ClockWatch watch;
};

// Plays the file through the platform's music layer exactly as a script master does (buffer
// size = offset, script clock = stream time + offset) and reads the clock every half millisecond
// for `seconds` and one more, taking the transport's steps. atPlay runs once the stream plays. A
// click reached again after a seek back keeps the later time.
ClickClockRun readClickClock(const std::string& path, int offsetMs, double seconds,
                             const std::vector<double>& clicksMs, const ClickTransport& transport,
                             const std::function<void()>& atPlay);

} // namespace ZemBench
