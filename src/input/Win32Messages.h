#pragma once

#include <bitset>
#include <cstdint>

namespace Zem::Input {

class InputBase;

// The window messages the Windows input driver reads, under their Windows identifiers. They are
// spelled out here so the translation below builds, and is tested, on every platform.
namespace WindowMessage {
constexpr unsigned KeyDown = 0x0100;
constexpr unsigned KeyUp = 0x0101;
constexpr unsigned SysCommand = 0x0112;
constexpr unsigned MouseMove = 0x0200;
constexpr unsigned LeftButtonDown = 0x0201;
constexpr unsigned LeftButtonUp = 0x0202;
constexpr unsigned LeftButtonDoubleClick = 0x0203;
constexpr unsigned RightButtonDown = 0x0204;
constexpr unsigned RightButtonUp = 0x0205;
constexpr unsigned MiddleButtonDown = 0x0207;
constexpr unsigned MiddleButtonUp = 0x0208;
constexpr unsigned MouseWheel = 0x020A;
constexpr unsigned ExtraButtonDown = 0x020B;
constexpr unsigned ExtraButtonUp = 0x020C;
} // namespace WindowMessage

namespace SystemCommand {
// Close the window: passed on, so a close request that arrives as a posted command (Wine's
// window manager bridge sends it so) still reaches the window procedure and ends the run.
constexpr std::uintptr_t Close = 0xF060;
// These end a frame's pumping: the rest of the queue waits for the next frame.
constexpr std::uintptr_t ScreenSave = 0xF140;
constexpr std::uintptr_t MonitorPower = 0xF170;
} // namespace SystemCommand

// Turns the window messages of one frame into key, button and mouse state. A key or button
// pressed and released between two frames still reads as down for the frame that follows: its
// release takes effect when the next frame's pumping begins.
class Win32Messages {
public:
    enum class Outcome {
        // Recorded (or deliberately dropped); not for the window procedure.
        Handled,
        // Dropped, and the frame's pumping stops here.
        EndPump,
        // Not an input message: translate and dispatch it.
        Unhandled
    };

    explicit Win32Messages(InputBase& input) : input(input) {}

    // Call before the first message of every frame.
    void beginFrame();
    // Offsets are measured from the centre of a display of the given size.
    Outcome handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, int displayWidth,
                   int displayHeight);

private:
    static constexpr int keyCount = 256;
    static constexpr int buttonCount = 5;

    void key(int virtualKey, bool down);
    void button(int index, bool down);

    InputBase& input;
    // Went down since the frame began.
    std::bitset<keyCount> keysPressed;
    std::bitset<buttonCount> buttonsPressed;
    // Released in the frame they went down in; applied at the next beginFrame.
    std::bitset<keyCount> keyReleasesDue;
    std::bitset<buttonCount> buttonReleasesDue;
};

} // namespace Zem::Input
