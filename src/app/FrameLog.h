#pragma once

#include <fstream>
#include <string>

namespace Zem::App {

// When each frame went on screen and what it showed, a line per frame, for measuring the picture
// against the heard music: "<steady ms on screen> <show ms drawn> <camera>".
class FrameLog {
public:
    // Empty path: logs nothing.
    explicit FrameLog(const std::string& path);

    bool isOpen() const { return file.is_open(); }
    // The frame just drawn, at show time showMs from the camera.
    void drawn(int showMs, const std::string& camera);
    // The last frame drawn went on screen at presentedMs.
    void presented(double presentedMs);

private:
    std::ofstream file;
    bool pending = false;
    int pendingShowMs = 0;
    std::string pendingCamera;
};

} // namespace Zem::App
