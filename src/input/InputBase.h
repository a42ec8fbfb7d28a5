#pragma once

#include "main/Driver.h"

#include <array>
#include <memory>

namespace Zem::Input {

// Key, mouse-button and mouse-motion state that the game and the camera read directly. The
// platform drivers translate their events into the calls below.
class InputBase : public Main::Driver {
public:
    // The input driver of the platform the program was built for.
    static std::unique_ptr<InputBase> create();

    enum MouseButton { Left, Right, Middle, Extra1, Extra2, MouseButtonCount };

    // Codes outside 0..255 (keys without a virtual-key code) are ignored.
    void setKey(int virtualKey, bool down);
    void setMouseButton(int button, bool down);
    // A cursor position in window coordinates, measured from the centre of a window of the
    // given size.
    void setMousePosition(int x, int y, int windowWidth, int windowHeight);

    // Event-driven presses and releases: a key or button pressed and released between two
    // frames still reads as down for one frame, so a quick tap is never lost. Call
    // beginEvents before taking a frame's events.
    void beginEvents();
    void keyEvent(int virtualKey, bool down);
    void mouseButtonEvent(int button, bool down);

    // Indexed by Windows virtual-key code (see VirtualKeys.h): 1.0 from key-down to key-up.
    std::array<float, 256> keys{};
    // 1.0 while the button is down.
    std::array<float, MouseButtonCount> mouseButtons{};
    // How far the cursor was from the window centre at the last motion, in tenths of a pixel;
    // y grows downwards. Kept until the next motion.
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    // The user asked to close the window; the run ends as it does for Escape.
    bool closeRequested = false;

private:
    // Pressed during the events of this frame; a release of such a key waits for the next frame.
    std::array<bool, 256> keyPressedNow{};
    std::array<bool, 256> keyReleaseDue{};
    std::array<bool, MouseButtonCount> buttonPressedNow{};
    std::array<bool, MouseButtonCount> buttonReleaseDue{};
};

} // namespace Zem::Input
