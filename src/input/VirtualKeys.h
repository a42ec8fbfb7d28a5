#pragma once

// Keys are stored under the Windows virtual-key codes the data and the game were written
// for, whatever the platform: keys[VirtualKey::Escape] is the Escape key everywhere.
namespace Zem::Input {

namespace VirtualKey {
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Shift = 16;
constexpr int Control = 17;
constexpr int Alt = 18;
constexpr int Pause = 19;
constexpr int CapsLock = 20;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int PageUp = 33;
constexpr int PageDown = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int PrintScreen = 44;
constexpr int Insert = 45;
constexpr int Delete = 46;
// '0'..'9' and 'A'..'Z' are their own codes.
constexpr int Digit0 = '0';
constexpr int LetterA = 'A';
constexpr int LeftWindows = 91;
constexpr int RightWindows = 92;
constexpr int Menu = 93;
constexpr int Numpad0 = 96;
constexpr int Multiply = 106;
constexpr int Add = 107;
constexpr int Subtract = 109;
constexpr int Decimal = 110;
constexpr int Divide = 111;
constexpr int F1 = 112; // F1..F24 are 112..135
constexpr int NumLock = 144;
constexpr int ScrollLock = 145;
constexpr int Semicolon = 186;
constexpr int Equals = 187;
constexpr int Comma = 188;
constexpr int Minus = 189;
constexpr int Period = 190;
constexpr int Slash = 191;
constexpr int Backquote = 192;
constexpr int LeftBracket = 219;
constexpr int Backslash = 220;
constexpr int RightBracket = 221;
constexpr int Quote = 222;
} // namespace VirtualKey

// The virtual-key code of an SDL key event (its SDL_Keycode and SDL_Scancode), or 0 for a
// key that has none. Letters and digits follow the keyboard layout, falling back to the key's
// position for layouts whose letters are not Latin.
int virtualKeyFromSdl(int keycode, int scancode);

} // namespace Zem::Input
