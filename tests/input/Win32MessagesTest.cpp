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
    // The key's state (the left button's for key -1) after each step: "f" begins a frame, "d"
    // and "u" send its down and up.
    std::string statesAfter(int key, const std::string& steps) {
        const bool button = key < 0;
        const float& state = button ? input.mouseButtons[InputBase::Left] : input.keys[key];
        std::string states;
        for (const char step : steps) {
            if (step == 'f') {
                messages.beginFrame();
            } else if (button) {
                send(step == 'd' ? Message::LeftButtonDown : Message::LeftButtonUp);
            } else {
                send(step == 'd' ? Message::KeyDown : Message::KeyUp, key);
            }
            states += state == 1.0f ? '1' : '0';
        }
        return states;
    }
    // Every button's state after the button message.
    std::vector<float> buttonsAfter(unsigned message, std::uintptr_t wParam) {
        messages.beginFrame();
        EXPECT_EQ(send(message, wParam), Outcome::Handled);
        return {input.mouseButtons.begin(), input.mouseButtons.end()};
    }
    std::size_t keysUp() const { return std::count(input.keys.begin(), input.keys.end(), 0.0f); }

    ZemTest::StillInput input;
    Win32Messages messages{input};
};

// Keys are stored under the virtual-key code the message carries, whatever key it is.
const int someKeys[] = {VirtualKey::Escape,
                        VirtualKey::Space,
                        VirtualKey::LetterA + 25,
                        VirtualKey::Digit0 + 9,
                        VirtualKey::Left,
                        VirtualKey::F1 + 11,
                        255};

TEST_F(Win32MessagesTest, AKeyDownSetsItsVirtualKey) {
    for (const int key : someKeys) {
        messages.beginFrame();
        EXPECT_EQ(send(Message::KeyDown, static_cast<std::uintptr_t>(key)), Outcome::Handled);
        EXPECT_EQ(input.keys[key], 1.0f) << key;
    }
}

TEST_F(Win32MessagesTest, AKeyUpClearsItsVirtualKey) {
    for (const int key : someKeys) {
        messages.beginFrame();
        send(Message::KeyDown, static_cast<std::uintptr_t>(key));
        messages.beginFrame();
        EXPECT_EQ(send(Message::KeyUp, static_cast<std::uintptr_t>(key)), Outcome::Handled);
        EXPECT_EQ(input.keys[key], 0.0f) << key;
    }
    EXPECT_EQ(keysUp(), 256u);
}

TEST_F(Win32MessagesTest, KeyCodesBeyondAByteAreDropped) {
    EXPECT_EQ(send(Message::KeyDown, 256 + VirtualKey::Escape), Outcome::Handled);
    EXPECT_EQ(send(Message::KeyDown, ~std::uintptr_t{0}), Outcome::Handled);
    EXPECT_EQ(keysUp(), 256u);
}

TEST_F(Win32MessagesTest, AKeyTappedBetweenFramesIsDownForTheNextFrameOnly) {
    EXPECT_EQ("0110", statesAfter(VirtualKey::Escape, "fduf"));
}

TEST_F(Win32MessagesTest, AButtonTappedBetweenFramesIsDownForTheNextFrameOnly) {
    EXPECT_EQ("0110", statesAfter(-1, "fduf"));
}

// Held, with auto-repeat.
TEST_F(Win32MessagesTest, AKeyHeldSinceAnEarlierFrameIsUpAtOnceOnRelease) {
    EXPECT_EQ("011110", statesAfter(VirtualKey::Up, "fdfdfu"));
}

TEST_F(Win32MessagesTest, AKeyPressedAgainAfterATapStaysDown) {
    EXPECT_EQ("01111", statesAfter(VirtualKey::Space, "fdudf"));
}

const struct {
    unsigned down, up;
    std::uintptr_t wParam;
    int button;
} buttonMessages[] = {
    {Message::LeftButtonDown, Message::LeftButtonUp, 0, InputBase::Left},
    {Message::RightButtonDown, Message::RightButtonUp, 0, InputBase::Right},
    {Message::MiddleButtonDown, Message::MiddleButtonUp, 0, InputBase::Middle},
    {Message::ExtraButtonDown, Message::ExtraButtonUp, 1u << 16, InputBase::Extra1},
    {Message::ExtraButtonDown, Message::ExtraButtonUp, 2u << 16, InputBase::Extra2},
};

TEST_F(Win32MessagesTest, AButtonDownSetsItsButtonAlone) {
    for (const auto& b : buttonMessages) {
        std::vector<float> expected(InputBase::MouseButtonCount, 0.0f);
        expected[static_cast<std::size_t>(b.button)] = 1.0f;
        EXPECT_EQ(expected, buttonsAfter(b.down, b.wParam)) << "button " << b.button;
        buttonsAfter(b.up, b.wParam);
    }
}

TEST_F(Win32MessagesTest, AButtonUpClearsItsButton) {
    for (const auto& b : buttonMessages) {
        buttonsAfter(b.down, b.wParam);
        EXPECT_EQ(std::vector<float>(InputBase::MouseButtonCount, 0.0f),
                  buttonsAfter(b.up, b.wParam))
            << "button " << b.button;
    }
}

TEST_F(Win32MessagesTest, AnExtraButtonMessageNamingNoButtonChangesNothing) {
    const std::vector<float> none(InputBase::MouseButtonCount, 0.0f);
    EXPECT_EQ(none, buttonsAfter(Message::ExtraButtonDown, 3u << 16));
    EXPECT_EQ(none, buttonsAfter(Message::ExtraButtonUp, 3u << 16));
}

// Offsets are tenths of the distance from the centre (integer halves of the display size);
// coordinates are signed 16-bit, as a captured mouse left of or above the window reports them.
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
}

TEST_F(Win32MessagesTest, MouseOffsetsStayUntilTheNextMove) {
    send(Message::MouseMove, 0, mousePosition(400, 100));
    messages.beginFrame();
    send(Message::KeyDown, VirtualKey::Escape);
    EXPECT_FLOAT_EQ(input.mouseX, 8.0f);
    EXPECT_FLOAT_EQ(input.mouseY, -14.0f);
}

TEST_F(Win32MessagesTest, ScreenSaverAndMonitorPowerCommandsEndThePump) {
    for (const std::uintptr_t command : {0xF140u, 0xF170u, 0xF172u}) {
        EXPECT_EQ(send(Message::SysCommand, command), Outcome::EndPump) << command;
    }
}

TEST_F(Win32MessagesTest, MinimiseAndKeyMenuCommandsAreDropped) {
    for (const std::uintptr_t command : {0xF020u, 0xF100u}) {
        EXPECT_EQ(send(Message::SysCommand, command), Outcome::Handled) << command;
    }
}

// Or closing the window would not end the run.
TEST_F(Win32MessagesTest, CloseCommandsReachTheWindowProcedure) {
    for (const std::uintptr_t command : {0xF060u, 0xF063u}) {
        EXPECT_EQ(send(Message::SysCommand, command), Outcome::Unhandled) << command;
    }
}

TEST_F(Win32MessagesTest, TheWheelIsDropped) {
    EXPECT_EQ(send(Message::MouseWheel, 120u << 16, mousePosition(1, 1)), Outcome::Handled);
    EXPECT_EQ(input.mouseX, 0.0f);
}

TEST_F(Win32MessagesTest, MessagesThatAreNotInputReachTheWindowProcedureRecordingNothing) {
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
