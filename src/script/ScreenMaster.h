#pragma once

#include "main/BaseEntity.h"

// Makes the HDR pass's exposure (channel 0) and bloom scale (channel 1) reachable as channels,
// so the script can fade them with an Interpolator like any other value.
class ScreenMaster : public Zem::Main::BaseEntity {
public:
    explicit ScreenMaster(const Zem::Resource::XmlNode& element);

    // Other indices are ignored; the entity's own position and rotation are never touched.
    void setChannel(unsigned index, float value) override;
    // Other indices read 0.
    float getChannel(unsigned index) override;

    class Factory;
};

class ScreenMaster::Factory : public Zem::Main::EntityFactoryOf<ScreenMaster> {};
