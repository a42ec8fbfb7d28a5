#pragma once

#include "demo/Capture/CaptureSettings.h"
#include "demo/Capture/FrameWriter.h"
#include "demo/Capture/MusicTrack.h"
#include "demo/Capture/ShowClock.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace Capture {

// Renders the show offline: the show's clock moves one frame per picture, each finished picture
// is read back and handed to the writer, and progress is shown on the terminal. The demo asks
// it each frame whether a picture is due, gives it the drawn frame and lets it step the clock.
class CaptureSession {
public:
    explicit CaptureSession(CaptureSettings settings);
    ~CaptureSession();

    // The show time of the present step: what the music layer and the frame clock read.
    double showTimeMs() const { return clock.timeMs(); }
    const ShowClock& showClock() const { return clock; }
    const CaptureSettings& settings() const { return wanted; }

    // Once the world is loaded: settles the end (the settings', else the script's exit at
    // scriptExitMs when not negative, else the end of the music) and opens the output. False
    // with error() set when there is nothing to capture or the output cannot be written.
    bool begin(int32_t scriptExitMs);
    // True when the picture drawn now shows a frame of the capture (not while leading in).
    bool pictureDue() const;
    // Reads the finished picture back and writes it; false when writing failed.
    bool takePicture();
    // Moves the show on by one frame; false once every frame has been taken.
    bool advance();
    // Completes the output after the run: true when every frame was taken (or the script
    // ended the show first) and the output was written.
    bool finish(bool scriptEnded);

    long totalFrames() const { return frameCount; }
    long framesTaken() const { return taken; }
    const std::string& error() const { return why; }

private:
    // Frames whose show time lies before endMs.
    long framesBefore(double endMs) const;
    void showProgress(bool force);
    bool fail(const std::string& reason);

    CaptureSettings wanted;
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
};

} // namespace Capture
