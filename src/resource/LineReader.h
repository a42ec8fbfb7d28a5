#pragma once

#include <cstddef>
#include <istream>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// Hands out the lines of a text one at a time, from memory or from a stream read in large
// blocks, so a big file is never held whole and can be read twice by rewinding. A line of any
// length is returned whole.
class LineReader {
public:
    explicit LineReader(std::string_view text);
    // Reads from the stream's current place, which rewind() returns to.
    explicit LineReader(std::istream& stream);

    // The next line without its line feed, valid until the next call; false at the end.
    bool next(std::string_view& line);
    // Back to the first line. False when the stream cannot seek back.
    bool rewind();

private:
    bool fill();

    std::istream* stream = nullptr;
    std::streampos start;
    // Memory: the whole text. Stream: the bytes read and not yet handed out.
    std::string_view text;
    std::vector<char> buffer;
    std::size_t begin = 0;
    std::size_t end = 0;
    // How far past begin the current line was searched for its line feed.
    std::size_t searched = 0;
    bool atEnd = false;
};

} // namespace Zem::Resource
