#include "app/capture/CaptureRun.h"

#include "app/capture/ThreadedFrameWriter.h"
#include "app/stderrIsTerminal.h"
#include "graphics/FrameImage.h"
#include "main/Show.h"
#include "main/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Zem::App {

namespace {

std::string clockText(double seconds) {
    const long whole = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

CaptureRun::CaptureRun(CaptureOptions options, double startSeconds, double end, std::string music)
    : wanted(std::move(options)), endSeconds(end), musicPath(std::move(music)),
      clock(wanted.fps, startSeconds) {}

CaptureRun::~CaptureRun() {
    if (writer) {
        writer->abort();
    }
}

long CaptureRun::framesBefore(double endMs) const {
    // The music clock reads whole milliseconds: a frame belongs to the capture when its
    // millisecond comes before the end. Estimated, then settled exactly.
    const double span = (endMs - clock.frameTimeMs(0)) * clock.framesPerSecond() / 1000.0;
    long count = std::max(0L, static_cast<long>(std::ceil(span)) - 2);
    while (std::floor(clock.frameTimeMs(count)) < endMs) {
        ++count;
    }
    return count;
}

bool CaptureRun::run(Main::Show& show, const std::function<bool()>& stopRequested) {
    if (!begin(show.endTimeMs())) {
        return false;
    }
    // The frame step in whole milliseconds, as the engine's loop measures its frames.
    auto previousMs = static_cast<int64_t>(std::floor(clock.timeMs()));
    for (;;) {
        const auto nowMs = static_cast<int64_t>(std::floor(clock.timeMs()));
        show.step(static_cast<float>(static_cast<double>(nowMs - previousMs) * 0.001));
        previousMs = nowMs;
        if (show.ended() || stopRequested()) {
            break;
        }
        if (frameOfStep() >= 0) {
            show.draw();
            if (frameLog != nullptr) {
                frameLog->drawn(show.showTimeMs(), show.cameraName());
                frameLog->presented(clock.timeMs());
            }
            if (!takePicture() || taken == frameCount) {
                break;
            }
        }
        clock.advance();
    }
    return finish(show.ended());
}

bool CaptureRun::begin(int32_t showEndMs) {
    music = MusicTrack::decode(musicPath);
    double endMs = endSeconds * 1000.0;
    if (endSeconds < 0.0) {
        if (showEndMs >= 0) {
            endMs = showEndMs;
        } else if (!music.empty()) {
            endMs = music.lengthMs();
        } else {
            return fail("the show has no \"exit\" and no music to end it: give --end");
        }
    }
    frameCount = framesBefore(endMs);
    if (frameCount <= 0) {
        return fail("nothing to capture: the show ends before --start");
    }
    if (!music.empty() || musicPath.empty()) {
        // Nothing to say: the music is there, or none was asked for.
    } else {
        Main::report("Capture: " + music.error() + "; the capture is silent");
    }
    writer = std::make_unique<ThreadedFrameWriter>(
        FrameWriter::forOutput(wanted.output, wanted.width, wanted.height));
    if (!writer->open(music, clock.frameTimeMs(0), frameCount, wanted.fps)) {
        const std::string reason = writer->error();
        writer.reset();
        return fail(reason);
    }
    terminal = stderrIsTerminal();
    startedAt = std::chrono::steady_clock::now();
    lastProgress = startedAt;
    return true;
}

long CaptureRun::frameOfStep() const {
    const int64_t frame = clock.step() - clock.leadInSteps();
    return frame >= 0 && frame < frameCount ? static_cast<long>(frame) : -1;
}

bool CaptureRun::takePicture() {
    const int factor = wanted.supersample;
    auto frame = Zem::Graphics::FrameImage::readFramebuffer(0, 0, wanted.width * factor,
                                                            wanted.height * factor);
    if (factor > 1) {
        frame = frame.shrunk(factor);
    }
    if (!writer->write(frame)) {
        return fail(writer->error());
    }
    ++taken;
    showProgress(taken == frameCount);
    return true;
}

bool CaptureRun::finish(bool showEnded) {
    if (writer == nullptr) {
        return false;
    }
    if (failed || (taken < frameCount && !showEnded)) {
        writer->abort();
        writer.reset();
        return fail(failed ? why : "the capture was interrupted");
    }
    if (!writer->finish()) {
        const std::string reason = writer->error();
        writer.reset();
        return fail(reason);
    }
    writer.reset();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt).count();
    char summary[192];
    char supersampled[48] = "";
    if (wanted.supersample > 1) {
        std::snprintf(supersampled, sizeof supersampled, ", supersampled %d x %d",
                      wanted.supersample, wanted.supersample);
    }
    std::snprintf(summary, sizeof summary,
                  "Captured %ld frames (%.2f s of show at %g fps, %dx%d%s) to ", taken,
                  static_cast<double>(taken) / wanted.fps, wanted.fps, wanted.width, wanted.height,
                  supersampled);
    char rate[64];
    std::snprintf(rate, sizeof rate, " in %s, %.1f frames/s", clockText(seconds).c_str(),
                  seconds > 0.0 ? taken / seconds : 0.0);
    Main::report(summary + wanted.output + rate);
    return true;
}

void CaptureRun::showProgress(bool force) {
    const auto now = std::chrono::steady_clock::now();
    const double sinceLast = std::chrono::duration<double>(now - lastProgress).count();
    // A terminal gets an updating line; a log file a line now and then.
    if (!force && sinceLast < (terminal ? 0.25 : 10.0)) {
        return;
    }
    lastProgress = now;
    const double elapsed = std::chrono::duration<double>(now - startedAt).count();
    const double rate = elapsed > 0.0 ? taken / elapsed : 0.0;
    const double left = rate > 0.0 ? (frameCount - taken) / rate : 0.0;
    std::fprintf(stderr, "%sframe %ld/%ld  show %.2f s  %.1f frames/s  %s left%s",
                 terminal ? "\r" : "", taken, frameCount, clock.frameTimeMs(taken - 1) / 1000.0,
                 rate, clockText(left).c_str(), terminal ? "   " : "\n");
    if (terminal && force) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

bool CaptureRun::fail(const std::string& reason) {
    failed = true;
    if (why.empty()) {
        why = reason;
    }
    return false;
}

} // namespace Zem::App
