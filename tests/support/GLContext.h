#pragma once

#include <gtest/gtest.h>

#include <string>

struct SDL_Window;

namespace ZemTest {

// A 64 x 64 window with an OpenGL compatibility context, shared by every GL test of a program.
// Headless unless the environment already chose SDL's video and audio drivers.
class GLContext {
public:
    static GLContext& shared();
    ~GLContext();

    bool isOpen() const { return context != nullptr; }
    const std::string& error() const { return failure; }
    // Another window, such as a display driver's, may have taken over.
    bool makeCurrent() const;
    int width() const { return 64; }
    int height() const { return 64; }

private:
    GLContext();

    SDL_Window* sdlWindow = nullptr;
    void* context = nullptr;
    std::string failure;
};

// Base for GL tests: the shared context is current, or the test fails at once.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    GLContext& gl() const { return GLContext::shared(); }
};

} // namespace ZemTest
