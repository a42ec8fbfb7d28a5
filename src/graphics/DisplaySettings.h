#pragma once

namespace Zem::Graphics {

// How a display driver opens its window: what its configuration's "resolution" element says,
// or what a player hands it directly.
struct DisplaySettings {
    int width = 640;
    int height = 480;
    int bpp = 32;
    bool fullscreen = false;
    int depthbpp = 24;
    int stencilbpp = 8;
    bool doublebuffer = true;
    // True waits for the display on every swap.
    bool vsync = false;
    // Draws without any window on screen (a capture).
    bool offscreen = false;
};

} // namespace Zem::Graphics
