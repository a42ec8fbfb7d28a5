#pragma once

#include "demo/LeafCluster.h"
#include "main/BaseEntity.h"
#include "main/EntityFactory.h"

#include <cstdint>
#include <memory>
#include <vector>

// Clusters of lit points ("leaves") about the positions the world gives, generated once from
// a seed and drawn as large GL points. It has no motion of its own.
//
// Settings, all required: "amount" (points per cluster), "spread" (extent of a cluster along
// each axis), "seed"; "instances" holds one "position" child per cluster.
class LeafStorm : public Zem::Main::BaseEntity {
public:
    // Seeds the program's random sequence with "seed", so whatever draws after the storm (the
    // dust glows among others) is fixed by it too.
    explicit LeafStorm(const Zem::Resource::XmlNode& element);
    ~LeafStorm() override;

    void update(float dt) override;
    // Every cluster as 5-pixel points, with a shiny white material.
    void draw() override;

    // In the order of the "position" elements.
    std::vector<std::unique_ptr<LeafCluster>> clusters;
    uint32_t amount = 0;
    float spread = 0.0f;
    int32_t seed = 0;

    class Factory;
};

// Null, with a message naming the missing key, when a required setting is absent.
class LeafStorm::Factory : public Zem::Main::EntityFactory {
public:
    Zem::Main::Entity* create(const Zem::Resource::XmlNode& element) override;
};
