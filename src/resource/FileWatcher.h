#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Zem::Resource {

// Tells which files changed on disk, by their modification times, looking at most once per
// interval. It reads the wall clock: noticing a saved file has nothing to do with show time.
class FileWatcher {
public:
    // Milliseconds from any fixed point.
    using Clock = std::function<int64_t()>;

    // The steady clock unless another is given (tests step their own).
    explicit FileWatcher(Clock clock = Clock(), int64_t intervalMs = 1000);

    // The files among `paths` whose modification time differs from the last look, in the order
    // given; empty when the interval has not passed since the last look. A path seen for the
    // first time is only noted; one that went missing is a change once it is back with another
    // time. Paths no longer given are forgotten.
    std::vector<std::string> poll(const std::vector<std::string>& paths);
    // Whether the next poll would look: lets a caller skip gathering the paths.
    bool due() const;

private:
    using Stamp = std::optional<std::filesystem::file_time_type>;

    // What is known of one path. The file's path object is kept so that looking again
    // allocates nothing: a look comes every second of a show.
    struct Entry {
        std::filesystem::path file;
        Stamp stamp;
        uint64_t lastSeen = 0;
    };

    static Stamp stampOf(const std::filesystem::path& file);

    Clock clock;
    int64_t intervalMs;
    std::optional<int64_t> lastLook;
    uint64_t looks = 0;
    std::map<std::string, Entry> entries;
};

} // namespace Zem::Resource
