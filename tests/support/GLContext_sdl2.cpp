#include "support/Environment.h"
#include "support/GLContext.h"

#include <GL/glew.h>
#include <SDL.h>

namespace ZemTest {

struct GLContext::Native {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

GLContext::GLContext() : native(std::make_unique<Native>()) {
    useHeadlessDrivers();
    // Mesa gives every new object a fresh id, where other drivers hand a deleted one's id on:
    // the tests run against the second kind.
    if (std::getenv("force_gl_names_reuse") == nullptr) {
        setEnvironment("force_gl_names_reuse", "true");
    }
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
    native->window =
        SDL_CreateWindow("zem test", 0, 0, width(), height(), SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    native->context = native->window != nullptr ? SDL_GL_CreateContext(native->window) : nullptr;
    if (native->context == nullptr || !makeCurrent()) {
        failure = std::string("GL context: ") + SDL_GetError();
        return;
    }
    // Under EGL this reports a missing GLX display, yet every entry point is loaded.
    glewInit();
}

GLContext::~GLContext() {
    if (native->context != nullptr) {
        SDL_GL_DeleteContext(native->context);
    }
    if (native->window != nullptr) {
        SDL_DestroyWindow(native->window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool GLContext::isOpen() const {
    return native->context != nullptr;
}

bool GLContext::makeCurrent() const {
    return native->context != nullptr && SDL_GL_MakeCurrent(native->window, native->context) == 0;
}

} // namespace ZemTest
