#pragma once

#include <cstdint>

// The play position of one music stream, in milliseconds. Before play it reads 0. Without an
// audio device it runs with the steady clock from the moment of play. With a device, every
// block the device takes tells where the music really is; the position runs on with the steady
// clock and is steered toward that at a few percent of its speed, so blocks that come early,
// late or in bursts never make it jump by a block. It never goes back: the script delivers each
// event once and must see time move forward.
class MusicClock {
public:
    // Starts counting from 0 at nowMs.
    void start(double nowMs);
    bool started() const { return isStarted; }

    // The device took the frames [firstFrame, endFrame) at stampMs; sampleRate is frames per
    // second.
    void anchor(int64_t firstFrame, int64_t endFrame, double stampMs, int sampleRate);

    // The position at nowMs, truncated to whole milliseconds.
    int32_t positionMs(double nowMs);

private:
    // Where the device's blocks say the music is at nowMs.
    double devicePositionMs(double nowMs) const;
    double steeredPositionMs(double nowMs) const;

    bool isStarted = false;
    double startMs = 0.0;
    bool anchored = false;
    double anchorBeginMs = 0.0;
    double anchorEndMs = 0.0;
    double anchorStampMs = 0.0;
    double lastQueryMs = 0.0;
    double lastPositionMs = 0.0;
};
