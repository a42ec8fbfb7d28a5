#include "input/Input_win32.h"

#include "graphics/Display_win32.h"
#include "main/Engine.h"

#include <windows.h>

namespace Zem::Input {

std::unique_ptr<InputBase> InputBase::create() {
    return std::make_unique<Input_win32>();
}

std::string Input_win32::info() const {
    return "Win32 Input Driver";
}

bool Input_win32::init(const Resource::XmlNode&) {
    if (engine != nullptr) {
        display = dynamic_cast<Graphics::Display_win32*>(engine->driver("display"));
    }
    centreCursor();
    return true;
}

bool Input_win32::update(float) {
    messages.beginFrame();
    const bool pumpedAll = pumpWindowMessages();
    takeQuitRequest();
    if (pumpedAll) {
        centreCursor();
    }
    return !closeRequested;
}

bool Input_win32::pumpWindowMessages() {
    HWND window = display != nullptr ? display->getWindow() : nullptr;
    if (window == nullptr) {
        return true;
    }
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        // Some systems (Wine among them) hand out the quit message even to a pump that asks
        // for one window's messages only.
        if (message.message == WM_QUIT) {
            closeRequested = true;
            continue;
        }
        switch (messages.handle(message.message, message.wParam, message.lParam, display->width,
                                display->height)) {
        case Win32Messages::Outcome::EndPump:
            return false;
        case Win32Messages::Outcome::Unhandled:
            TranslateMessage(&message);
            DispatchMessageA(&message);
            break;
        case Win32Messages::Outcome::Handled:
            break;
        }
    }
    return true;
}

void Input_win32::takeQuitRequest() {
    // The window procedure answers a close request with a quit message, which belongs to the
    // thread rather than the window, so the pump above need not see it.
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        closeRequested = true;
    }
}

void Input_win32::centreCursor() const {
    HWND window = display != nullptr ? display->getWindow() : nullptr;
    if (window == nullptr) {
        return;
    }
    // The move this causes reports the centre, so the offsets fall back to (0, 0) unless the
    // mouse really moves.
    POINT centre{display->width >> 1, display->height >> 1};
    ClientToScreen(window, &centre);
    SetCursorPos(centre.x, centre.y);
}

} // namespace Zem::Input
