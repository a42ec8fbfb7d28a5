#pragma once

#include "graphics/DisplaySettings.h"
#include "main/Driver.h"

#include <memory>
#include <string>

namespace Zem::Graphics {

// The display settings every platform's display driver shares, read from the "resolution"
// element of the driver's configuration.
class DisplayBase : public Main::Driver {
public:
    // The display driver of the platform the program was built for.
    static std::unique_ptr<DisplayBase> create();

    // Presents the frame drawn since the last swap.
    virtual void swapBuffers() = 0;

    // When the last swap returned, in steady milliseconds (the clock of std::chrono's
    // steady_clock): the moment the frame drawn before it went on screen. 0 before the first.
    double presentedAtMs() const { return lastPresentedMs; }

    // Settings given before init, in place of the defaults; a configuration element read by
    // init still changes the keys it holds.
    void useSettings(const DisplaySettings& settings);
    DisplaySettings settings() const;

    // Client size in pixels; a height of 0 is stored as 1 once the viewport is set.
    int width = 640;
    int height = 480;
    int bpp = 32;
    bool fullscreen = false;
    int depthbpp = 24;
    int stencilbpp = 8;
    bool doublebuffer = true;
    // True waits for the display on every swap.
    bool vsync = false;
    // Draws without any window on screen (a capture): read from the driver's "offscreen"
    // element, beside "resolution", when there is one.
    bool offscreen = false;

protected:
    // Reads the settings; without a "resolution" element every default stays.
    void readSettings(const Resource::XmlNode& config);

    // What every platform does once its context is current: the viewport and the projection
    // (80 degrees of vertical field of view, the width following the window), the GL report,
    // and the state the renderer starts from.
    void setViewport(int w, int h);
    void reportExtensions();
    void setInitialState() const;
    // To the engine's log and standard output, or standard output alone without an engine.
    void say(const std::string& text) const;
    // Every platform's swap calls it once the swap has returned.
    void notePresented();

private:
    double lastPresentedMs = 0.0;
};

} // namespace Zem::Graphics
