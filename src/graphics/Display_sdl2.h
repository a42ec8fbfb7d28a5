#pragma once

#include "graphics/DisplayBase.h"

#include <string>

struct SDL_Window;

namespace Zem::Graphics {

// The program's one window with a compatibility-profile OpenGL context, through SDL2.
class Display_sdl2 : public DisplayBase {
public:
    ~Display_sdl2() override;

    // Opens the window and the context and sets up the projection and GL state. False after a
    // failure, which has been shown to the user.
    bool init(const Resource::XmlNode& config) override;
    // Releases whatever init created; safe to call again.
    void shutdown() override;
    std::string info() const override;
    // Presents the previous frame; the display never ends the main loop.
    bool update(float dt) override;
    void swapBuffers() override;

    SDL_Window* getWindow() const { return window; }

private:
    void setAttributes() const;
    bool openWindow();
    void tryFullscreen();
    void followWindowSize();
    // A start-up line for the log and standard output.
    // Releases what init created so far and shows the failure.
    void fail(const std::string& text);

    bool videoStarted = false;
    SDL_Window* window = nullptr;
    void* context = nullptr;
};

} // namespace Zem::Graphics
