#include "input/Win32Messages.h"

#include "input/InputBase.h"

namespace Zem::Input {

namespace {

int signedLowWord(std::intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
}

int signedHighWord(std::intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>((value >> 16) & 0xFFFF));
}

int highWord(std::uintptr_t value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}

} // namespace

void Win32Messages::beginFrame() {
    for (int k = 0; k < keyCount; ++k) {
        if (keyReleasesDue[k]) {
            input.setKey(k, false);
        }
    }
    for (int b = 0; b < buttonCount; ++b) {
        if (buttonReleasesDue[b]) {
            input.setMouseButton(b, false);
        }
    }
    keysPressed.reset();
    keyReleasesDue.reset();
    buttonsPressed.reset();
    buttonReleasesDue.reset();
}

void Win32Messages::key(int virtualKey, bool down) {
    if (virtualKey < 0 || virtualKey >= keyCount) {
        return;
    }
    if (down) {
        input.setKey(virtualKey, true);
        keysPressed[virtualKey] = true;
        keyReleasesDue[virtualKey] = false;
    } else if (keysPressed[virtualKey]) {
        keyReleasesDue[virtualKey] = true;
    } else {
        input.setKey(virtualKey, false);
    }
}

void Win32Messages::button(int index, bool down) {
    if (index < 0 || index >= buttonCount) {
        return;
    }
    if (down) {
        input.setMouseButton(index, true);
        buttonsPressed[index] = true;
        buttonReleasesDue[index] = false;
    } else if (buttonsPressed[index]) {
        buttonReleasesDue[index] = true;
    } else {
        input.setMouseButton(index, false);
    }
}

Win32Messages::Outcome Win32Messages::handle(unsigned message, std::uintptr_t wParam,
                                             std::intptr_t lParam, int displayWidth,
                                             int displayHeight) {
    namespace M = WindowMessage;
    switch (message) {
    case M::KeyDown:
    case M::KeyUp:
        // Virtual-key codes fit a byte; anything larger is not a key this state can hold.
        key(wParam < keyCount ? static_cast<int>(wParam) : -1, message == M::KeyDown);
        return Outcome::Handled;
    case M::SysCommand: {
        // The low four bits are the system's own.
        const std::uintptr_t command = wParam & 0xFFF0;
        if (command == SystemCommand::ScreenSave || command == SystemCommand::MonitorPower) {
            return Outcome::EndPump;
        }
        return command == SystemCommand::Close ? Outcome::Unhandled : Outcome::Handled;
    }
    case M::MouseMove:
        input.setMousePosition(signedLowWord(lParam), signedHighWord(lParam), displayWidth,
                               displayHeight);
        return Outcome::Handled;
    case M::LeftButtonDown:
    case M::LeftButtonUp:
        button(InputBase::Left, message == M::LeftButtonDown);
        return Outcome::Handled;
    case M::RightButtonDown:
    case M::RightButtonUp:
        button(InputBase::Right, message == M::RightButtonDown);
        return Outcome::Handled;
    case M::MiddleButtonDown:
    case M::MiddleButtonUp:
        button(InputBase::Middle, message == M::MiddleButtonDown);
        return Outcome::Handled;
    case M::ExtraButtonDown:
    case M::ExtraButtonUp: {
        const int which = highWord(wParam);
        const int index = which == 1 ? InputBase::Extra1 : which == 2 ? InputBase::Extra2 : -1;
        button(index, message == M::ExtraButtonDown);
        return Outcome::Handled;
    }
    case M::MouseWheel:
        return Outcome::Handled;
    default:
        return Outcome::Unhandled;
    }
}

} // namespace Zem::Input
