#include "support/GLContext.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdlib>

namespace ZemTest {

GLContext::GLContext(int width, int height) : windowWidth(width), windowHeight(height) {
    open();
}

GLContext::~GLContext() {
    close();
}

GLContext& GLContext::shared() {
    static GLContext context;
    return context;
}

bool GLContext::open() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failure = std::string("SDL video: ") + SDL_GetError();
        return false;
    }
    videoStarted = true;

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    // Shown, not hidden: under X11 the pixels of a hidden window are undefined.
    sdlWindow = SDL_CreateWindow("zem test", 0, 0, windowWidth, windowHeight,
                                 SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (sdlWindow == nullptr) {
        failure = std::string("SDL window: ") + SDL_GetError();
        close();
        return false;
    }
    context = SDL_GL_CreateContext(sdlWindow);
    if (context == nullptr) {
        failure = std::string("GL context: ") + SDL_GetError();
        close();
        return false;
    }
    if (!makeCurrent()) {
        failure = std::string("make current: ") + SDL_GetError();
        close();
        return false;
    }
    // Under EGL this reports a missing GLX display, yet every entry point is loaded.
    glewInit();
    return true;
}

bool GLContext::makeCurrent() const {
    return context != nullptr && SDL_GL_MakeCurrent(sdlWindow, context) == 0;
}

void GLContext::close() {
    if (context != nullptr) {
        SDL_GL_MakeCurrent(sdlWindow, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (sdlWindow != nullptr) {
        SDL_DestroyWindow(sdlWindow);
        sdlWindow = nullptr;
    }
    if (videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted = false;
    }
}

void GLTest::SetUp() {
    GLContext& context = GLContext::shared();
    ASSERT_TRUE(context.isOpen()) << context.error();
    ASSERT_TRUE(context.makeCurrent()) << SDL_GetError();
}

} // namespace ZemTest
