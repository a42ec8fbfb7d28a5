#pragma once

#include "graphics/DisplayBase.h"

#include <string>

// Win32 handle types as windows.h declares them, so this header does not need it.
struct HWND__;
struct HDC__;
struct HGLRC__;
struct HINSTANCE__;
struct HPBUFFERARB__;

namespace Zem::Graphics {

// The program's one window, of class "OpenGL" and titled "ZEM!", with a WGL rendering context.
class Display_win32 : public DisplayBase {
public:
    ~Display_win32() override;

    // Opens the window and the context and sets up the projection and GL state. False after a
    // failure, which has been shown to the user.
    bool init(const Resource::XmlNode& config) override;
    // Restores the desktop and releases whatever init created; safe to call again.
    void shutdown() override;
    std::string info() const override;
    // Presents the previous frame; the display never ends the main loop.
    bool update(float dt) override;
    void swapBuffers() override;

    HWND__* getWindow() const { return window; }

private:
    bool registerWindowClass();
    void tryFullscreen();
    bool createWindow();
    bool createContext();
    // Offscreen: the context moves to a pixel buffer of the display's size, which no screen
    // limits.
    bool moveToPixelBuffer();
    void setSwapInterval() const;
    // A start-up line for the log and standard output.
    // Releases what init created so far and shows the failure.
    void fail(const std::string& text);

    HGLRC__* renderingContext = nullptr;
    HDC__* deviceContext = nullptr;
    HWND__* window = nullptr;
    HPBUFFERARB__* pixelBuffer = nullptr;
    HDC__* pixelBufferContext = nullptr;
    HINSTANCE__* instance = nullptr;
    bool classRegistered = false;
    bool modeChanged = false;
};

} // namespace Zem::Graphics
