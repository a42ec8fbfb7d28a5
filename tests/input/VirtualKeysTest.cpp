#include "input/VirtualKeys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(VirtualKeysTest, SdlKeysTakeTheirWindowsCodes) {
    const std::tuple<SDL_Keycode, SDL_Scancode, int> cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A'},          {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        {SDLK_0, SDL_SCANCODE_0, '0'},          {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27}, {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_F1, SDL_SCANCODE_F1, 112},        {SDLK_F13, SDL_SCANCODE_F13, 124},
        {SDLK_KP_1, SDL_SCANCODE_KP_1, 97},     {SDLK_KP_9, SDL_SCANCODE_KP_9, 105}};
    for (const auto& [key, scancode, expected] : cases) {
        EXPECT_EQ(Zem::Input::virtualKeyFromSdl(key, scancode), expected) << key;
    }
}

// A layout where these keys give no Latin letter or digit: "&" on "1", "é" on "Q".
TEST(VirtualKeysTest, LettersAndDigitsTheLayoutLacksTakeTheirPlaceOnTheKeyboard) {
    const std::tuple<SDL_Keycode, SDL_Scancode, int> cases[] = {
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'}, {0xE9, SDL_SCANCODE_Q, 'Q'}};
    for (const auto& [key, scancode, expected] : cases) {
        EXPECT_EQ(Zem::Input::virtualKeyFromSdl(key, scancode), expected) << key;
    }
}

} // namespace
