#pragma once

#include "input/InputBase.h"
#include "input/Win32Messages.h"

#include <string>

namespace Zem::Graphics {
class Display_win32;
}

namespace Zem::Input {

// The program's message pump: records keys and mouse state from the display window's messages
// each frame, passes the rest to the window procedure, and puts the cursor back at the centre
// of the window.
class Input_win32 : public InputBase {
public:
    // Finds the "display" driver, which the engine has already initialised, and centres the
    // cursor. Never fails.
    bool init(const Resource::XmlNode& config) override;
    std::string info() const override;
    // Takes every pending message of the window; false once the window has been asked to close.
    bool update(float dt) override;

    // The display the offsets are measured in; null when there is none.
    Graphics::Display_win32* display = nullptr;

private:
    // False when the frame's pumping was ended early; the cursor then stays where it is.
    bool pumpWindowMessages();
    void takeQuitRequest();
    void centreCursor() const;

    Win32Messages messages{*this};
};

} // namespace Zem::Input
