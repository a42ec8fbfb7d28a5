#pragma once

#include "resource/ResourceLoader.h"

namespace Zem::Resource {

// Loads "bmp" files: 24-bit uncompressed images become mipmapped 2D textures.
class BMPLoader : public ResourceLoader {
public:
    std::string extension() const override;
    // Null, with the reason on standard error, for an image it does not take; the manager
    // then reports "Unable to load ".
    std::unique_ptr<Resource> load(ResourceStream& stream) override;
};

} // namespace Zem::Resource
