#pragma once

#include "main/BaseEntity.h"

#include <vector>

namespace Zem::Main {

class Driver;

// The viewpoint the scene is rendered from. It moves only through its channels and commands,
// and when it becomes current it marks the rooms it can reach through portals active.
class Camera : public BaseEntity {
public:
    // Its radius is always 0.4, whatever the element says.
    explicit Camera(const Resource::XmlNode& element);
    ~Camera() override;

    // "twitchright": jumps to the element's three-number point of the camera's own frame.
    void command(int time, const Resource::XmlNode& element) override;
    // 0-5 as for any entity; 6-8 move along the camera's own X, Y, Z axes by the value; 9-11
    // add the value to the rotation about X, Y, Z.
    void setChannel(unsigned index, float value) override;

    // Flags the room (the camera's own when null) and every room reachable from it through
    // bound portals as active, each once, depth first.
    void activate(Room* start = nullptr);
    // Clears the flag of every room activate flagged and forgets them.
    void deactivate();

    // In the order activate reached them; not owned.
    std::vector<Room*> activeRooms;
    // The driver registered as "input"; nothing reads it yet. Not owned.
    Driver* input = nullptr;

    class Factory;

private:
    // p taken from the camera's frame into world space with the current world matrix.
    Graphics::Vector3 localToWorld(const Graphics::Vector3& p);
};

class Camera::Factory : public EntityFactoryOf<Camera> {};

} // namespace Zem::Main
