#pragma once

#include "graphics/Vector3.h"
#include "main/BaseEntity.h"

namespace Zem::Graphics {

// A point light: lights what lies within its radius in the light pass, and draws its model
// (when it has one) like any entity. Lights stay in their room: portals never carry them.
//
// Channels: 0-5 as BaseEntity, 6-8 colour red, green, blue, 9 radius.
class Light : public Main::BaseEntity {
public:
    // Reads "color" after the entity settings; white when absent.
    explicit Light(const Resource::XmlNode& element);
    ~Light() override;

    // Queues the light for the light pass of the view, and for its geometry pass so a model
    // is drawn too. Views without a light pass only record it.
    void submit(View& view) override;
    void setChannel(unsigned index, float value) override;
    float getChannel(unsigned index) override;

    Vector3 colour;

    class Factory;
};

class Light::Factory : public Main::EntityFactoryOf<Light> {};

} // namespace Zem::Graphics
