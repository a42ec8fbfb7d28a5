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

namespace {

template <std::size_t N>
void applyDueReleases(std::array<float, N>& state, std::array<bool, N>& pressedNow,
                      std::array<bool, N>& releaseDue) {
    for (std::size_t i = 0; i < N; ++i) {
        if (releaseDue[i]) {
            state[i] = 0.0f;
        }
    }
    pressedNow.fill(false);
    releaseDue.fill(false);
}

template <std::size_t N>
void recordEvent(int index, bool down, std::array<float, N>& state, std::array<bool, N>& pressedNow,
                 std::array<bool, N>& releaseDue) {
    if (index < 0 || index >= static_cast<int>(N)) {
        return;
    }
    const auto i = static_cast<std::size_t>(index);
    if (down) {
        state[i] = 1.0f;
        pressedNow[i] = true;
        releaseDue[i] = false;
    } else if (pressedNow[i]) {
        releaseDue[i] = true;
    } else {
        state[i] = 0.0f;
    }
}

} // namespace

void InputBase::beginEvents() {
    applyDueReleases(keys, keyPressedNow, keyReleaseDue);
    applyDueReleases(mouseButtons, buttonPressedNow, buttonReleaseDue);
}

void InputBase::keyEvent(int virtualKey, bool down) {
    recordEvent(virtualKey, down, keys, keyPressedNow, keyReleaseDue);
}

void InputBase::mouseButtonEvent(int button, bool down) {
    recordEvent(button, down, mouseButtons, buttonPressedNow, buttonReleaseDue);
}

void InputBase::setMousePosition(int x, int y, int windowWidth, int windowHeight) {
    // Half sizes are integer halves: 640 gives 320, 641 gives 320 as well.
    mouseX = static_cast<float>(x - (windowWidth >> 1)) / 10.0f;
    mouseY = static_cast<float>(y - (windowHeight >> 1)) / 10.0f;
}

} // namespace Zem::Input
