#pragma once

#include "main/BaseEntity.h"
#include "script/InterpolationTrack.h"

#include <memory>
#include <string>
#include <vector>

class ScriptMaster;

// Moves channels of other entities along cubic curves on the music clock of a ScriptMaster.
// Each command starts a curve for one (entity, channel) pair, or redirects the running one
// without a jump in value or speed.
class Interpolator : public Zem::Main::BaseEntity {
public:
    // "scriptmaster" names the clock, which must come earlier in the world.
    explicit Interpolator(const Zem::Resource::XmlNode& element);
    ~Interpolator() override;

    // Every element is a request: "interptarget" and "index" attributes, "elaps" and the
    // optional "startvalue", "startspeed", "endvalue" and "endspeed" children.
    void command(int time, const Zem::Resource::XmlNode& element) override;
    // Writes every track's channel; a finished track writes its end value once and goes.
    void update(float dt) override;

    // Null when "scriptmaster" named none: the interpolator then does nothing.
    ScriptMaster* scriptMaster = nullptr;
    std::vector<std::unique_ptr<InterpolationTrack>> tracks;

    class Factory;

private:
    // Seconds of music time.
    float musicTime() const;
    // The pair's track, created holding the channel's present value when there is none.
    InterpolationTrack& findTrack(Zem::Main::BaseEntity& entity, int32_t channel);
    void reject(const Zem::Resource::XmlNode& request, const std::string& reason) const;
};

class Interpolator::Factory : public Zem::Main::EntityFactoryOf<Interpolator> {};
