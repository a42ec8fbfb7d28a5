#include "support/GLContext.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdlib>

namespace ZemTest {

GLContext& GLContext::shared() {
    static GLContext context;
    return context;
}

GLContext::GLContext() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // Mesa gives every new object a fresh id, where other drivers hand a deleted one's id on:
    // the tests run against the second kind.
    setenv("force_gl_names_reuse", "true", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failure = std::string("SDL video: ") + SDL_GetError();
        return;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    // Shown, not hidden: under X11 the pixels of a hidden window are undefined.
    sdlWindow =
        SDL_CreateWindow("zem test", 0, 0, width(), height(), SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    context = sdlWindow != nullptr ? SDL_GL_CreateContext(sdlWindow) : nullptr;
    if (context == nullptr || !makeCurrent()) {
        failure = std::string("GL context: ") + SDL_GetError();
        return;
    }
    // Under EGL this reports a missing GLX display, yet every entry point is loaded.
    glewInit();
}

GLContext::~GLContext() {
    if (context != nullptr) {
        SDL_GL_DeleteContext(context);
    }
    if (sdlWindow != nullptr) {
        SDL_DestroyWindow(sdlWindow);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool GLContext::makeCurrent() const {
    return context != nullptr && SDL_GL_MakeCurrent(sdlWindow, context) == 0;
}

void GLTest::SetUp() {
    ASSERT_TRUE(gl().isOpen()) << gl().error();
    ASSERT_TRUE(gl().makeCurrent()) << SDL_GetError();
}

} // namespace ZemTest
