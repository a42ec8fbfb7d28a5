#include "resource/ResourceLoader.h"

namespace Zem::Resource {

ResourceLoader::~ResourceLoader() = default;

int ResourceLoader::byteOrder() const {
    return 1;
}

} // namespace Zem::Resource
