#include "resource/readWholeStream.h"

namespace Zem::Resource {

std::string readWholeStream(std::istream& stream) {
    std::string bytes;
    std::streambuf* buffer = stream.rdbuf();
    if (buffer == nullptr) {
        return bytes;
    }
    // Reserve the whole size when the stream can tell it, so a large mesh is not copied over
    // and over while it grows.
    const std::streampos start = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
    const std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    if (start != std::streampos(-1) && end != std::streampos(-1) && end > start) {
        bytes.reserve(static_cast<std::size_t>(end - start));
    }
    if (start != std::streampos(-1)) {
        buffer->pubseekpos(start, std::ios::in);
    }
    char chunk[1 << 16];
    for (std::streamsize got; (got = buffer->sgetn(chunk, sizeof chunk)) > 0;) {
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    stream.setstate(std::ios::eofbit);
    return bytes;
}

} // namespace Zem::Resource
