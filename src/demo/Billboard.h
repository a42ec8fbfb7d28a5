#pragma once

#include "main/BaseEntity.h"
#include "main/EntityFactory.h"

#include <string>

namespace Zem::Resource {
class Texture;
}

// A textured rectangle in the X-Y plane of its own frame, centred on its origin and facing +Z,
// whose ambient colour (its glow) is scaled by a brightness. It turns with the entity's own
// rotation, never towards the camera.
//
// Settings: "texture" (none: nothing is drawn), "width" (2), "height" (2), "brightness" (1).
class Billboard : public Zem::Main::BaseEntity {
public:
    explicit Billboard(const Zem::Resource::XmlNode& element);
    // Gives the texture back to the resource manager.
    ~Billboard() override;

    // The quad with its texture on the active unit; nothing without a texture.
    void draw() override;

    std::string textureName;
    // A counted reference from the resource manager, or null.
    Zem::Resource::Texture* texture = nullptr;
    float halfWidth = 1.0f;
    float halfHeight = 1.0f;
    float brightness = 1.0f;

    class Factory;
};

class Billboard::Factory : public Zem::Main::EntityFactoryOf<Billboard> {};
