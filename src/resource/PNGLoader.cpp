#include "resource/PNGLoader.h"

#include "resource/PngImage.h"
#include "resource/loadTextureImage.h"

namespace Zem::Resource {

std::string PNGLoader::extension() const {
    return "png";
}

std::unique_ptr<Resource> PNGLoader::load(ResourceStream& stream) {
    return loadTextureImage<PngImage>(stream);
}

} // namespace Zem::Resource
