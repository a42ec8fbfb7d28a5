#include "resource/ResourceStream.h"

#include <utility>

namespace Zem::Resource {

ResourceStream::ResourceStream(std::istream& source, int byteOrder, std::string name,
                               std::string path)
    : std::istream(source.rdbuf()), byteOrder_(byteOrder), name_(std::move(name)),
      path_(std::move(path)) {}

} // namespace Zem::Resource
