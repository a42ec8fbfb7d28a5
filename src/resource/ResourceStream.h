#pragma once

#include <algorithm>
#include <istream>
#include <string>
#include <type_traits>

namespace Zem::Resource {

// What a loader reads from: an ordinary input stream over the file the manager has opened
// (read, seek, getline, >> all work), plus the byte order of the loader's data and the name
// the resource was requested under. It shares the source's buffer and owns nothing; the source
// must outlive it. Tests can wrap a std::istringstream the same way the manager wraps a file.
class ResourceStream : public std::istream {
public:
    // `path` is the file the name was found as; the name stands for it when not given.
    explicit ResourceStream(std::istream& source, int byteOrder = 1, std::string name = {},
                            std::string path = {});

    // 1 means the host's order: multi-byte numbers are used as stored.
    int byteOrder() const { return byteOrder_; }
    bool swapsBytes() const { return byteOrder_ != 1; }
    const std::string& name() const { return name_; }
    // Where the file was found (search path and name), for messages a maker can follow.
    const std::string& path() const { return path_.empty() ? name_ : path_; }

    // Reads one number as stored, reversing its bytes when the data is not in the host's order.
    template <class T> bool readNumber(T& value);

private:
    int byteOrder_;
    std::string name_;
    std::string path_;
};

template <class T> bool ResourceStream::readNumber(T& value) {
    static_assert(std::is_arithmetic_v<T>, "readNumber reads plain numbers only");
    char bytes[sizeof(T)];
    if (!read(bytes, sizeof(T))) {
        return false;
    }
    if (swapsBytes()) {
        std::reverse(bytes, bytes + sizeof(T));
    }
    std::copy(bytes, bytes + sizeof(T), reinterpret_cast<char*>(&value));
    return true;
}

} // namespace Zem::Resource
