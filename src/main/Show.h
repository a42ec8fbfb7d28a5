#pragma once

#include <cstdint>
#include <string>

namespace Zem::Graphics {
class RenderObserver;
}

namespace Zem::Main {

// What a player does with a show besides letting the engine run its frames: reads its clock,
// draws it, steps it unseen, moves it to another time, pauses it and rebuilds it from its files.
// The show's clock is the music as heard; every time here is in its milliseconds.
class Show {
public:
    virtual ~Show() = default;

    // Where the show stands; 0 without a script.
    virtual int32_t showTimeMs() const = 0;
    // The time at which the show ends by itself (its script's exit), or -1 when it has none.
    virtual int32_t endTimeMs() const = 0;
    // The show asked to end.
    virtual bool ended() const = 0;
    // Whether anything keeps the show's time (a script and its music); without, it stands at 0.
    virtual bool hasClock() const = 0;

    // Draws the frame as the world stands, without moving it.
    virtual void draw() = 0;
    // Moves the world on by dt seconds without drawing it.
    virtual void step(float dt) = 0;
    // Brings the world to where playing would have it at heardMs.
    virtual void seek(int32_t heardMs) = 0;
    // Paused, the picture stands still and the music and the script wait.
    virtual void setPaused(bool paused) = 0;
    virtual bool paused() const = 0;
    // Each frame is drawn as the show will stand leadMs after its update reads the clock: when
    // the frame is seen. 0 (the default) draws the show as it stands at the update.
    virtual void setPictureLeadMs(double leadMs) = 0;
    // The camera the next frame is drawn from; empty without one.
    virtual std::string cameraName() const = 0;
    // Builds the world again from the files on disk and brings it back to where it stood.
    virtual void reload() = 0;
    // Looks on at every frame drawn from now on; null stops it. Not owned.
    virtual void observeFrames(Graphics::RenderObserver* observer) = 0;
};

} // namespace Zem::Main
