#pragma once

#include <cstdint>

namespace Zem::Resource {

// Common base of every cached object. The manager owns it and counts who shares it.
class Resource {
public:
    virtual ~Resource() = default;

    // 0 when the loader creates the object; raised by each ResourceManager::get.
    int32_t refCount = 0;
};

} // namespace Zem::Resource
