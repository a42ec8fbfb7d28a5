// The playing half of AvSyncBench as a program of its own, for a music layer that runs elsewhere
// than the recorder: the Windows build under Wine. Plays the click track through the platform's
// music layer as a script master does and prints, in its own steady milliseconds, when the
// script's clock reached each click; AvSyncBench --windows-player runs it and does the rest.

#include "support/ClickClock.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(stderr, "usage: AvSyncPlayer FILE OFFSET_MS SECONDS SEEK_AT SEEK_TO PAUSE_AT "
                             "PAUSE_FOR [CLICK_MS...]\n"
                             "Prints \"play T\", then \"reached K T\" for every click the clock\n"
                             "reached (T in steady ms), then \"watch BACK JUMP STAND\".\n");
        return 2;
    }
    ZemBench::ClickTransport transport;
    double* const steps[] = {&transport.seekAtS, &transport.seekToS, &transport.pauseAtS,
                             &transport.pauseForS};
    for (int i = 0; i < 4; ++i) {
        *steps[i] = std::strtod(argv[4 + i], nullptr);
    }
    std::vector<double> clicks;
    for (int i = 8; i < argc; ++i) {
        clicks.push_back(std::strtod(argv[i], nullptr));
    }
    const ZemBench::ClickClockRun run = ZemBench::readClickClock(
        argv[1], std::atoi(argv[2]), std::strtod(argv[3], nullptr), clicks, transport, nullptr);
    std::printf("play %.3f\n", run.playMs);
    for (size_t k = 0; k < run.reachedMs.size(); ++k) {
        std::printf("reached %zu %.3f\n", k, run.reachedMs[k]);
    }
    std::printf("watch %d %.3f %.3f\n", run.watch.wentBack ? 1 : 0, run.watch.largestJumpMs,
                run.watch.longestStandMs);
    return 0;
}
