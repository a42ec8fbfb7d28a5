#pragma once

#include <cstdint>

namespace Zem::Resource {

// What became of a cached resource when its file was loaded again.
enum class Reload {
    // The cached object now holds the new content; everyone holding it sees the change.
    InPlace,
    // The new file is unusable; the cached object keeps the old content.
    Refused,
    // This kind of resource cannot change under its holders: they must be built again.
    NotInPlace,
};

// Common base of every cached object. The manager owns it and counts who shares it.
class Resource {
public:
    virtual ~Resource() = default;

    // Takes the content of `fresh`, a new load of the same file, keeping this object's identity
    // so its holders need not know. `fresh` gets the old content and is deleted afterwards.
    virtual Reload adopt(Resource& fresh);

    // 0 when the loader creates the object; raised by each ResourceManager::get.
    int32_t refCount = 0;
};

} // namespace Zem::Resource
