#include "input/InputBase.h"

namespace Zem::Input {

void InputBase::setKey(int virtualKey, bool down) {
    if (virtualKey >= 0 && virtualKey < static_cast<int>(keys.size())) {
        keys[virtualKey] = down ? 1.0f : 0.0f;
    }
}

void InputBase::setMouseButton(int button, bool down) {
    if (button >= 0 && button < MouseButtonCount) {
        mouseButtons[button] = down ? 1.0f : 0.0f;
    }
}

void InputBase::setMousePosition(int x, int y, int windowWidth, int windowHeight) {
    // Half sizes are integer halves: 640 gives 320, 641 gives 320 as well.
    mouseX = static_cast<float>(x - (windowWidth >> 1)) / 10.0f;
    mouseY = static_cast<float>(y - (windowHeight >> 1)) / 10.0f;
}

} // namespace Zem::Input
