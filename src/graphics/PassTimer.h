#pragma once

#include <array>
#include <cstdint>

namespace Zem::Graphics {

// GPU time of a few spans of a frame (the render passes), measured with GL_TIME_ELAPSED
// queries. Each frame's answers are read a frame later, so the CPU never waits on the GPU for
// them. Without timer queries in the context it measures nothing.
class PassTimer {
public:
    static constexpr int spanCount = 3;

    PassTimer();
    PassTimer(const PassTimer&) = delete;
    PassTimer& operator=(const PassTimer&) = delete;
    ~PassTimer();

    // Whether the current context has GL_TIME_ELAPSED queries.
    static bool available();
    bool measuring() const { return enabled; }

    // Spans do not nest: one is open at a time.
    void begin(int span);
    void end();
    // Closes the frame: the previous frame's answers become the latest.
    void frameDone();
    // GPU milliseconds of the span in the latest frame answered; negative when unknown.
    double latestMs(int span) const { return latest[static_cast<std::size_t>(span)]; }

private:
    using Queries = std::array<uint32_t, spanCount>;

    bool enabled = false;
    // Two frames of queries: one being issued, one waiting to be read.
    std::array<Queries, 2> queries{};
    std::array<std::array<bool, spanCount>, 2> issued{};
    int frame = 0;
    int open = -1;
    std::array<double, spanCount> latest{-1.0, -1.0, -1.0};
};

} // namespace Zem::Graphics
