#pragma once

#include "graphics/Vector3.h"
#include "main/BaseEntity.h"
#include "main/EntityFactory.h"

#include <vector>

class Dust;

// A cloud of glowing specks drifting about the glow's position: each frame every speck takes a
// damped random walk that keeps it near the shell of its starting distance, while it tumbles
// about a slowly wandering axis. The specks draw from the program's one random sequence, so
// what they do depends on what was drawn before them.
//
// Settings, required unless a default is given: "maxradius", "maxacc", "maxspeed",
// "trianglesize" (0.01), "speedbrake", "rotationspeed" (degrees per second),
// "rotationcoursechange" (per second), "particles"; "dustinitdata" holds the light settings
// every speck is built from.
class DustGlow : public Zem::Main::BaseEntity {
public:
    // Builds the specks: in the glow's room, in the game's list, 18 random draws each.
    explicit DustGlow(const Zem::Resource::XmlNode& element);
    // The specks belong to the game; only the list goes.
    ~DustGlow() override;

    // Moves every speck; 6 random draws each.
    void update(float dt) override;

    float maxRadius = 0.0f;
    float maxAcceleration = 0.0f;
    float maxSpeed = 0.0f;
    float speedBrake = 0.0f;
    float rotationSpeed = 0.0f;
    float rotationCourseChange = 0.0f;
    // In creation order; not owned.
    std::vector<Dust*> specks;

    class Factory;

private:
    void scatter(Dust& speck) const;
    void move(Dust& speck, float dt) const;
};

// Null, with a message naming the missing key, when a required setting is absent.
class DustGlow::Factory : public Zem::Main::EntityFactory {
public:
    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;
};
