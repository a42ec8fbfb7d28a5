#include "input/Win32Messages.h"
#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "support/FakeDrivers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using Zem::Input::InputBase;
using Zem::Input::Win32Messages;
namespace Message = Zem::Input::WindowMessage;
namespace VirtualKey = Zem::Input::VirtualKey;
using Outcome = Win32Messages::Outcome;

namespace {

std::intptr_t mousePosition(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                      static_cast<uint16_t>(x));
}

class Win32MessagesTest : public ::testing::Test {
protected:
    Outcome send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return messages.handle(message, wParam, lParam, 640, 480);
    }

    ZemTest::StillInput input;
    Win32Messages messages{input};
};

// Keys are stored under the virtual-key code the message carries, whatever key it is; codes
// beyond a byte are dropped.
TEST_F(Win32MessagesTest, KeyMessagesSetAndClearTheirVirtualKey) {
    const int keys[] = {VirtualKey::Escape,
                        VirtualKey::Space,
                        VirtualKey::LetterA + 25,
                        VirtualKey::Digit0 + 9,
                        VirtualKey::Left,
                        VirtualKey::F1 + 11,
                        255};
    for (int key : keys) {
        SCOPED_TRACE(key);
        messages.beginFrame();
        EXPECT_EQ(send(Message::KeyDown, static_cast<std::uintptr_t>(key)), Outcome::Handled);
        EXPECT_EQ(input.keys[key], 1.0f);
        messages.beginFrame();
        EXPECT_EQ(send(Message::KeyUp, static_cast<std::uintptr_t>(key)), Outcome::Handled);
        EXPECT_EQ(input.keys[key], 0.0f);
    }
    EXPECT_EQ(std::count(input.keys.begin(), input.keys.end(), 0.0f), 256);
    EXPECT_EQ(send(Message::KeyDown, 256 + VirtualKey::Escape), Outcome::Handled);
    EXPECT_EQ(send(Message::KeyDown, ~std::uintptr_t{0}), Outcome::Handled);
    EXPECT_EQ(std::count(input.keys.begin(), input.keys.end(), 0.0f), 256);
}

// A key or button pressed and released between two frames reads as down in the frame that
// follows and is up in the one after; one held since an earlier frame is up at once. Steps: "f"
// begins a frame, "d" and "u" send the key's (or, for key -1, the left button's) down and up.
TEST_F(Win32MessagesTest, TapsAreDownForOneFrameAndLaterReleasesTakeEffectAtOnce) {
    const struct {
        int key;
        std::string steps, after; // the state after each step
    } cases[] = {
        {VirtualKey::Escape, "fduf", "0110"},
        {VirtualKey::Up, "fdfdfu", "011110"}, // held, with auto-repeat
        {VirtualKey::Space, "fdudf", "01111"},
        {-1, "fduf", "0110"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.steps);
        const bool button = c.key < 0;
        const float& state = button ? input.mouseButtons[InputBase::Left] : input.keys[c.key];
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            if (c.steps[i] == 'f') {
                messages.beginFrame();
            } else {
                const bool down = c.steps[i] == 'd';
                const unsigned message =
                    button ? (down ? Message::LeftButtonDown : Message::LeftButtonUp)
                           : (down ? Message::KeyDown : Message::KeyUp);
                EXPECT_EQ(send(message, button ? 0 : c.key), Outcome::Handled);
            }
            EXPECT_EQ(state, c.after[i] == '1' ? 1.0f : 0.0f) << "after step " << i;
        }
    }
}

// An extra button the message does not name (-1) changes nothing.
TEST_F(Win32MessagesTest, ButtonMessagesSetTheirButton) {
    const struct {
        unsigned down, up;
        std::uintptr_t wParam;
        int button;
    } cases[] = {
        {Message::LeftButtonDown, Message::LeftButtonUp, 0, InputBase::Left},
        {Message::RightButtonDown, Message::RightButtonUp, 0, InputBase::Right},
        {Message::MiddleButtonDown, Message::MiddleButtonUp, 0, InputBase::Middle},
        {Message::ExtraButtonDown, Message::ExtraButtonUp, 1u << 16, InputBase::Extra1},
        {Message::ExtraButtonDown, Message::ExtraButtonUp, 2u << 16, InputBase::Extra2},
        {Message::ExtraButtonDown, Message::ExtraButtonUp, 3u << 16, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        for (const bool down : {true, false}) {
            messages.beginFrame();
            EXPECT_EQ(send(down ? c.down : c.up, c.wParam), Outcome::Handled);
            for (int b = 0; b < InputBase::MouseButtonCount; ++b) {
                EXPECT_EQ(input.mouseButtons[b], down && b == c.button ? 1.0f : 0.0f) << b;
            }
        }
    }
}

// Offsets are tenths of the distance from the centre (integer halves of the display size);
// coordinates are signed 16-bit, as a captured mouse left of or above the window reports them.
// They stay until the next move.
TEST_F(Win32MessagesTest, MouseMoveGivesOffsetsFromTheCentre) {
    const struct {
        int x, y;
        float offsetX, offsetY;
    } cases[] = {
        {330, 230, 1.0f, -1.0f},  {320, 240, 0.0f, 0.0f},     {0, 0, -32.0f, -24.0f},
        {645, 485, 32.5f, 24.5f}, {-10, -20, -33.0f, -26.0f}, {400, 100, 8.0f, -14.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(send(Message::MouseMove, 0, mousePosition(c.x, c.y)), Outcome::Handled);
        EXPECT_FLOAT_EQ(input.mouseX, c.offsetX);
        EXPECT_FLOAT_EQ(input.mouseY, c.offsetY);
    }
    messages.beginFrame();
    send(Message::KeyDown, VirtualKey::Escape);
    EXPECT_FLOAT_EQ(input.mouseX, 8.0f);
    EXPECT_FLOAT_EQ(input.mouseY, -14.0f);
}

// Screen saver and monitor power end the frame's pumping; other system commands and the wheel
// are dropped. A posted close command must reach the window procedure, or closing the window
// would not end the run; so do all messages that are not input, recording nothing.
TEST_F(Win32MessagesTest, SystemCommandsAndOtherMessagesHaveTheirOutcome) {
    const std::pair<Outcome, std::vector<std::uintptr_t>> commands[] = {
        {Outcome::EndPump, {0xF140, 0xF170, 0xF172}}, // screen saver, monitor power
        {Outcome::Handled, {0xF020, 0xF100}},         // minimise, key menu
        {Outcome::Unhandled, {0xF060, 0xF063}}};      // close
    for (const auto& [outcome, wParams] : commands) {
        for (const std::uintptr_t command : wParams) {
            EXPECT_EQ(send(Message::SysCommand, command), outcome) << command;
        }
    }
    EXPECT_EQ(send(Message::MouseWheel, 120u << 16, mousePosition(1, 1)), Outcome::Handled);
    for (unsigned message : {0x0010u /* close */, 0x000Fu /* paint */, 0x0102u /* char */,
                             0x0104u /* system key down */, Message::LeftButtonDoubleClick}) {
        EXPECT_EQ(send(message, VirtualKey::Escape, mousePosition(1, 1)), Outcome::Unhandled)
            << message;
    }
    EXPECT_EQ(input.keys[VirtualKey::Escape], 0.0f);
    EXPECT_EQ(input.mouseButtons[InputBase::Left], 0.0f);
    EXPECT_EQ(input.mouseX, 0.0f);
}

} // namespace
