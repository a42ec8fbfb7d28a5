#pragma once

#include "graphics/PassTimer.h"
#include "graphics/RenderObserver.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Zem::App {

// What a frame costs, for --stats: frames per second, frame time, GPU time of the G-buffer,
// light and HDR passes, and how many views and lights the frame drew. It reports once a second
// of wall time: cost is real time, whatever the show's clock says.
class FrameStats : public Zem::Graphics::RenderObserver {
public:
    // Milliseconds from any fixed point.
    using Clock = std::function<double()>;

    struct Report {
        double framesPerSecond = 0.0;
        double frameMs = 0.0;
        // G-buffer, lights, HDR; negative when the context cannot time them.
        std::array<double, Zem::Graphics::PassTimer::spanCount> passMs{-1.0, -1.0, -1.0};
        int views = 0;
        int lights = 0;
        double showSeconds = 0.0;
    };

    // The steady clock unless another is given. Needs the GL context for its timer queries.
    explicit FrameStats(Clock clock = Clock());

    void viewTreeReady(const Zem::Graphics::View& root) override;
    void passBegins(const Zem::Graphics::Shader& pass) override;
    void passEnds(const Zem::Graphics::Shader& pass) override;

    // After each frame drawn. True when a second has passed since the last report and a new
    // one is ready.
    bool frameDone(double showSeconds);
    const Report& report() const { return latest; }
    // The views and lights of the last frame drawn.
    int viewsDrawn() const { return views; }
    int lightsDrawn() const { return lights; }

    // "fps 59.8  frame 16.7 ms  gbuffer 4.1 ms  light 2.0 ms  hdr 3.2 ms  views 2  lights 5
    // show 12.34 s", on one line; a pass that cannot be timed shows "-".
    static std::string line(const Report& report);
    // The same, cut into short lines for the overlay.
    static std::vector<std::string> overlayLines(const Report& report);

private:
    Clock clock;
    Zem::Graphics::PassTimer timer;
    double periodStart = 0.0;
    int frames = 0;
    std::array<double, Zem::Graphics::PassTimer::spanCount> passSums{};
    std::array<int, Zem::Graphics::PassTimer::spanCount> passCounts{};
    int views = 0;
    int lights = 0;
    Report latest;
};

} // namespace Zem::App
