#pragma once

#include <memory>
#include <string>

namespace Zem::Resource {

class Texture;

// Surface settings of one "newmtl" entry of a material library, with the textures its maps
// name once an OBJ load has acquired them.
class Material {
public:
    Material() = default;
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;
    // Gives each acquired texture back to the resource manager.
    ~Material();

    // A new material of the same settings and map names, without textures: its holder acquires
    // its own.
    std::unique_ptr<Material> withoutTextures() const;

    std::string name;
    // "Ka"; the fourth value stays 0 and is what GL_AMBIENT's alpha receives.
    float ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float diffuse[3] = {0.0f, 0.0f, 0.0f};  // "Kd"
    float specular[3] = {0.0f, 0.0f, 0.0f}; // "Ks"
    float shininess = 1.0f;                 // "Ns"

    // Bare file names of "map_Kd", "map_Ks", "map_Normal" and "map_Bump"; empty when absent.
    std::string diffuseMap;
    std::string specularMap;
    std::string normalMap;
    std::string bumpMap;

    // Counted references in the resource cache, or null; drawn on units 0, 1, 3 and 2.
    Texture* diffuseTexture = nullptr;
    Texture* specularTexture = nullptr;
    Texture* normalTexture = nullptr;
    Texture* bumpTexture = nullptr;
};

} // namespace Zem::Resource
