#pragma once

#include "demo/Machinery/Cog.h"

namespace Machinery {

// An axle mounted on a cog, sharing its axis and turning with it; cogs can in turn sit on it.
// Settings as a cog's, with the model "axel.obj"; it has no "origin" and no "transform".
class Axis : public Cog {
public:
    explicit Axis(const Zem::Resource::XmlNode& element);

    // An axle never meshes: mounting it on a cog puts it on that cog's axis.
    void attachToCog(Cog& parent, float degrees, float offset) override;

    class Factory;
};

// Null, with a message naming the element, when the "parent" is not a cog or axle in a room.
class Axis::Factory : public Zem::Main::EntityFactory {
public:
    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;
};

} // namespace Machinery
