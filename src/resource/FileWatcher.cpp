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

FileWatcher::Stamp FileWatcher::stampOf(const std::filesystem::path& file) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
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
    lastLook = clock();
    ++looks;

    std::vector<std::string> changed;
    for (const std::string& path : paths) {
        auto known = entries.find(path);
        if (known == entries.end()) {
            Entry entry{std::filesystem::path(path), Stamp(), looks};
            entry.stamp = stampOf(entry.file);
            entries.emplace(path, std::move(entry));
            continue;
        }
        Entry& entry = known->second;
        if (entry.lastSeen == looks) {
            continue; // given twice
        }
        entry.lastSeen = looks;
        const Stamp stamp = stampOf(entry.file);
        // A file caught missing (mid-save) keeps its last good time, so it counts as changed
        // only when it is back and different.
        if (!stamp) {
            continue;
        }
        if (stamp != entry.stamp) {
            changed.push_back(path);
        }
        entry.stamp = stamp;
    }
    for (auto entry = entries.begin(); entry != entries.end();) {
        entry = entry->second.lastSeen == looks ? std::next(entry) : entries.erase(entry);
    }
    return changed;
}

} // namespace Zem::Resource
