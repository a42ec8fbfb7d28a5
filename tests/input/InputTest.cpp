#include "graphics/Display_sdl2.h"
#include "input/InputBase.h"
#include "input/Input_sdl2.h"
#include "input/VirtualKeys.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using Zem::Graphics::Display_sdl2;
using Zem::Input::Input_sdl2;
using Zem::Input::InputBase;
using Zem::Input::virtualKeyFromSdl;
using Zem::Main::Engine;
using Zem::Resource::XmlNode;
namespace VirtualKey = Zem::Input::VirtualKey;

namespace {

TEST(VirtualKeysTest, SdlKeysMapToWindowsVirtualKeyCodes) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a, SDL_SCANCODE_A), 65);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_z, SDL_SCANCODE_Z), 90);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_0, SDL_SCANCODE_0), 48);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_9, SDL_SCANCODE_9), 57);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LEFT, SDL_SCANCODE_LEFT), 37);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UP, SDL_SCANCODE_UP), 38);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RIGHT, SDL_SCANCODE_RIGHT), 39);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DOWN, SDL_SCANCODE_DOWN), 40);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F1, SDL_SCANCODE_F1), 112);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F12, SDL_SCANCODE_F12), 123);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F13, SDL_SCANCODE_F13), 124);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_SPACE, SDL_SCANCODE_SPACE), 32);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RETURN, SDL_SCANCODE_RETURN), 13);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), 13);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), 16);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), 16);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RCTRL, SDL_SCANCODE_RCTRL), 17);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_0, SDL_SCANCODE_KP_0), 96);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_9, SDL_SCANCODE_KP_9), 105);
}

