#pragma once

#include "resource/ResourceLoader.h"

namespace Zem::Resource {

// Loads "png" files: 8-bit RGB and RGBA images become mipmapped 2D textures, like BMP ones.
class PNGLoader : public ResourceLoader {
public:
    std::string extension() const override;
    // Null, with the reason reported, for an image it does not take; the manager then reports
    // "Unable to load ".
    std::unique_ptr<Resource> load(ResourceStream& stream) override;
};

} // namespace Zem::Resource
