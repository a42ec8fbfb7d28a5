#include "graphics/Display_sdl2.h"

#include "main/Engine.h"
#include "main/messageBox.h"
#include "main/report.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

#include <algorithm>
#include <vector>

namespace Zem::Graphics {

std::unique_ptr<DisplayBase> DisplayBase::create() {
    return std::make_unique<Display_sdl2>();
}

Display_sdl2::~Display_sdl2() {
    shutdown();
}

std::string Display_sdl2::info() const {
    return "SDL2 Display Driver";
}

void Display_sdl2::fail(const std::string& text) {
    // SDL's own reason goes to standard error beside the box, whose text stays as users know it.
    const std::string reason = SDL_GetError();
    shutdown();
    if (!reason.empty()) {
        Zem::Main::report(std::string("SDL: ") + reason);
    }
    Main::messageBox("ERROR", text, Main::MessageIcon::Exclamation);
}

bool Display_sdl2::init(const Resource::XmlNode& config) {
    readSettings(config);
    if (offscreen) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fail("Failed To Register The Window Class.");
        return false;
    }
    videoStarted = true;

    if (!openWindow()) {
        fail("Window Creation Error.");
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        fail("Can't Create A GL Rendering Context.");
        return false;
    }
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        fail("Can't Activate The GL Rendering Context.");
        return false;
    }

    SDL_RaiseWindow(window);
    SDL_ShowCursor(SDL_DISABLE);
    // Only honoured while the window has the focus; harmless where unsupported.
    SDL_CaptureMouse(SDL_TRUE);

    setViewport(width, height);
    reportExtensions();
    setInitialState();
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
    return true;
}

void Display_sdl2::setAttributes() const {
    // Minimum sizes, like a pixel format request: colour bits are spread over red, green and
    // blue with no alpha asked for.
    const int channelBits = std::clamp(bpp / 3, 1, 8);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthbpp);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilbpp);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, doublebuffer ? 1 : 0);
    // The renderer uses fixed-function state next to GLSL: never a core profile.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool Display_sdl2::openWindow() {
    setAttributes();
    window = SDL_CreateWindow("ZEM!", 0, 0, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (window == nullptr) {
        return false;
    }
    if (fullscreen) {
        tryFullscreen();
    }
    return true;
}

void Display_sdl2::tryFullscreen() {
    // Only an exact mode will do, as with a display-mode change; anything else keeps the
    // window at the requested client size, without a word. The desktop's own mode counts too:
    // some drivers (offscreen among them) list no modes at all.
    const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    std::vector<SDL_DisplayMode> candidates(1);
    if (SDL_GetDesktopDisplayMode(display, &candidates[0]) != 0) {
        candidates.clear();
    }
    const int modeCount = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < modeCount; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0) {
            candidates.push_back(mode);
        }
    }
    for (SDL_DisplayMode& mode : candidates) {
        const int modeBits = static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8;
        const bool matches = mode.w == width && mode.h == height &&
                             (modeBits == bpp || int(SDL_BITSPERPIXEL(mode.format)) == bpp);
        if (matches && SDL_SetWindowDisplayMode(window, &mode) == 0 &&
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) {
            return;
        }
    }
    SDL_SetWindowFullscreen(window, 0);
    fullscreen = false;
}

bool Display_sdl2::update(float) {
    swapBuffers();
    followWindowSize();
    return true;
}

// A window the user resized gets a viewport and a projection of its new size before the next
// frame; the passes size their targets after the display.
void Display_sdl2::followWindowSize() {
    if (window == nullptr || context == nullptr) {
        return;
    }
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    if (w > 0 && h > 0 && (w != width || h != height)) {
        setViewport(w, h);
    }
}

void Display_sdl2::swapBuffers() {
    if (window != nullptr && context != nullptr) {
        SDL_GL_SwapWindow(window);
        notePresented();
    }
}

void Display_sdl2::shutdown() {
    if (!videoStarted) {
        return;
    }
    if (fullscreen && window != nullptr) {
        SDL_SetWindowFullscreen(window, 0);
    }
    SDL_ShowCursor(SDL_ENABLE);
    SDL_CaptureMouse(SDL_FALSE);

    // Every handle is forgotten once released, so a second shutdown (the engine's, after a
    // failed init) has nothing left to release twice.
    if (context != nullptr) {
        if (SDL_GL_MakeCurrent(window, nullptr) != 0) {
            Main::messageBox("SHUTDOWN ERROR", "Release Of DC And RC Failed.",
                             Main::MessageIcon::Information);
        }
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted = false;
}

} // namespace Zem::Graphics
