#pragma once

#include "demo/Machinery/Part.h"
#include "graphics/Matrix4.h"
#include "main/EntityFactory.h"

#include <string>

namespace Zem::Resource {
class XmlNode;
}

namespace Machinery {

// A wheel of a gear train: a unit mesh drawn scaled to its radius and depth, turning about its
// own Z axis. A cog without input drives its train at turnRate.
//
// Settings: "radius" (1), "depth" (1), "model" ("kugghjul.obj"), "name"; the factory also
// reads "origin", "parent", "transform", "angle" and "depthoffset" to place it.
class Cog : public Part {
public:
    // Radians per second of a driving cog.
    static constexpr float turnRate = 2.0f;

    // Reads the cog's own settings and collision triangles; placement is the factory's.
    // `defaultModel` stands in when "model" is missing or cannot be loaded.
    explicit Cog(const Zem::Resource::XmlNode& element,
                 const std::string& defaultModel = "kugghjul.obj");
    ~Cog() override;

    // A driving cog pushes its angles down the train, then turns. Every part then shows its
    // angle on top of its base transform.
    void update(float dt) override;
    // The unit model scaled to (cogRadius, cogRadius, cogDepth).
    void draw() override;

    // Meshes with `parent`: the centre goes out by both radii at `degrees` around the parent's
    // rim, `offset` along its axis, and the wheel is turned so the teeth start in step.
    virtual void attachToCog(Cog& parent, float degrees, float offset);
    // Shares the axis of `parent`, turned by `degrees` about it and `offset` along it.
    virtual void attachToAxis(Cog& parent, float degrees, float offset);
    // A driving cog: placed by `transform` in `room`.
    void placeInRoom(Zem::Main::Room& room, const Zem::Graphics::Matrix4& transform);

    float cogDepth = 1.0f;
    float cogRadius = 1.0f;
    // Placement at angle 0.
    Zem::Graphics::Matrix4 baseTransform;

    class Factory;

protected:
    // Where a part mounted on another sits: the cog or axle named by the element's "parent",
    // and its "angle" (degrees) and "depthoffset" (0 when missing).
    struct Mount {
        Cog* carrier = nullptr;
        float degrees = 0.0f;
        float offset = 0.0f;
    };

    // `carrier` is null, with a message naming the element as a `type`, unless the "parent" is
    // a cog or axle standing in a room.
    static Mount readMount(const Zem::Resource::XmlNode& element, const std::string& type);
};

// Null, with a message naming the element, when the part cannot be placed: an "origin" other
// than "room", "cog", "axis" or none; a "parent" that is missing, of the wrong kind (a room for
// "room" or none, a cog or axle otherwise) or not in a room; no "transform" for a driving cog;
// a meshing cog of radius 0.
class Cog::Factory : public Zem::Main::EntityFactory {
public:
    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;
};

} // namespace Machinery
