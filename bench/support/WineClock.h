#pragma once

#include <ctime>

// Wine's steady clock (QueryPerformanceCounter, and std::chrono::steady_clock in a Windows
// program) is Linux's raw monotonic clock; this side's steady clock is the monotonic clock, which
// the system slews. The difference is taken when the program starts and when it has ended, and
// followed in between.
namespace ZemBench {

class WineClock {
public:
    WineClock() : rawAtStart(now(CLOCK_MONOTONIC_RAW)) {
        shiftAtStart = now(CLOCK_MONOTONIC) - rawAtStart;
        rawAtEnd = rawAtStart;
        shiftAtEnd = shiftAtStart;
    }
    // The program has ended: the difference is taken again.
    void end() {
        rawAtEnd = now(CLOCK_MONOTONIC_RAW);
        shiftAtEnd = now(CLOCK_MONOTONIC) - rawAtEnd;
    }
    // A time of the Windows program's steady clock in this side's steady milliseconds.
    double steadyMs(double wineMs) const {
        const double span = rawAtEnd - rawAtStart;
        const double along = span > 0.0 ? (wineMs - rawAtStart) / span : 0.0;
        return wineMs + shiftAtStart + along * (shiftAtEnd - shiftAtStart);
    }

private:
    static double now(clockid_t id) {
        timespec time{};
        clock_gettime(id, &time);
        return time.tv_sec * 1000.0 + time.tv_nsec / 1e6;
    }

    double rawAtStart;
    double shiftAtStart = 0.0;
    double rawAtEnd = 0.0;
    double shiftAtEnd = 0.0;
};

} // namespace ZemBench
