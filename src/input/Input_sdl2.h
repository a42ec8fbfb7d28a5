#pragma once

#include "input/InputBase.h"

#include <string>

namespace Zem::Graphics {
class DisplayBase;
}

namespace Zem::Input {

// The program's event pump: records keys and mouse state from SDL's queue each frame and puts
// the cursor back at the centre of the display's window.
class Input_sdl2 : public InputBase {
public:
    ~Input_sdl2() override;

    // Finds the "display" driver, which the engine has already initialised, and centres the
    // cursor. Never fails.
    bool init(const Resource::XmlNode& config) override;
    void shutdown() override;
    std::string info() const override;
    // Takes every pending event; false once the window has been asked to close.
    bool update(float dt) override;

    // The display the offsets are measured in; null when there is none.
    Graphics::DisplayBase* display = nullptr;

private:
    void centreCursor() const;

    bool eventsStarted = false;
};

} // namespace Zem::Input
