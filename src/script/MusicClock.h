#pragma once

#include <cstdint>

// The music time being heard, in milliseconds, for one stream. Before play it reads 0. Without
// an audio device it runs with the steady clock from the moment of play (or of the last seek or
// resume). With a device, every block the device takes says where the music is: its first frame
// will be heard once the frames still waiting in front of it (the device's queue and latency)
// have played. A block can come late, never early, so the clock follows the earliest of the
// recent blocks' reports: jitter and bursts never move it. It never goes back (the script
// delivers each event once); only a seek can move it back.
class MusicClock {
public:
    // Runs from heard time 0 at nowMs, not paused; the device's earlier reports are forgotten.
    // Until the device reports (at most waitMs) it stands: nothing is heard before the device
    // plays, and a device slow to start must not leave the clock ahead of the music.
    void start(double nowMs, double waitMs = 0.0);
    bool started() const { return isStarted; }
    // Heard time heardMs at nowMs, paused or not as before, then waits for the device like
    // start; before start it only sets where the clock stands.
    void seek(double nowMs, double heardMs, double waitMs = 0.0);

    // The clock stands at its present time while paused and runs on from there, waiting for the
    // device like start.
    void pause(double nowMs);
    void resume(double nowMs, double waitMs = 0.0);
    bool paused() const { return isPaused; }

    // The device took the block starting at firstFrame at stampMs, with pendingFrames in front
    // of it not yet heard; sampleRate is frames per second.
    void deviceTook(int64_t firstFrame, int64_t pendingFrames, double stampMs, int sampleRate);
    // Drops the device's reports: after a stall, the clock runs on with the steady clock until
    // the device reports again.
    void forgetDevice();

    // The frame to hand the device at stampMs so that it is heard when the clock reaches it,
    // pendingFrames from now: how the music catches up with the clock after a seek, a pause or a
    // stall.
    int64_t frameToHand(double stampMs, int64_t pendingFrames, int sampleRate);

    // The heard time at nowMs; readings never go back (nowMs out of order included).
    double heardMs(double nowMs);

private:
    // Where the device's reports put the music at nowMs; false without recent reports.
    bool deviceHeardMs(double nowMs, double& heard) const;
    void waitForDevice(double nowMs, double waitMs);
    // True while the clock stands waiting for the device's first report.
    bool waiting(double nowMs) const;

    bool isStarted = false;
    bool isPaused = false;
    double lastQueryMs = 0.0;
    double lastHeardMs = 0.0;
    double waitUntilMs = 0.0;
    // The device's reports as heard time minus steady time, the best (largest: a late block
    // reports less) of two windows of a second each, by their stamps.
    bool anchored = false;
    double windowStartMs = 0.0;
    double currentBest = 0.0;
    double previousBest = 0.0;
    bool havePrevious = false;
};
