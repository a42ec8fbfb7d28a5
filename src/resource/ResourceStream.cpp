#include "resource/ResourceStream.h"

#include <utility>

namespace Zem::Resource {

ResourceStream::ResourceStream(std::istream& source, int byteOrder, std::string name)
    : std::istream(source.rdbuf()), byteOrder_(byteOrder), name_(std::move(name)) {}

} // namespace Zem::Resource
