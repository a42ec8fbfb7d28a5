#include "demo/Machinery/Axis.h"

#include "demo/Machinery/Cog2Axis.h"
#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

#include <memory>

namespace Machinery {

Axis::Axis(const Zem::Resource::XmlNode& element) : Cog(element, "axel.obj") {}

void Axis::attachToCog(Cog& parent, float degrees, float offset) {
    attachToAxis(parent, degrees, offset);
}

Zem::Main::Entity* Axis::Factory::create(const Zem::Resource::XmlNode& element) {
    Cog* carrier = findCarrier(element, "Axis");
    if (carrier == nullptr) {
        return nullptr;
    }
    float degrees = 0.0f;
    float offset = 0.0f;
    Zem::Resource::readValue(element, "angle", degrees);
    Zem::Resource::readValue(element, "depthoffset", offset);
    auto* axis = new Axis(element);
    axis->attachToCog(*carrier, degrees, offset);
    axis->hangOn(*carrier, std::make_unique<Cog2Axis>(*carrier, *axis));
    return axis;
}

} // namespace Machinery
