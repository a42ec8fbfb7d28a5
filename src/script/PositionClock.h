#pragma once

#include "script/MusicClock.h"

#include <cstdint>

// The music clock of a device that says only how many frames it has played (the Windows wave
// output): no queue stands in front of what it reports, and the count moves in steps of the
// device's own period (20 or 40 ms), standing still in between. A count that has just moved was
// reached at some moment since the reading before, which still saw the old one: it is late by
// at most the time between the two readings, the allowance the music clock's underrun rule gets
// for it. A count that has not moved says nothing new. Between counts the clock runs on the
// steady clock, never back. A count that stands still for long while playing is a stalled device
// (a suspended sound server): the clock runs on without it, and once the count moves again the
// device is to play on from where the clock has got to.
class PositionClock {
public:
    // A count standing still for a second is a stall: a starved device (Wine's, on a busy machine)
    // can stand for most of one while its sound stalls too, and a restart then only adds a gap.
    explicit PositionClock(int sampleRate = 44100, double stallAfterMs = 1000.0)
        : rate(sampleRate), stallMs(stallAfterMs) {}
    void setRate(int sampleRate) { rate = sampleRate; }

    // As MusicClock's: play from heard time 0 (the device counting from music frame 0), a seek,
    // pause and resume. Each waits up to waitMs for the device's next count.
    void start(double nowMs, double waitMs);
    void seek(double nowMs, double heardMs, double waitMs);
    void pause(double nowMs);
    void resume(double nowMs, double waitMs);
    bool started() const { return clock.started(); }
    bool paused() const { return clock.paused(); }

    // The device plays on from music frame firstFrame, its count back at 0 (after a reset).
    void deviceRestarted(int64_t firstFrame, double nowMs);
    // The device's count of frames played since its last start, read at nowMs. True when the
    // device stalled and now goes on: it is to restart from frameToHand.
    bool countRead(int64_t playedFrames, double nowMs);

    // The music frame to hand a device restarted now, heard where the clock stands.
    int64_t frameToHand(double nowMs);
    double heardMs(double nowMs) { return clock.heardMs(nowMs); }

private:
    MusicClock clock;
    int rate;
    double stallMs;
    // The music frame the device's count starts from, the count last read and when.
    int64_t countOrigin = 0;
    int64_t lastCount = 0;
    double lastReadMs = 0.0;
    // When the count last moved, whether it has since the device started, and whether it stood
    // too long.
    double lastMoveMs = 0.0;
    bool counting = false;
    bool stalled = false;
};
