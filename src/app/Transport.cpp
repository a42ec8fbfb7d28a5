#include "app/Transport.h"

#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "main/Show.h"

#include <algorithm>
#include <cmath>

namespace Zem::App {

using Input::VirtualKey::Home;
using Input::VirtualKey::Left;
using Input::VirtualKey::Right;
using Input::VirtualKey::Space;

Transport::Transport(Main::Show& playing, double startSeconds, double endSeconds, bool looping)
    : show(playing), startMs(static_cast<int32_t>(std::lround(startSeconds * 1000.0))),
      endMs(endSeconds < 0.0 ? -1 : static_cast<int32_t>(std::lround(endSeconds * 1000.0))),
      loop(looping) {}

void Transport::begin() {
    if (startMs > 0) {
        show.seek(startMs);
    }
}

bool Transport::pressedNow(const Input::InputBase& input, int key) {
    const auto index = static_cast<std::size_t>(key);
    const bool down = input.keys[index] == 1.0f;
    const bool pressed = down && !wasDown[index];
    wasDown[index] = down;
    return pressed;
}

void Transport::handleKeys(const Input::InputBase& input) {
    if (pressedNow(input, Space)) {
        show.setPaused(!show.paused());
    }
    if (pressedNow(input, Left)) {
        show.seek(std::max(0, show.showTimeMs() - jumpMs));
    }
    if (pressedNow(input, Right)) {
        show.seek(show.showTimeMs() + jumpMs);
    }
    if (pressedNow(input, Home)) {
        show.seek(startMs);
    }
}

bool Transport::goesOn() {
    if (endMs < 0 || show.showTimeMs() < endMs) {
        return true;
    }
    if (!loop) {
        return false;
    }
    show.seek(startMs);
    return true;
}

} // namespace Zem::App
