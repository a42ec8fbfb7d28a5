#include "resource/FileWatcher.h"

#include <chrono>

namespace Zem::Resource {

namespace {

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

FileWatcher::FileWatcher(Clock clock, int64_t intervalMs)
    : clock(clock ? std::move(clock) : Clock(steadyMs)), intervalMs(intervalMs) {}

FileWatcher::Stamp FileWatcher::stampOf(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) {
        return std::nullopt;
    }
    return time;
}

bool FileWatcher::due() const {
    return !lastLook || clock() - *lastLook >= intervalMs;
}

std::vector<std::string> FileWatcher::poll(const std::vector<std::string>& paths) {
    if (!due()) {
        return {};
    }
    const int64_t now = clock();
    lastLook = now;

    std::map<std::string, Stamp> seen;
    std::vector<std::string> changed;
    for (const std::string& path : paths) {
        if (seen.count(path) != 0) {
            continue;
        }
        const Stamp stamp = stampOf(path);
        const auto known = stamps.find(path);
        // A file caught missing (mid-save) keeps its last good time, so it counts as changed
        // only when it is back and different.
        if (known != stamps.end() && stamp && stamp != known->second) {
            changed.push_back(path);
        }
        const bool keepOld = !stamp && known != stamps.end();
        seen[path] = keepOld ? known->second : stamp;
    }
    stamps.swap(seen);
    return changed;
}

} // namespace Zem::Resource
