#include "demo/Capture/CaptureSession.h"

#include "graphics/FrameImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace Capture {

namespace {

std::string clockText(double seconds) {
    const long whole = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

CaptureSession::CaptureSession(CaptureSettings settings)
    : wanted(std::move(settings)), clock(wanted.fps, wanted.startSeconds) {}

CaptureSession::~CaptureSession() {
    if (writer) {
        writer->abort();
    }
}

long CaptureSession::framesBefore(double endMs) const {
    // The music clock reads whole milliseconds: a frame belongs to the capture when its
    // millisecond comes before the end. Estimated, then settled exactly.
    const double span = (endMs - clock.frameTimeMs(0)) * clock.framesPerSecond() / 1000.0;
    long count = std::max(0L, static_cast<long>(std::ceil(span)) - 2);
    while (std::floor(clock.frameTimeMs(count)) < endMs) {
        ++count;
    }
    return count;
}

bool CaptureSession::begin(int32_t scriptExitMs) {
    music = MusicTrack::decode(wanted.musicPath);
    double endMs = wanted.endSeconds * 1000.0;
    if (wanted.endSeconds < 0.0) {
        if (scriptExitMs >= 0) {
            endMs = scriptExitMs;
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
    if (!music.empty() || wanted.musicPath.empty()) {
        // Nothing to say: the music is there, or none was asked for.
    } else {
        std::fprintf(stderr, "Capture: %s; the capture is silent\n", music.error().c_str());
    }
    writer = FrameWriter::forOutput(wanted.output, wanted.width, wanted.height);
    if (!writer->open(music, clock.frameTimeMs(0), frameCount, wanted.fps)) {
        const std::string reason = writer->error();
        writer.reset();
        return fail(reason);
    }
    terminal = isatty(STDERR_FILENO) != 0;
    startedAt = std::chrono::steady_clock::now();
    lastProgress = startedAt;
    return true;
}

bool CaptureSession::pictureDue() const {
    // The picture drawn at step s shows the state the previous step's update left.
    const int64_t frame = clock.step() - 1 - clock.leadInSteps();
    return writer != nullptr && !failed && frame >= 0 && frame < frameCount;
}

bool CaptureSession::takePicture() {
    if (!pictureDue()) {
        return !failed;
    }
    const auto frame =
        Zem::Graphics::FrameImage::readFramebuffer(0, 0, wanted.width, wanted.height);
    if (!writer->write(frame)) {
        return fail(writer->error());
    }
    ++taken;
    showProgress(taken == frameCount);
    return true;
}

bool CaptureSession::advance() {
    clock.advance();
    return !failed && taken < frameCount;
}

bool CaptureSession::finish(bool scriptEnded) {
    if (writer == nullptr) {
        return false;
    }
    if (failed || (taken < frameCount && !scriptEnded)) {
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
    std::fprintf(stderr,
                 "Captured %ld frames (%.2f s of show at %g fps, %dx%d) to %s in %s, "
                 "%.1f frames/s\n",
                 taken, static_cast<double>(taken) / wanted.fps, wanted.fps, wanted.width,
                 wanted.height, wanted.output.c_str(), clockText(seconds).c_str(),
                 seconds > 0.0 ? taken / seconds : 0.0);
    return true;
}

void CaptureSession::showProgress(bool force) {
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

bool CaptureSession::fail(const std::string& reason) {
    failed = true;
    if (why.empty()) {
        why = reason;
    }
    return false;
}

} // namespace Capture
