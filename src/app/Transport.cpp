#include "app/Transport.h"

#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "main/Show.h"
#include "main/steadyMs.h"

#include <algorithm>
#include <cmath>

namespace Zem::App {

using Input::VirtualKey::Home;
using Input::VirtualKey::Left;
using Input::VirtualKey::Right;
using Input::VirtualKey::Space;

Transport::Transport(Main::Show& playing, double startSeconds, double endSeconds, bool looping,
                     Clock steadyClock)
    : show(playing), startMs(static_cast<int32_t>(std::lround(startSeconds * 1000.0))),
      endMs(endSeconds < 0.0 ? -1 : static_cast<int32_t>(std::lround(endSeconds * 1000.0))),
      loop(looping), clock(steadyClock ? std::move(steadyClock) : Clock(&Main::steadyMs)) {}

void Transport::begin() {
    beganAtMs = clock();
    if (startMs > 0 && show.hasClock()) {
        show.seek(startMs);
    }
}

int32_t Transport::nowMs() const {
    if (show.hasClock()) {
        return show.showTimeMs();
    }
    return startMs + static_cast<int32_t>(std::floor(clock() - beganAtMs));
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
    if (endMs < 0 || nowMs() < endMs) {
        return true;
    }
    if (!loop) {
        return false;
    }
    beganAtMs = clock();
    if (show.hasClock()) {
        show.seek(startMs);
    }
    return true;
}

} // namespace Zem::App
