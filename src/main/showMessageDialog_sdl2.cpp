#include "main/showMessageDialog.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace Zem::Main {

namespace {

bool isHeadlessDriver(const char* name) {
    return name != nullptr &&
           (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

bool hasRealDisplay() {
    if (isHeadlessDriver(std::getenv("SDL_VIDEODRIVER"))) {
        return false;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return !isHeadlessDriver(SDL_GetCurrentVideoDriver());
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

Uint32 sdlFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Exclamation:
        return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::Information:
        return SDL_MESSAGEBOX_INFORMATION;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

} // namespace

void showMessageDialog(const std::string& caption, const std::string& text, MessageIcon icon) {
    if (hasRealDisplay()) {
        SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
    }
}

} // namespace Zem::Main
