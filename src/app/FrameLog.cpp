#include "app/FrameLog.h"

#include <cstdio>

namespace Zem::App {

FrameLog::FrameLog(const std::string& path) {
    if (!path.empty()) {
        file.open(path, std::ios::out | std::ios::trunc);
        file << "# presented_ms show_ms camera\n";
    }
}

void FrameLog::drawn(int showMs, const std::string& camera) {
    pending = true;
    pendingShowMs = showMs;
    pendingCamera = camera;
}

void FrameLog::presented(double presentedMs) {
    if (!pending || !file.is_open()) {
        return;
    }
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", presentedMs);
    file << time << ' ' << pendingShowMs << ' ' << (pendingCamera.empty() ? "-" : pendingCamera)
         << '\n';
    pending = false;
}

} // namespace Zem::App
