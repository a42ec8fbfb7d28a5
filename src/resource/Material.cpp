#include "resource/Material.h"

#include "resource/ResourceManager.h"
#include "resource/Texture.h"

namespace Zem::Resource {

Material::~Material() {
    ResourceManager& manager = ResourceManager::instance();
    for (Texture* texture : {diffuseTexture, specularTexture, normalTexture, bumpTexture}) {
        manager.release(texture);
    }
}

} // namespace Zem::Resource
