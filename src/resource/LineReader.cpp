#include "resource/LineReader.h"

#include <cstring>

namespace Zem::Resource {

namespace {

// Large enough that reads cost little per line, small enough to set up for every mesh.
constexpr std::size_t blockSize = 1 << 16;

} // namespace

LineReader::LineReader(std::string_view text) : text(text), atEnd(true) {}

LineReader::LineReader(std::istream& stream) : stream(&stream), buffer(blockSize) {
    start = stream.tellg();
}

bool LineReader::next(std::string_view& line) {
    if (stream == nullptr) {
        if (begin >= text.size()) {
            return false;
        }
        const std::size_t feed = text.find('\n', begin);
        const std::size_t stop = feed == std::string_view::npos ? text.size() : feed;
        line = text.substr(begin, stop - begin);
        begin = stop + 1;
        return true;
    }
    for (;;) {
        const char* first = buffer.data() + begin;
        const void* feed = std::memchr(first + searched, '\n', end - begin - searched);
        if (feed != nullptr) {
            const std::size_t length = static_cast<const char*>(feed) - first;
            line = std::string_view(first, length);
            begin += length + 1;
            searched = 0;
            return true;
        }
        searched = end - begin;
        if (!fill()) {
            // The last line may have no line feed.
            if (begin == end) {
                return false;
            }
            line = std::string_view(buffer.data() + begin, end - begin);
            begin = end;
            searched = 0;
            return true;
        }
    }
}

// Moves the unfinished line to the front, grows the buffer if that line fills it, and reads
// the next block behind it. False when the stream has nothing more.
bool LineReader::fill() {
    if (atEnd) {
        return false;
    }
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    if (end == buffer.size()) {
        buffer.resize(buffer.size() * 2);
    }
    const std::streamsize got = stream->rdbuf()->sgetn(
        buffer.data() + end, static_cast<std::streamsize>(buffer.size() - end));
    if (got <= 0) {
        atEnd = true;
        stream->setstate(std::ios::eofbit);
        return false;
    }
    end += static_cast<std::size_t>(got);
    return true;
}

bool LineReader::rewind() {
    begin = 0;
    searched = 0;
    if (stream == nullptr) {
        return true;
    }
    end = 0;
    atEnd = false;
    stream->clear();
    return start != std::streampos(-1) && stream->rdbuf()->pubseekpos(start, std::ios::in) == start;
}

} // namespace Zem::Resource
