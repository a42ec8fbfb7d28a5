#include "app/FrameLog.h"

#include <cstdio>

namespace Zem::App {

FrameLog::FrameLog(const std::string& path) {
    if (!path.empty()) {
        // Lines end in "\n" on every system, as the tools that read the log expect.
        file.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
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
    // Each line as its frame goes on screen, for a reader watching the run.
    file << time << ' ' << pendingShowMs << ' ' << (pendingCamera.empty() ? "-" : pendingCamera)
         << '\n'
         << std::flush;
    pending = false;
}

} // namespace Zem::App
