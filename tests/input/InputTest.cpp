#include "graphics/Display_sdl2.h"
#include "input/InputBase.h"
#include "input/Input_sdl2.h"
#include "input/VirtualKeys.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/FrameGame.h"
#include "support/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

using Zem::Input::Input_sdl2;
using Zem::Input::InputBase;
using Zem::Resource::XmlNode;

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine->setWorkingDir(dir.path());
        auto inputDriver = std::make_unique<Input_sdl2>();
        input = inputDriver.get();
        engine->registerDriver("input", std::move(inputDriver));
        engine->registerDriver("display", std::make_unique<Zem::Graphics::Display_sdl2>());
        engine->setGame(&game);
        game.engine = engine.get();

        engine->init(XmlNode("<config><display/></config>"));
        auto* display = static_cast<Zem::Graphics::Display_sdl2*>(engine->driver("display"));
        ASSERT_NE(display->getWindow(), nullptr);
        windowId = SDL_GetWindowID(display->getWindow());
        // Whatever opening the window queued goes first.
        input->update(0.0f);
    }
    void TearDown() override { engine->shutdown(); }

    void push(Uint32 type, const std::function<void(SDL_Event&)>& fill) const {
        SDL_Event event{};
        event.type = type;
        event.window.windowID = windowId; // the same field for every windowed event
        fill(event);
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    void pushKey(SDL_Keycode key, SDL_Scancode scancode, bool down) const {
        push(down ? SDL_KEYDOWN : SDL_KEYUP, [&](SDL_Event& e) {
            e.key.keysym.sym = key;
            e.key.keysym.scancode = scancode;
        });
    }
    ZemTest::TempDir dir;
    ZemTest::FrameGame game;
    std::unique_ptr<Zem::Main::Engine> engine = std::make_unique<Zem::Main::Engine>();
    Input_sdl2* input = nullptr;
    Uint32 windowId = 0;
};

// Pushed during frame 2, pumped at the start of frame 3, which still runs to its end: Escape
// held or tapped between two frames ends the main loop as the demo does (virtual key 27), and
// closing the window ends it as failed.
TEST_F(InputTest, EscapeOrClosingTheWindowEndsTheMainLoopAtTheEndOfThatFrame) {
    for (const std::string how : {"held", "tapped", "closed"}) {
        SCOPED_TRACE(how);
        game.frames = 0;
        game.onFrame = [&](int frame) {
            if (frame == 2 && how == "closed") {
                push(SDL_WINDOWEVENT, [](SDL_Event& e) { e.window.event = SDL_WINDOWEVENT_CLOSE; });
            } else if (frame == 2) {
                pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
                if (how == "tapped") { // shorter than a frame: both arrive in the same pump
                    pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
                }
            }
            return frame < 100 && input->keys[27] != 1.0f;
        };
        EXPECT_EQ(engine->run(), how != "closed");
        EXPECT_EQ(game.frames, 3);
        EXPECT_EQ(input->closeRequested, how == "closed");
        pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
        input->update(0.0f);
    }
}

// Keys stay down until key-up; a key or button tapped within one pump reads down for one frame,
// then up; one released and pressed again within a frame stays down. Mouse offsets are tenths
// from the centre.
TEST_F(InputTest, KeysAndButtonsStayDownUntilReleasedButTapsForOneFrame) {
    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    input->update(0.016f);
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 1.0f);
    pushKey(SDLK_a, SDL_SCANCODE_A, false);
    push(SDL_MOUSEMOTION, [](SDL_Event& e) {
        e.motion.x = 330;
        e.motion.y = 230;
    });
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 0.0f);
    EXPECT_FLOAT_EQ(input->mouseX, 1.0f);
    EXPECT_FLOAT_EQ(input->mouseY, -1.0f);

    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    pushKey(SDLK_a, SDL_SCANCODE_A, false);
    for (Uint8 button : {Uint8(SDL_BUTTON_LEFT), Uint8(SDL_BUTTON_RIGHT)}) {
        for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
            push(type, [&](SDL_Event& e) { e.button.button = button; });
        }
    }
    for (const float tapped : {1.0f, 0.0f}) {
        input->update(0.016f);
        EXPECT_EQ(input->keys['A'], tapped);
        EXPECT_EQ(input->mouseButtons[InputBase::Left], tapped);
        EXPECT_EQ(input->mouseButtons[InputBase::Right], tapped);
    }

    pushKey(SDLK_b, SDL_SCANCODE_B, true);
    input->update(0.016f);
    pushKey(SDLK_b, SDL_SCANCODE_B, false);
    pushKey(SDLK_b, SDL_SCANCODE_B, true);
    input->update(0.016f);
    input->update(0.016f);
    EXPECT_EQ(input->keys['B'], 1.0f);
}

// The last two: a layout where these keys give no Latin letter or digit, "&" on "1", "é" on "Q".
TEST(VirtualKeyTest, SdlKeysTakeWindowsCodesAndUnknownKeysTheirPlaceOnTheKeyboard) {
    const std::tuple<SDL_Keycode, SDL_Scancode, int> cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A'},          {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        {SDLK_0, SDL_SCANCODE_0, '0'},          {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27}, {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_F1, SDL_SCANCODE_F1, 112},        {SDLK_F13, SDL_SCANCODE_F13, 124},
        {SDLK_KP_1, SDL_SCANCODE_KP_1, 97},     {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},  {0xE9, SDL_SCANCODE_Q, 'Q'}};
    for (const auto& [key, scancode, expected] : cases) {
        EXPECT_EQ(Zem::Input::virtualKeyFromSdl(key, scancode), expected) << key;
    }
}

TEST(InputWithoutDisplayTest, IgnoresMotionAndOutOfRangeCodes) {
    Input_sdl2 input;
    ASSERT_TRUE(input.init(XmlNode::empty()));
    input.setKey(256, true);
    input.setKey(-1, true);
    input.setMouseButton(InputBase::MouseButtonCount, true);
    input.setMouseButton(-1, true);
    EXPECT_EQ(std::count(input.keys.begin(), input.keys.end(), 0.0f), 256);
    EXPECT_EQ(std::count(input.mouseButtons.begin(), input.mouseButtons.end(), 0.0f), 5);

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 500;
    ASSERT_EQ(SDL_PushEvent(&motion), 1) << SDL_GetError();
    input.update(0.016f);
    EXPECT_EQ(input.mouseX, 0.0f);
}

} // namespace
