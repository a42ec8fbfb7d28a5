#include "graphics/Display_win32.h"

#include "main/Engine.h"
#include "main/messageBox.h"
#include "main/report.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <GL/wglew.h>
#include <windows.h>

#include <algorithm>

namespace Zem::Graphics {

std::unique_ptr<DisplayBase> DisplayBase::create() {
    return std::make_unique<Display_win32>();
}

namespace {

const char* const windowClassName = "OpenGL";

// A close request posts a quit message, which the input driver turns into the end of the run;
// the window itself stays until the display shuts down.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void shutdownError(const char* text) {
    Main::messageBox("SHUTDOWN ERROR", text, Main::MessageIcon::Information);
}

} // namespace

Display_win32::~Display_win32() {
    shutdown();
}

std::string Display_win32::info() const {
    return "Win32 Display Driver";
}

void Display_win32::fail(const std::string& text) {
    const DWORD reason = GetLastError();
    shutdown();
    if (reason != 0) {
        Zem::Main::report("Win32 error " + std::to_string(reason));
    }
    Main::messageBox("ERROR", text, Main::MessageIcon::Exclamation);
}

bool Display_win32::init(const Resource::XmlNode& config) {
    readSettings(config);
    instance = GetModuleHandleA(nullptr);

    if (!registerWindowClass()) {
        Main::messageBox("ERROR", "Failed To Register The Window Class.",
                         Main::MessageIcon::Exclamation);
        return false;
    }
    // Offscreen, the window is never shown: it only carries the context.
    if (fullscreen && !offscreen) {
        tryFullscreen();
    }
    if (!createWindow()) {
        fail("Window Creation Error.");
        return false;
    }
    deviceContext = GetDC(window);
    if (deviceContext == nullptr) {
        fail("Can't Create A GL Device Context.");
        return false;
    }
    if (!createContext() || (offscreen && !moveToPixelBuffer())) {
        return false;
    }

    if (!offscreen) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(window);
        ShowCursor(FALSE);
        SetCapture(window);
    }

    setViewport(width, height);
    reportExtensions();
    setInitialState();
    setSwapInterval();
    return true;
}

bool Display_win32::registerWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = &windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    classRegistered = RegisterClassA(&windowClass) != 0;
    return classRegistered;
}

void Display_win32::tryFullscreen() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bpp);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    // A refused mode leaves a window of the same client size, without a word.
    modeChanged = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    fullscreen = modeChanged;
}

