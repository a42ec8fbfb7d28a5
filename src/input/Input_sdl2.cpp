#include "input/Input_sdl2.h"

#include "graphics/Display_sdl2.h"
#include "input/VirtualKeys.h"
#include "main/Engine.h"

#include <SDL.h>

namespace Zem::Input {

std::unique_ptr<InputBase> InputBase::create() {
    return std::make_unique<Input_sdl2>();
}

namespace {

int buttonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return InputBase::Left;
    case SDL_BUTTON_RIGHT:
        return InputBase::Right;
    case SDL_BUTTON_MIDDLE:
        return InputBase::Middle;
    case SDL_BUTTON_X1:
        return InputBase::Extra1;
    case SDL_BUTTON_X2:
        return InputBase::Extra2;
    default:
        return -1;
    }
}

} // namespace

Input_sdl2::~Input_sdl2() {
    shutdown();
}

std::string Input_sdl2::info() const {
    return "SDL2 Input Driver";
}

bool Input_sdl2::init(const Resource::XmlNode&) {
    // The event queue must exist even when the display failed to open, so the pump and the
    // close request keep working.
    if (!eventsStarted && SDL_InitSubSystem(SDL_INIT_EVENTS) == 0) {
        eventsStarted = true;
    }
    if (engine != nullptr) {
        display = dynamic_cast<Graphics::DisplayBase*>(engine->driver("display"));
    }
    centreCursor();
    return true;
}

void Input_sdl2::shutdown() {
    if (eventsStarted) {
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        eventsStarted = false;
    }
}

bool Input_sdl2::update(float) {
    beginEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            keyEvent(virtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode),
                     event.type == SDL_KEYDOWN);
            break;
        case SDL_MOUSEMOTION:
            if (display != nullptr) {
                setMousePosition(event.motion.x, event.motion.y, display->width, display->height);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            mouseButtonEvent(buttonIndex(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            break;
        case SDL_QUIT:
            closeRequested = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                closeRequested = true;
            }
            break;
        default:
            break;
        }
    }
    centreCursor();
    return !closeRequested;
}

void Input_sdl2::centreCursor() const {
    auto* sdlDisplay = dynamic_cast<Graphics::Display_sdl2*>(display);
    if (sdlDisplay == nullptr || sdlDisplay->getWindow() == nullptr) {
        return;
    }
    // The motion this produces reports the centre, so the offsets fall back to (0, 0) unless
    // the mouse really moves.
    SDL_WarpMouseInWindow(sdlDisplay->getWindow(), display->width >> 1, display->height >> 1);
}

} // namespace Zem::Input
