#include "resource/BMPLoader.h"

#include "resource/BmpImage.h"
#include "resource/loadTextureImage.h"

namespace Zem::Resource {

std::string BMPLoader::extension() const {
    return "bmp";
}

std::unique_ptr<Resource> BMPLoader::load(ResourceStream& stream) {
    return loadTextureImage<BmpImage>(stream);
}

} // namespace Zem::Resource