bool Display_win32::createWindow() {
    const DWORD exStyle = fullscreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    const DWORD style = fullscreen ? WS_POPUP : WS_OVERLAPPEDWINDOW;
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    window = CreateWindowExA(
        exStyle, windowClassName, "ZEM!", style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    return window != nullptr;
}

bool Display_win32::createContext() {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags =
        PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (doublebuffer ? PFD_DOUBLEBUFFER : 0);
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = static_cast<BYTE>(bpp);
    format.cDepthBits = static_cast<BYTE>(depthbpp);
    format.cStencilBits = static_cast<BYTE>(stencilbpp);
    format.iLayerType = PFD_MAIN_PLANE;

    const int chosen = ChoosePixelFormat(deviceContext, &format);
    if (chosen == 0) {
        fail("Can't Find A Suitable PixelFormat.");
        return false;
    }
    if (!SetPixelFormat(deviceContext, chosen, &format)) {
        fail("Can't Set The PixelFormat.");
        return false;
    }
    renderingContext = wglCreateContext(deviceContext);
    if (renderingContext == nullptr) {
        fail("Can't Create A GL Rendering Context.");
        return false;
    }
    if (!wglMakeCurrent(deviceContext, renderingContext)) {
        fail("Can't Activate The GL Rendering Context.");
        return false;
    }
    return true;
}

bool Display_win32::moveToPixelBuffer() {
    // The window's context loads the entry points that make a pixel buffer.
    glewInit();
    if (!WGLEW_ARB_pbuffer || !WGLEW_ARB_pixel_format) {
        fail("Can't Create A GL Pixel Buffer.");
        return false;
    }
    const int wanted[] = {WGL_DRAW_TO_PBUFFER_ARB,
                          TRUE,
                          WGL_SUPPORT_OPENGL_ARB,
                          TRUE,
                          WGL_PIXEL_TYPE_ARB,
                          WGL_TYPE_RGBA_ARB,
                          WGL_COLOR_BITS_ARB,
                          std::min(bpp, 24),
                          WGL_DEPTH_BITS_ARB,
                          depthbpp,
                          WGL_STENCIL_BITS_ARB,
                          stencilbpp,
                          0};
    int format = 0;
    UINT found = 0;
    if (!wglChoosePixelFormatARB(deviceContext, wanted, nullptr, 1, &format, &found) ||
        found == 0) {
        fail("Can't Find A Suitable PixelFormat.");
        return false;
    }
    pixelBuffer = wglCreatePbufferARB(deviceContext, format, width, height, nullptr);
    pixelBufferContext = pixelBuffer != nullptr ? wglGetPbufferDCARB(pixelBuffer) : nullptr;
    HGLRC context = pixelBufferContext != nullptr ? wglCreateContext(pixelBufferContext) : nullptr;
    if (context == nullptr) {
        fail("Can't Create A GL Pixel Buffer.");
        return false;
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(renderingContext);
    renderingContext = context;
    if (!wglMakeCurrent(pixelBufferContext, renderingContext)) {
        fail("Can't Activate The GL Rendering Context.");
        return false;
    }
    return true;
}

void Display_win32::setSwapInterval() const {
    // True waits for the display on every swap.
    if (WGLEW_EXT_swap_control && wglSwapIntervalEXT != nullptr) {
        wglSwapIntervalEXT(vsync ? 1 : 0);
    }
}

bool Display_win32::update(float) {
    swapBuffers();
    return true;
}

void Display_win32::swapBuffers() {
    if (pixelBufferContext != nullptr) {
        // Nothing to present: the frame stays in the pixel buffer to be read.
        glFlush();
        notePresented();
    } else if (deviceContext != nullptr) {
        SwapBuffers(deviceContext);
        notePresented();
    }
}

void Display_win32::shutdown() {
    if (modeChanged) {
        ChangeDisplaySettingsA(nullptr, 0);
        modeChanged = false;
    }
    if (window != nullptr && !offscreen) {
        ShowCursor(TRUE);
        ReleaseCapture();
    }

    // Every handle is forgotten once released, whether or not the release worked, so a second
    // shutdown (the engine's, after a failed init) has nothing to release twice.
    if (renderingContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) {
            shutdownError("Release Of DC And RC Failed.");
        }
        if (!wglDeleteContext(renderingContext)) {
            shutdownError("Release Rendering Context Failed.");
        }
        renderingContext = nullptr;
    }
    if (pixelBuffer != nullptr) {
        if (pixelBufferContext != nullptr) {
            wglReleasePbufferDCARB(pixelBuffer, pixelBufferContext);
            pixelBufferContext = nullptr;
        }
        wglDestroyPbufferARB(pixelBuffer);
        pixelBuffer = nullptr;
    }
    if (deviceContext != nullptr) {
        if (!ReleaseDC(window, deviceContext)) {
            shutdownError("Release Device Context Failed.");
        }
        deviceContext = nullptr;
    }
    if (window != nullptr) {
        if (!DestroyWindow(window)) {
            shutdownError("Could Not Release hWnd.");
        }
        window = nullptr;
    }
    if (classRegistered) {
        if (!UnregisterClassA(windowClassName, instance)) {
            shutdownError("Could Not Unregister Class.");
        }
        classRegistered = false;
    }
}

} // namespace Zem::Graphics
