#pragma once

#include <gtest/gtest.h>

#include <string>

struct SDL_Window;

namespace ZemTest {

// An OpenGL compatibility context on a small window, for tests that check GL state or read
// pixels back. Headless by default: SDL_VIDEODRIVER=offscreen and SDL_AUDIODRIVER=dummy are
// set before SDL starts unless the environment already chose a driver.
class GLContext {
public:
    GLContext(int width = 64, int height = 64);
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;
    ~GLContext();

    // The context every GL test of the program shares, opened on first use and closed when the
    // program exits.
    static GLContext& shared();

    bool isOpen() const { return context != nullptr; }
    // Why the context could not be opened, when it could not.
    const std::string& error() const { return failure; }
    // Makes this context current again (another window, such as a display driver's, may
    // have taken over); false when it is not open.
    bool makeCurrent() const;
    void close();

    int width() const { return windowWidth; }
    int height() const { return windowHeight; }

private:
    bool open();

    int windowWidth;
    int windowHeight;
    bool videoStarted = false;
    SDL_Window* sdlWindow = nullptr;
    void* context = nullptr;
    std::string failure;
};

// Base for GL tests: the shared context is current in every test; the test fails at once
// when it cannot be opened.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    GLContext& gl() const { return GLContext::shared(); }
};

} // namespace ZemTest
