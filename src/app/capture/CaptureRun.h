#pragma once

#include "app/FrameLog.h"
#include "app/capture/CaptureOptions.h"
#include "app/capture/FrameWriter.h"
#include "app/capture/MusicTrack.h"
#include "app/capture/ShowClock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zem::Main {
class Show;
}

namespace Zem::App {

// Renders a show offline: the show's clock moves one frame at a time, whatever a frame costs to
// draw; each frame is drawn, read back and handed to the writer, with progress on the terminal.
// A capture that starts late steps through the show from its beginning first, unseen, on the same
// step, so its first frame stands where a capture from the beginning would have it.
class CaptureRun {
public:
    // Seconds of show time; a negative end takes the show's own end, else the music's.
    CaptureRun(CaptureOptions options, double startSeconds, double endSeconds,
               std::string musicPath);
    ~CaptureRun();

    // The show time of the present step: what the show's music must read for its script,
    // interpolators and effects to see exactly the time of the frame being made.
    double showTimeMs() const { return clock.timeMs(); }

    // Captures the show, loaded and standing at its start, from start to end; stopRequested
    // (asked after every step) ends it early as a failure. True when every frame was written, or
    // the show ended first and what it showed was written; otherwise error() says why.
    bool run(Main::Show& show, const std::function<bool()>& stopRequested);

    // Notes every frame written, at its show time, in the log; not owned.
    void logFramesTo(FrameLog* log) { frameLog = log; }

    long totalFrames() const { return frameCount; }
    long framesTaken() const { return taken; }
    const std::string& error() const { return why; }

private:
    // Settles the end (the options', else showEndMs when not negative, else the end of the
    // music) and opens the output.
    bool begin(int32_t showEndMs);
    // The frame the present step shows, or -1 while leading in.
    long frameOfStep() const;
    // Reads the finished picture back and writes it.
    bool takePicture();
    bool finish(bool showEnded);
    // Frames whose show time lies before endMs.
    long framesBefore(double endMs) const;
    void showProgress(bool force);
    bool fail(const std::string& reason);

    CaptureOptions wanted;
    double endSeconds;
    std::string musicPath;
    ShowClock clock;
    MusicTrack music;
    std::unique_ptr<FrameWriter> writer;
    long frameCount = 0;
    long taken = 0;
    bool failed = false;
    std::string why;
    std::chrono::steady_clock::time_point startedAt;
    std::chrono::steady_clock::time_point lastProgress;
    bool terminal = false;
    FrameLog* frameLog = nullptr;
};

} // namespace Zem::App
