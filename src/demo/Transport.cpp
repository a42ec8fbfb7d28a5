#include "demo/Transport.h"

#include "demo/Ombrel.h"
#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "script/ScriptMaster.h"

#include <algorithm>
#include <cmath>
#include <iostream>

using Zem::Input::VirtualKey::Home;
using Zem::Input::VirtualKey::Left;
using Zem::Input::VirtualKey::Right;
using Zem::Input::VirtualKey::Space;

Transport::Transport(Ombrel& playing, double startSeconds, double endSeconds, bool looping)
    : game(playing), startMs(static_cast<int32_t>(std::lround(startSeconds * 1000.0))),
      endMs(endSeconds < 0.0 ? -1 : static_cast<int32_t>(std::lround(endSeconds * 1000.0))),
      loop(looping) {}

void Transport::begin() {
    if (startMs > 0) {
        seek(startMs);
    }
}

int32_t Transport::showTimeMs() const {
    const ScriptMaster* script = game.scriptMaster();
    return script != nullptr ? script->musicTimeMs() : 0;
}

bool Transport::pressedNow(const Zem::Input::InputBase& input, int key) {
    const bool down = input.keys[static_cast<std::size_t>(key)] == 1.0f;
    const bool pressed = down && !wasDown[static_cast<std::size_t>(key)];
    wasDown[static_cast<std::size_t>(key)] = down;
    return pressed;
}

void Transport::handleKeys(const Zem::Input::InputBase& input) {
    if (pressedNow(input, Space)) {
        setPaused(!isPaused);
    }
    if (pressedNow(input, Left)) {
        seek(std::max(0, showTimeMs() - jumpMs));
    }
    if (pressedNow(input, Right)) {
        seek(showTimeMs() + jumpMs);
    }
    if (pressedNow(input, Home)) {
        seek(startMs);
    }
}

bool Transport::goesOn() {
    if (endMs < 0 || showTimeMs() < endMs) {
        return true;
    }
    if (!loop) {
        return false;
    }
    seek(startMs);
    return true;
}

void Transport::setPaused(bool pause) {
    isPaused = pause;
    if (ScriptMaster* script = game.scriptMaster()) {
        script->setPaused(pause);
    }
}

void Transport::seek(int32_t targetMs) {
    ScriptMaster* script = game.scriptMaster();
    int32_t now = showTimeMs();
    // The past cannot be stepped back to: the world starts again from its file.
    if (script == nullptr || targetMs < now) {
        game.rebuildWorld();
        script = game.scriptMaster();
        now = 0;
    }
    if (script == nullptr) {
        return;
    }
    // Stepped on a fixed step with the music held, so the world stands where playing at a
    // steady rate would have it, whatever each step costs.
    script->setPaused(true);
    const auto steps = static_cast<int64_t>(std::ceil((targetMs - now) / stepMs));
    for (int64_t i = 1; i <= steps && game.scriptMaster() == script; ++i) {
        const double at = std::min<double>(targetMs, now + i * stepMs);
        const double before = now + (i - 1) * stepMs;
        if (!script->seek(static_cast<int32_t>(std::floor(at)))) {
            std::cout << "This music cannot seek: the show stays where it is" << std::endl;
            break;
        }
        game.stepWorld(static_cast<float>((at - before) / 1000.0));
    }
    script->setPaused(isPaused);
}
