#include "demo/Machinery/Axis.h"

#include "demo/Machinery/Cog2Axis.h"
#include "resource/XmlNode.h"

#include <memory>

namespace Machinery {

Axis::Axis(const Zem::Resource::XmlNode& element) : Cog(element, "axel.obj") {}

void Axis::attachToCog(Cog& parent, float degrees, float offset) {
    attachToAxis(parent, degrees, offset);
}

Zem::Main::Entity* Axis::Factory::create(const Zem::Resource::XmlNode& element) {
    const Mount mount = readMount(element, "Axis");
    if (mount.carrier == nullptr) {
        return nullptr;
    }
    Cog& carrier = *mount.carrier;
    auto* axis = new Axis(element);
    axis->attachToCog(carrier, mount.degrees, mount.offset);
    axis->hangOn(carrier, std::make_unique<Cog2Axis>(carrier, *axis));
    return axis;
}

} // namespace Machinery
