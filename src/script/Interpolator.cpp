#include "script/Interpolator.h"

#include "main/Game.h"
#include "main/report.h"
#include "resource/XmlNode.h"
#include "resource/readLongestNumber.h"
#include "script/ScriptMaster.h"

#include <cmath>
#include <sstream>
#include <type_traits>

using Zem::Main::BaseEntity;
using Zem::Resource::XmlNode;

namespace {

Zem::Main::Entity* findEntity(const std::string& name) {
    Zem::Main::Game* game = Zem::Main::currentGame;
    return game != nullptr ? game->findEntity(name) : nullptr;
}

template <class Number> bool readNumber(const std::string& text, Number& target) {
    std::istringstream in(text);
    Number value{};
    bool read = false;
    if constexpr (std::is_floating_point_v<Number>) {
        read = Zem::Resource::readLongestNumber(in, value);
    } else {
        read = static_cast<bool>(in >> value);
    }
    if (!read) {
        return false;
    }
    target = value;
    return true;
}

// A curve value given by a child: absent leaves present false; unreadable fails.
bool readOptional(const XmlNode& request, const char* key, bool& present, float& value) {
    present = request.childCount(key) > 0;
    return !present || readNumber(request.child(key).text(), value);
}

} // namespace

Interpolator::Interpolator(const XmlNode& element) : BaseEntity(element) {
    const std::string clockName = element.child("scriptmaster").text();
    // Anything but a ScriptMaster counts as not found.
    scriptMaster = dynamic_cast<ScriptMaster*>(findEntity(clockName));
    if (scriptMaster == nullptr) {
        Zem::Main::report(std::string("Interpolator \"") + name + "\": no ScriptMaster named \"" +
                          clockName + "\"; it does nothing");
    }
}

Interpolator::~Interpolator() = default;

float Interpolator::musicTime() const {
    return static_cast<float>(scriptMaster->musicTimeMs()) * 0.001f;
}

void Interpolator::reject(const XmlNode& request, const std::string& reason) const {
    Zem::Main::report(std::string("Interpolator \"") + name + "\": the request for \"" +
                      request.attribute("interptarget") + "\" channel \"" +
                      request.attribute("index") + "\" is ignored: " + reason);
}

void Interpolator::command(int, const XmlNode& element) {
    if (scriptMaster == nullptr) {
        return;
    }
    auto* target = dynamic_cast<BaseEntity*>(findEntity(element.attribute("interptarget")));
    if (target == nullptr) {
        return;
    }
    int32_t channel = 0;
    if (!readNumber(element.attribute("index"), channel)) {
        reject(element, "its \"index\" is not a number");
        return;
    }
    const int32_t steps = ScriptMaster::stepCount(element.child("elaps").text());
    if (steps <= 0) {
        reject(element, "its \"elaps\" is not a positive time");
        return;
    }
    const float duration = static_cast<float>(steps * 0.001 / scriptMaster->stepsPerMs);
    if (!std::isfinite(duration) || duration <= 0.0f) {
        reject(element, "its ScriptMaster has no tempo");
        return;
    }
    bool hasStartValue = false;
    bool hasStartSpeed = false;
    bool hasEndValue = false;
    bool hasEndSpeed = false;
    float startValue = 0.0f;
    float startSpeed = 0.0f;
    float endValue = 0.0f;
    float endSpeed = 0.0f;
    if (!readOptional(element, "startvalue", hasStartValue, startValue) ||
        !readOptional(element, "startspeed", hasStartSpeed, startSpeed) ||
        !readOptional(element, "endvalue", hasEndValue, endValue) ||
        !readOptional(element, "endspeed", hasEndSpeed, endSpeed)) {
        reject(element, "a value in it is not a number");
        return;
    }

    // The curve starts now, not at the time the script gave the event.
    const float now = musicTime();
    InterpolationTrack& track = findTrack(*target, channel);
    // Defaults continue the running curve, evaluated before it is replaced.
    const float p0 = hasStartValue ? startValue : track.value(now);
    const float m0 = hasStartSpeed ? startSpeed : track.speed(now);
    track.set(now, duration, p0, endValue, m0, endSpeed);
}

InterpolationTrack& Interpolator::findTrack(BaseEntity& entity, int32_t channel) {
    for (const auto& track : tracks) {
        if (track->entity == &entity && track->channel == channel) {
            return *track;
        }
    }
    tracks.push_back(std::make_unique<InterpolationTrack>(
        &entity, channel, entity.getChannel(static_cast<unsigned>(channel))));
    return *tracks.back();
}

void Interpolator::update(float) {
    if (scriptMaster == nullptr) {
        return;
    }
    const float now = musicTime();
    for (size_t i = 0; i < tracks.size();) {
        InterpolationTrack& track = *tracks[i];
        const unsigned channel = static_cast<unsigned>(track.channel);
        if (track.runsAt(now)) {
            track.entity->setChannel(channel, track.value(now));
            ++i;
        } else {
            track.entity->setChannel(channel, track.value(track.endTime()));
            tracks.erase(tracks.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}