TEST(VirtualKeysTest, NonLatinLettersFallBackToTheKeyPosition) {
    // A Cyrillic layout reports the letter "ф" on the key where QWERTY has A.
    EXPECT_EQ(virtualKeyFromSdl(0x0444, SDL_SCANCODE_A), 65);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(InputBaseTest, StateChangesStayInsideTheirTables) {
    class State : public InputBase {
    public:
        bool update(float) override { return true; }
    } input;
    input.setKey(256, true);
    input.setKey(-1, true);
    input.setMouseButton(InputBase::MouseButtonCount, true);
    for (float key : input.keys) {
        EXPECT_EQ(key, 0.0f);
    }
    for (float button : input.mouseButtons) {
        EXPECT_EQ(button, 0.0f);
    }
    input.setKey(255, true);
    EXPECT_EQ(input.keys[255], 1.0f);
    // Odd sizes halve downwards, as an integer shift does.
    input.setMousePosition(0, 0, 641, 481);
    EXPECT_FLOAT_EQ(input.mouseX, -32.0f);
    EXPECT_FLOAT_EQ(input.mouseY, -24.0f);
}

// A game that runs the given check each frame and ends when Escape is held, as the demo does.
class ScriptedGame : public Zem::Main::Game {
public:
    bool init() override {
        input = dynamic_cast<InputBase*>(engine->driver("input"));
        return true;
    }
    bool update(float) override {
        ++frames;
        if (onFrame) {
            onFrame(frames);
        }
        return frames < 100 && input->keys[VirtualKey::Escape] != 1.0f;
    }
    bool shutdown() override { return true; }

    InputBase* input = nullptr;
    std::function<void(int)> onFrame;
    int frames = 0;
};

// The real SDL display and input drivers in an engine, on the offscreen video driver.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = std::make_unique<Engine>();
        engine->setWorkingDir(dir.path());
        auto inputDriver = std::make_unique<Input_sdl2>();
        auto displayDriver = std::make_unique<Display_sdl2>();
        input = inputDriver.get();
        display = displayDriver.get();
        engine->registerDriver("input", std::move(inputDriver));
        engine->registerDriver("display", std::move(displayDriver));
        engine->setGame(&game);
        game.engine = engine.get();

        testing::internal::CaptureStdout();
        const XmlNode config("<config><display/></config>");
        engine->init(config);
        testing::internal::GetCapturedStdout();
        ASSERT_NE(display->getWindow(), nullptr);
        ASSERT_EQ(input->display, display);
        windowId = SDL_GetWindowID(display->getWindow());
        // Whatever opening the window queued (shown, exposed, a first motion) goes first.
        input->update(0.0f);
    }

    void TearDown() override {
        testing::internal::CaptureStdout();
        engine->shutdown();
        engine.reset();
        testing::internal::GetCapturedStdout();
    }

    void pushKey(SDL_Keycode key, SDL_Scancode scancode, bool down) const {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = windowId;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    void pushMotion(int x, int y) const {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = windowId;
        event.motion.x = x;
        event.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    void pushButton(Uint8 button, bool down) const {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = windowId;
        event.button.button = button;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    void pushWindowClose() const {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    bool run() {
        testing::internal::CaptureStdout();
        const bool gameEnded = engine->run();
        testing::internal::GetCapturedStdout();
        return gameEnded;
    }

    ZemTest::TempDir dir;
    ScriptedGame game;
    std::unique_ptr<Engine> engine;
    Input_sdl2* input = nullptr;
    Display_sdl2* display = nullptr;
    Uint32 windowId = 0;
};

TEST_F(InputTest, InfoNamesTheDriver) {
    EXPECT_EQ(input->info(), "SDL2 Input Driver");
}

TEST_F(InputTest, EscapeEndsTheMainLoopAtTheEndOfThatFrame) {
    game.onFrame = [this](int frame) {
        if (frame == 2) {
            pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
        }
    };
    EXPECT_TRUE(run());
    // Pushed during frame 2, pumped at the start of frame 3, which still runs to its end.
    EXPECT_EQ(game.frames, 3);
    EXPECT_EQ(input->keys[27], 1.0f);
}

TEST_F(InputTest, ClosingTheWindowEndsTheMainLoopAtTheEndOfThatFrame) {
    game.onFrame = [this](int frame) {
        if (frame == 2) {
            pushWindowClose();
        }
    };
    // The input driver ended the run, not the game.
    EXPECT_FALSE(run());
    EXPECT_EQ(game.frames, 3);
    EXPECT_TRUE(input->closeRequested);
}

TEST_F(InputTest, QuitEventEndsTheRunLikeAWindowClose) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_FALSE(input->update(0.0f));
    EXPECT_TRUE(input->closeRequested);
}

TEST_F(InputTest, KeyHeldAcrossFramesStaysDownUntilItsKeyUp) {
    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    EXPECT_TRUE(input->update(0.016f));
    EXPECT_EQ(input->keys['A'], 1.0f);
    EXPECT_TRUE(input->update(0.016f));
    EXPECT_EQ(input->keys['A'], 1.0f);
    // Auto-repeat sends key-downs again; the key stays down.
    pushKey(SDLK_a, SDL_SCANCODE_A, true);
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 1.0f);
    pushKey(SDLK_a, SDL_SCANCODE_A, false);
    input->update(0.016f);
    EXPECT_EQ(input->keys['A'], 0.0f);
    EXPECT_EQ(input->keys[27], 0.0f);
}

TEST_F(InputTest, KeyDownAndUpInOneFrameLeaveTheKeyUp) {
    pushKey(SDLK_LEFT, SDL_SCANCODE_LEFT, true);
    pushKey(SDLK_LEFT, SDL_SCANCODE_LEFT, false);
    pushKey(SDLK_RIGHT, SDL_SCANCODE_RIGHT, true);
    input->update(0.016f);
    EXPECT_EQ(input->keys[37], 0.0f);
    EXPECT_EQ(input->keys[39], 1.0f);
}

TEST_F(InputTest, MouseOffsetsAreMeasuredFromTheWindowCentreInTenths) {
    // Pushed events sit ahead of what the pump brings in. Under X11 the motion that the
    // previous centring causes would arrive after them and win; the offscreen driver has none.
    pushMotion(330, 230);
    input->update(0.016f);
    EXPECT_FLOAT_EQ(input->mouseX, 1.0f);
    EXPECT_FLOAT_EQ(input->mouseY, -1.0f);

    // The last motion of the frame wins.
    pushMotion(0, 0);
    pushMotion(420, 480);
    input->update(0.016f);
    EXPECT_FLOAT_EQ(input->mouseX, 10.0f);
    EXPECT_FLOAT_EQ(input->mouseY, 24.0f);
}

TEST_F(InputTest, MouseButtonsAreDownUntilReleased) {
    const Uint8 sdlButtons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1,
                                SDL_BUTTON_X2};
    for (int i = 0; i < InputBase::MouseButtonCount; ++i) {
        pushButton(sdlButtons[i], true);
        input->update(0.016f);
        EXPECT_EQ(input->mouseButtons[i], 1.0f) << "button " << i;
        input->update(0.016f);
        EXPECT_EQ(input->mouseButtons[i], 1.0f) << "button " << i;
        pushButton(sdlButtons[i], false);
        input->update(0.016f);
        EXPECT_EQ(input->mouseButtons[i], 0.0f) << "button " << i;
    }
}

TEST(InputWithoutDisplayTest, PumpsEventsAndIgnoresMotion) {
    Input_sdl2 input;
    ASSERT_TRUE(input.init(XmlNode::empty()));
    EXPECT_EQ(input.display, nullptr);

    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = 500;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    event = SDL_Event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_ESCAPE;
    ASSERT_EQ(SDL_PushEvent(&event), 1);

    EXPECT_TRUE(input.update(0.016f));
    EXPECT_EQ(input.mouseX, 0.0f);
    EXPECT_EQ(input.keys[27], 1.0f);
    input.shutdown();
}

} // namespace
