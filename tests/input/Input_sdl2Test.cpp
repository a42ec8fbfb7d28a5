#include "input/Input_sdl2.h"
#include "graphics/Display_sdl2.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/FrameGame.h"
#include "support/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using Zem::Input::Input_sdl2;
using Zem::Input::InputBase;
using Zem::Resource::XmlNode;

namespace {

class Input_sdl2Test : public ::testing::Test {
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
    void pushWindowClose() const {
        push(SDL_WINDOWEVENT, [](SDL_Event& e) { e.window.event = SDL_WINDOWEVENT_CLOSE; });
    }
    // Runs the engine with `act` called during frame 2; its events are pumped at the start of
    // frame 3, which still runs to its end. The game ends the run once Escape (virtual key 27)
    // reads down, as the demo does.
    bool runActingOnFrameTwo(const std::function<void()>& act) {
        game.onFrame = [this, act](int frame) {
            if (frame == 2) {
                act();
            }
            return frame < 100 && input->keys[27] != 1.0f;
        };
        return engine->run();
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

TEST_F(Input_sdl2Test, EscapeEndsTheRunAtTheEndOfTheFrameThatPumpsIt) {
    EXPECT_TRUE(runActingOnFrameTwo([this] { pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true); }));
    EXPECT_EQ(game.frames, 3);
}

TEST_F(Input_sdl2Test, EscapeTappedBetweenTwoFramesStillEndsTheRun) {
    EXPECT_TRUE(runActingOnFrameTwo([this] {
        pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
        pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    }));
    EXPECT_EQ(game.frames, 3);
}

TEST_F(Input_sdl2Test, ClosingTheWindowEndsTheRunAsFailedAtTheEndOfThatFrame) {
    EXPECT_FALSE(runActingOnFrameTwo([this] { pushWindowClose(); }));
    EXPECT_EQ(game.frames, 3);
}

// What SDL sends when the system asks the program to quit.
TEST_F(Input_sdl2Test, AQuitEventEndsTheRunAsFailedAtTheEndOfThatFrame) {
    EXPECT_FALSE(runActingOnFrameTwo([this] { push(SDL_QUIT, [](SDL_Event&) {}); }));
    EXPECT_EQ(game.frames, 3);
}

TEST_F(Input_sdl2Test, AKeyStaysDownUntilItsKeyUp) {
    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    input->update(0.016f);
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 1.0f);
    pushKey(SDLK_a, SDL_SCANCODE_A, false);
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 0.0f);
}

TEST_F(Input_sdl2Test, MouseMotionGivesTenthsOfTheDistanceFromTheWindowsCentre) {
    push(SDL_MOUSEMOTION, [](SDL_Event& e) {
        e.motion.x = 330;
        e.motion.y = 230;
    });
    input->update(0.016f);
    EXPECT_FLOAT_EQ(input->mouseX, 1.0f);
    EXPECT_FLOAT_EQ(input->mouseY, -1.0f);
}

TEST_F(Input_sdl2Test, AKeyTappedWithinOnePumpIsDownForOneFrame) {
    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    pushKey(SDLK_a, SDL_SCANCODE_A, false);
    for (const float tapped : {1.0f, 0.0f}) {
        input->update(0.016f);
        EXPECT_EQ(input->keys['A'], tapped);
    }
}

TEST_F(Input_sdl2Test, ButtonsTappedWithinOnePumpAreDownForOneFrame) {
    for (Uint8 button : {Uint8(SDL_BUTTON_LEFT), Uint8(SDL_BUTTON_RIGHT)}) {
        for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
            push(type, [&](SDL_Event& e) { e.button.button = button; });
        }
    }
    for (const float tapped : {1.0f, 0.0f}) {
        input->update(0.016f);
        EXPECT_EQ(input->mouseButtons[InputBase::Left], tapped);
        EXPECT_EQ(input->mouseButtons[InputBase::Right], tapped);
    }
}

TEST_F(Input_sdl2Test, AKeyReleasedAndPressedAgainWithinOnePumpStaysDown) {
    pushKey(SDLK_b, SDL_SCANCODE_B, true);
    input->update(0.016f);
    pushKey(SDLK_b, SDL_SCANCODE_B, false);
    pushKey(SDLK_b, SDL_SCANCODE_B, true);
    input->update(0.016f);
    input->update(0.016f);
    EXPECT_EQ(input->keys['B'], 1.0f);
}

TEST(Input_sdl2WithoutDisplayTest, IgnoresMouseMotion) {
    Input_sdl2 input;
    ASSERT_TRUE(input.init(XmlNode::empty()));
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 500;
    ASSERT_EQ(SDL_PushEvent(&motion), 1) << SDL_GetError();
    input.update(0.016f);
    EXPECT_EQ(input.mouseX, 0.0f);
}

} // namespace
