#include "input/Win32Messages.h"
#include "input/InputBase.h"
#include "input/VirtualKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Zem::Input::InputBase;
using Zem::Input::Win32Messages;
namespace Message = Zem::Input::WindowMessage;
namespace VirtualKey = Zem::Input::VirtualKey;
using Outcome = Win32Messages::Outcome;

namespace {

class RecordedInput : public InputBase {
public:
    bool update(float) override { return true; }
};

constexpr int displayWidth = 640;
constexpr int displayHeight = 480;

std::intptr_t mousePosition(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                      static_cast<uint16_t>(x));
}

class Win32MessagesTest : public ::testing::Test {
protected:
    Outcome send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return messages.handle(message, wParam, lParam, displayWidth, displayHeight);
    }
    void keyDown(int key) { send(Message::KeyDown, static_cast<std::uintptr_t>(key)); }
    void keyUp(int key) { send(Message::KeyUp, static_cast<std::uintptr_t>(key)); }

    RecordedInput input;
    Win32Messages messages{input};
};

// Keys are stored under the virtual-key code the message carries, whatever key it is.
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
    for (float state : input.keys) {
        EXPECT_EQ(state, 0.0f);
    }
}

TEST_F(Win32MessagesTest, KeyCodesBeyondAByteAreDropped) {
    EXPECT_EQ(send(Message::KeyDown, 256 + VirtualKey::Escape), Outcome::Handled);
    EXPECT_EQ(send(Message::KeyDown, ~std::uintptr_t{0}), Outcome::Handled);
    for (float state : input.keys) {
        EXPECT_EQ(state, 0.0f);
    }
}

// A key tapped between two frames still reads as down in the frame that follows, and is up in
// the one after.
TEST_F(Win32MessagesTest, TappedKeyIsDownForOneFrame) {
    messages.beginFrame();
    keyDown(VirtualKey::Escape);
    keyUp(VirtualKey::Escape);
    EXPECT_EQ(input.keys[VirtualKey::Escape], 1.0f);
    messages.beginFrame();
    EXPECT_EQ(input.keys[VirtualKey::Escape], 0.0f);
}

TEST_F(Win32MessagesTest, HeldKeyStaysDownAndReleasesAtOnceInALaterFrame) {
    messages.beginFrame();
    keyDown(VirtualKey::Up);
    messages.beginFrame();
    // Auto-repeat writes down again.
    keyDown(VirtualKey::Up);
    messages.beginFrame();
    EXPECT_EQ(input.keys[VirtualKey::Up], 1.0f);
    keyUp(VirtualKey::Up);
    EXPECT_EQ(input.keys[VirtualKey::Up], 0.0f);
}

TEST_F(Win32MessagesTest, PressedAgainAfterATapInTheSameFrameStaysDown) {
    messages.beginFrame();
    keyDown(VirtualKey::Space);
    keyUp(VirtualKey::Space);
    keyDown(VirtualKey::Space);
    messages.beginFrame();
    EXPECT_EQ(input.keys[VirtualKey::Space], 1.0f);
}

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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        messages.beginFrame();
        EXPECT_EQ(send(c.down, c.wParam), Outcome::Handled);
        for (int b = 0; b < InputBase::MouseButtonCount; ++b) {
            EXPECT_EQ(input.mouseButtons[b], b == c.button ? 1.0f : 0.0f) << b;
        }
        messages.beginFrame();
        EXPECT_EQ(send(c.up, c.wParam), Outcome::Handled);
        EXPECT_EQ(input.mouseButtons[c.button], 0.0f);
    }
}

TEST_F(Win32MessagesTest, ClickBetweenFramesIsDownForOneFrame) {
    messages.beginFrame();
    send(Message::LeftButtonDown);
    send(Message::LeftButtonUp);
    EXPECT_EQ(input.mouseButtons[InputBase::Left], 1.0f);
    messages.beginFrame();
    EXPECT_EQ(input.mouseButtons[InputBase::Left], 0.0f);
}

TEST_F(Win32MessagesTest, UnknownExtraButtonChangesNothing) {
    send(Message::ExtraButtonDown, 3u << 16);
    for (float state : input.mouseButtons) {
        EXPECT_EQ(state, 0.0f);
    }
}

// Offsets are tenths of the distance from the centre (integer halves of the display size);
// coordinates are signed 16-bit, as a captured mouse left of or above the window reports them.
TEST_F(Win32MessagesTest, MouseMoveGivesOffsetsFromTheCentre) {
    const struct {
        int x, y;
        float offsetX, offsetY;
    } cases[] = {
        {330, 230, 1.0f, -1.0f},    {320, 240, 0.0f, 0.0f},   {0, 0, -32.0f, -24.0f},
        {-10, -20, -33.0f, -26.0f}, {645, 485, 32.5f, 24.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(send(Message::MouseMove, 0, mousePosition(c.x, c.y)), Outcome::Handled);
        EXPECT_FLOAT_EQ(input.mouseX, c.offsetX);
        EXPECT_FLOAT_EQ(input.mouseY, c.offsetY);
    }
}

TEST_F(Win32MessagesTest, OffsetsStayUntilTheNextMove) {
    send(Message::MouseMove, 0, mousePosition(400, 100));
    messages.beginFrame();
    send(Message::KeyDown, VirtualKey::Escape);
    EXPECT_FLOAT_EQ(input.mouseX, 8.0f);
    EXPECT_FLOAT_EQ(input.mouseY, -14.0f);
}

TEST_F(Win32MessagesTest, ScreenSaverAndMonitorPowerEndThePump) {
    const std::uintptr_t stopping[] = {0xF140, 0xF170, 0xF172};
    for (std::uintptr_t command : stopping) {
        EXPECT_EQ(send(Message::SysCommand, command), Outcome::EndPump) << command;
    }
    // Other system commands and the wheel are dropped, not dispatched.
    EXPECT_EQ(send(Message::SysCommand, 0xF020 /* minimise */), Outcome::Handled);
    EXPECT_EQ(send(Message::SysCommand, 0xF100 /* key menu */), Outcome::Handled);
    EXPECT_EQ(send(Message::MouseWheel, 120u << 16), Outcome::Handled);
}

// A posted close command must reach the window procedure, or closing the window would not end
// the run.
TEST_F(Win32MessagesTest, CloseCommandGoesToTheWindowProcedure) {
    EXPECT_EQ(send(Message::SysCommand, 0xF060), Outcome::Unhandled);
    EXPECT_EQ(send(Message::SysCommand, 0xF063), Outcome::Unhandled);
}

TEST_F(Win32MessagesTest, OtherMessagesGoToTheWindowProcedure) {
    const unsigned others[] = {0x0010 /* close */, 0x000F /* paint */, 0x0102 /* char */,
                               0x0104 /* system key down */, Message::LeftButtonDoubleClick};
    for (unsigned message : others) {
        EXPECT_EQ(send(message, VirtualKey::Escape, mousePosition(1, 1)), Outcome::Unhandled)
            << message;
    }
    EXPECT_EQ(input.keys[VirtualKey::Escape], 0.0f);
    EXPECT_EQ(input.mouseButtons[InputBase::Left], 0.0f);
    EXPECT_EQ(input.mouseX, 0.0f);
}

} // namespace
