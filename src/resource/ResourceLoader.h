#pragma once

#include "resource/Resource.h"

#include <memory>
#include <string>

namespace Zem::Resource {

class ResourceStream;

// Turns the bytes of one file format into a resource. The manager picks a loader by the
// requested name's extension and never deletes it.
class ResourceLoader {
public:
    virtual ~ResourceLoader();

    // Lower case, without the dot: "bmp", "obj", "template".
    virtual std::string extension() const = 0;
    // 1 means the data is in the host's byte order.
    virtual int byteOrder() const;
    // A new resource, or null when the data cannot be used.
    virtual std::unique_ptr<Resource> load(ResourceStream& stream) = 0;
};

} // namespace Zem::Resource
