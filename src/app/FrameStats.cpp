#include "app/FrameStats.h"

#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"

#include "main/steadyMs.h"

#include <cstdio>

namespace Zem::App {

using Zem::Graphics::PassTimer;

namespace {

// The timer span of a pass: G-buffer, lights, HDR; -1 for any other.
int spanOf(const Zem::Graphics::Shader& pass) {
    switch (pass.id) {
    case Zem::Graphics::GBufferShader::passId:
        return 0;
    case Zem::Graphics::LightShader::passId:
        return 1;
    case Zem::Graphics::HDRShader::passId:
        return 2;
    default:
        return -1;
    }
}

void countTree(const Zem::Graphics::View& view, int& views, int& lights) {
    ++views;
    const Zem::Graphics::Shader* lightPass =
        Zem::Graphics::ShaderRegistry::findPass(view.passes, Zem::Graphics::LightShader::passId);
    if (lightPass != nullptr) {
        lights += static_cast<int>(lightPass->queue.size());
    }
    for (int32_t i = 0; i < view.childCount; ++i) {
        countTree(view.children[static_cast<std::size_t>(i)], views, lights);
    }
}

std::string formatMs(double ms) {
    if (ms < 0.0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

} // namespace

FrameStats::FrameStats(Clock clock)
    : clock(clock ? std::move(clock) : Clock(&Zem::Main::steadyMs)) {
    periodStart = this->clock();
}

void FrameStats::viewTreeReady(const Zem::Graphics::View& root) {
    views = 0;
    lights = 0;
    countTree(root, views, lights);
}

void FrameStats::passBegins(const Zem::Graphics::Shader& pass) {
    timer.begin(spanOf(pass));
}

void FrameStats::passEnds(const Zem::Graphics::Shader& pass) {
    if (spanOf(pass) >= 0) {
        timer.end();
    }
}

bool FrameStats::frameDone(double showSeconds) {
    ++frames;
    timer.frameDone();
    for (std::size_t span = 0; span < passSums.size(); ++span) {
        const double ms = timer.latestMs(static_cast<int>(span));
        if (ms >= 0.0) {
            passSums[span] += ms;
            ++passCounts[span];
        }
    }
    const double now = clock();
    const double elapsed = now - periodStart;
    if (elapsed < 1000.0) {
        return false;
    }
    latest.framesPerSecond = frames * 1000.0 / elapsed;
    latest.frameMs = elapsed / frames;
    for (std::size_t span = 0; span < passSums.size(); ++span) {
        latest.passMs[span] = passCounts[span] > 0 ? passSums[span] / passCounts[span] : -1.0;
    }
    latest.views = views;
    latest.lights = lights;
    latest.showSeconds = showSeconds;
    periodStart = now;
    frames = 0;
    passSums = {};
    passCounts = {};
    return true;
}

std::string FrameStats::line(const Report& report) {
    char head[96];
    std::snprintf(head, sizeof head, "fps %.1f  frame %.1f ms  ", report.framesPerSecond,
                  report.frameMs);
    char tail[96];
    std::snprintf(tail, sizeof tail, "  views %d  lights %d  show %.2f s", report.views,
                  report.lights, report.showSeconds);
    return std::string(head) + "gbuffer " + formatMs(report.passMs[0]) + "  light " +
           formatMs(report.passMs[1]) + "  hdr " + formatMs(report.passMs[2]) + tail;
}

std::vector<std::string> FrameStats::overlayLines(const Report& report) {
    char text[4][64];
    std::snprintf(text[0], sizeof text[0], "%.1f FPS  %.1f MS", report.framesPerSecond,
                  report.frameMs);
    std::snprintf(text[1], sizeof text[1], "GBUF %s  LIGHT %s  HDR %s",
                  formatMs(report.passMs[0]).c_str(), formatMs(report.passMs[1]).c_str(),
                  formatMs(report.passMs[2]).c_str());
    std::snprintf(text[2], sizeof text[2], "VIEWS %d  LIGHTS %d", report.views, report.lights);
    std::snprintf(text[3], sizeof text[3], "SHOW %.2f S", report.showSeconds);
    return {text[0], text[1], text[2], text[3]};
}

} // namespace Zem::App
