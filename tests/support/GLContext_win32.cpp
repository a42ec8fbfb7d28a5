#include "support/GLContext.h"

#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

namespace ZemTest {

struct GLContext::Native {
    HWND window = nullptr;
    HDC windowDevice = nullptr;
    HPBUFFERARB buffer = nullptr;
    HDC bufferDevice = nullptr;
    HGLRC context = nullptr;
};

namespace {

const char* const windowClass = "zem test";

// A first context on a window that is never shown, to load the entry points; false when none.
bool openFirstContext(HWND window, HDC device) {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 24;
    format.cStencilBits = 8;
    const int chosen = ChoosePixelFormat(device, &format);
    if (window == nullptr || chosen == 0 || !SetPixelFormat(device, chosen, &format)) {
        return false;
    }
    HGLRC first = wglCreateContext(device);
    return first != nullptr && wglMakeCurrent(device, first) && glewInit() == GLEW_OK;
}

} // namespace

// The tests draw into a pixel buffer: no screen, nor another window over it, touches its pixels.
GLContext::GLContext() : native(std::make_unique<Native>()) {
    WNDCLASSA registration{};
    registration.lpfnWndProc = &DefWindowProcA;
    registration.hInstance = GetModuleHandleA(nullptr);
    registration.lpszClassName = windowClass;
    RegisterClassA(&registration);
    native->window = CreateWindowExA(0, windowClass, windowClass, WS_POPUP, 0, 0, width(), height(),
                                     nullptr, nullptr, registration.hInstance, nullptr);
    native->windowDevice = native->window != nullptr ? GetDC(native->window) : nullptr;
    if (!openFirstContext(native->window, native->windowDevice) || !WGLEW_ARB_pbuffer ||
        !WGLEW_ARB_pixel_format) {
        failure = "no WGL context with pixel buffers";
        return;
    }
    HGLRC first = wglGetCurrentContext();
    const int wanted[] = {WGL_DRAW_TO_PBUFFER_ARB,
                          TRUE,
                          WGL_SUPPORT_OPENGL_ARB,
                          TRUE,
                          WGL_PIXEL_TYPE_ARB,
                          WGL_TYPE_RGBA_ARB,
                          WGL_COLOR_BITS_ARB,
                          24,
                          WGL_DEPTH_BITS_ARB,
                          24,
                          WGL_STENCIL_BITS_ARB,
                          8,
                          0};
    int format = 0;
    UINT found = 0;
    if (wglChoosePixelFormatARB(native->windowDevice, wanted, nullptr, 1, &format, &found) &&
        found > 0) {
        native->buffer =
            wglCreatePbufferARB(native->windowDevice, format, width(), height(), nullptr);
    }
    native->bufferDevice = native->buffer != nullptr ? wglGetPbufferDCARB(native->buffer) : nullptr;
    native->context =
        native->bufferDevice != nullptr ? wglCreateContext(native->bufferDevice) : nullptr;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(first);
    if (native->context == nullptr || !makeCurrent()) {
        failure =
            "no GL context on a pixel buffer (WGL error " + std::to_string(GetLastError()) + ")";
        return;
    }
    glewInit();
}

GLContext::~GLContext() {
    wglMakeCurrent(nullptr, nullptr);
    if (native->context != nullptr) {
        wglDeleteContext(native->context);
    }
    if (native->bufferDevice != nullptr) {
        wglReleasePbufferDCARB(native->buffer, native->bufferDevice);
    }
    if (native->buffer != nullptr) {
        wglDestroyPbufferARB(native->buffer);
    }
    if (native->windowDevice != nullptr) {
        ReleaseDC(native->window, native->windowDevice);
    }
    if (native->window != nullptr) {
        DestroyWindow(native->window);
    }
}

bool GLContext::isOpen() const {
    return native->context != nullptr;
}

bool GLContext::makeCurrent() const {
    return native->context != nullptr && wglMakeCurrent(native->bufferDevice, native->context);
}

} // namespace ZemTest
