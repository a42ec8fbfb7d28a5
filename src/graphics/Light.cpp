#include "graphics/Light.h"

#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

namespace Zem::Graphics {

namespace {

constexpr unsigned firstColourChannel = 6;
constexpr unsigned radiusChannel = 9;

} // namespace

Light::Light(const Resource::XmlNode& element) : BaseEntity(element), colour(1.0f, 1.0f, 1.0f) {
    flags |= Main::EntityFlags::NoPortalTransfer;
    const Resource::XmlNode& setting = element.child("color");
    // Numbers missing from a given "color" read as 0, not as the default's 1.
    if (!setting.isEmpty()) {
        colour = Vector3();
        Resource::readThreeNumbers(setting.text(), colour);
    }
}

Light::~Light() = default;

void Light::submit(View& view) {
    view.submitted.push_back(this);
    Shader* lightPass = ShaderRegistry::findPass(view.passes, LightShader::passId);
    if (lightPass == nullptr) {
        return;
    }
    lightPass->add(this);
    Shader* geometryPass =
        ShaderRegistry::findPass(view.passes, ShaderRegistry::instance().defaultGeometryPass);
    if (geometryPass != nullptr) {
        geometryPass->add(this);
    }
}

void Light::setChannel(unsigned index, float value) {
    if (index >= firstColourChannel && index < radiusChannel) {
        colour[static_cast<int>(index - firstColourChannel)] = value;
    } else if (index == radiusChannel) {
        radius = value;
    } else {
        BaseEntity::setChannel(index, value);
    }
}

float Light::getChannel(unsigned index) {
    if (index >= firstColourChannel && index < radiusChannel) {
        return colour[static_cast<int>(index - firstColourChannel)];
    }
    if (index == radiusChannel) {
        return radius;
    }
    return BaseEntity::getChannel(index);
}

} // namespace Zem::Graphics
