#include "input/VirtualKeys.h"

#include <SDL.h>

namespace Zem::Input {

namespace {

int fromKeycode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return VirtualKey::LetterA + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return VirtualKey::Digit0 + (key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return VirtualKey::F1 + (key - SDLK_F1);
    }
    if (key >= SDLK_F13 && key <= SDLK_F24) {
        return VirtualKey::F1 + 12 + (key - SDLK_F13);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return VirtualKey::Numpad0 + 1 + (key - SDLK_KP_1);
    }
    switch (key) {
    case SDLK_BACKSPACE:
        return VirtualKey::Backspace;
    case SDLK_TAB:
        return VirtualKey::Tab;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return VirtualKey::Return;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VirtualKey::Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VirtualKey::Control;
    case SDLK_LALT:
    case SDLK_RALT:
        return VirtualKey::Alt;
    case SDLK_PAUSE:
        return VirtualKey::Pause;
    case SDLK_CAPSLOCK:
        return VirtualKey::CapsLock;
    case SDLK_ESCAPE:
        return VirtualKey::Escape;
    case SDLK_SPACE:
        return VirtualKey::Space;
    case SDLK_PAGEUP:
        return VirtualKey::PageUp;
    case SDLK_PAGEDOWN:
        return VirtualKey::PageDown;
    case SDLK_END:
        return VirtualKey::End;
    case SDLK_HOME:
        return VirtualKey::Home;
    case SDLK_LEFT:
        return VirtualKey::Left;
    case SDLK_UP:
        return VirtualKey::Up;
    case SDLK_RIGHT:
        return VirtualKey::Right;
    case SDLK_DOWN:
        return VirtualKey::Down;
    case SDLK_PRINTSCREEN:
        return VirtualKey::PrintScreen;
    case SDLK_INSERT:
        return VirtualKey::Insert;
    case SDLK_DELETE:
        return VirtualKey::Delete;
    case SDLK_LGUI:
        return VirtualKey::LeftWindows;
    case SDLK_RGUI:
        return VirtualKey::RightWindows;
    case SDLK_APPLICATION:
        return VirtualKey::Menu;
    case SDLK_KP_0:
        return VirtualKey::Numpad0;
    case SDLK_KP_MULTIPLY:
        return VirtualKey::Multiply;
    case SDLK_KP_PLUS:
        return VirtualKey::Add;
    case SDLK_KP_MINUS:
        return VirtualKey::Subtract;
    case SDLK_KP_PERIOD:
        return VirtualKey::Decimal;
    case SDLK_KP_DIVIDE:
        return VirtualKey::Divide;
    case SDLK_NUMLOCKCLEAR:
        return VirtualKey::NumLock;
    case SDLK_SCROLLLOCK:
        return VirtualKey::ScrollLock;
    case SDLK_SEMICOLON:
        return VirtualKey::Semicolon;
    case SDLK_EQUALS:
        return VirtualKey::Equals;
    case SDLK_COMMA:
        return VirtualKey::Comma;
    case SDLK_MINUS:
        return VirtualKey::Minus;
    case SDLK_PERIOD:
        return VirtualKey::Period;
    case SDLK_SLASH:
        return VirtualKey::Slash;
    case SDLK_BACKQUOTE:
        return VirtualKey::Backquote;
    case SDLK_LEFTBRACKET:
        return VirtualKey::LeftBracket;
    case SDLK_BACKSLASH:
        return VirtualKey::Backslash;
    case SDLK_RIGHTBRACKET:
        return VirtualKey::RightBracket;
    case SDLK_QUOTE:
        return VirtualKey::Quote;
    default:
        return 0;
    }
}

int fromScancode(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return VirtualKey::LetterA + (scancode - SDL_SCANCODE_A);
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return VirtualKey::Digit0 + 1 + (scancode - SDL_SCANCODE_1);
    }
    if (scancode == SDL_SCANCODE_0) {
        return VirtualKey::Digit0;
    }
    return 0;
}

} // namespace

int virtualKeyFromSdl(int keycode, int scancode) {
    const int key = fromKeycode(static_cast<SDL_Keycode>(keycode));
    if (key != 0) {
        return key;
    }
    return fromScancode(static_cast<SDL_Scancode>(scancode));
}

} // namespace Zem::Input
