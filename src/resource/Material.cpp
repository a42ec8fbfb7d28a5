#include "resource/Material.h"

#include "resource/ResourceManager.h"
#include "resource/Texture.h"

#include <algorithm>
#include <iterator>

namespace Zem::Resource {

Material::~Material() {
    ResourceManager& manager = ResourceManager::instance();
    for (Texture* texture : {diffuseTexture, specularTexture, normalTexture, bumpTexture}) {
        manager.release(texture);
    }
}

std::unique_ptr<Material> Material::withoutTextures() const {
    auto copy = std::make_unique<Material>();
    copy->name = name;
    std::copy(std::begin(ambient), std::end(ambient), copy->ambient);
    std::copy(std::begin(diffuse), std::end(diffuse), copy->diffuse);
    std::copy(std::begin(specular), std::end(specular), copy->specular);
    copy->shininess = shininess;
    copy->diffuseMap = diffuseMap;
    copy->specularMap = specularMap;
    copy->normalMap = normalMap;
    copy->bumpMap = bumpMap;
    return copy;
}

} // namespace Zem::Resource
