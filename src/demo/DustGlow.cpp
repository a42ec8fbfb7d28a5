#include "demo/DustGlow.h"

#include "demo/Dust.h"
#include "demo/hasRequiredSettings.h"
#include "demo/isWithinCountLimit.h"
#include "main/Random.h"
#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Random;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

namespace {

// Three draws: the first becomes z, the second y, the third x. Each is r - 0.5 with r in
// [0, 1] when centred, r itself otherwise.
Vector3 randomVector(bool centred) {
    const float shift = centred ? 0.5f : 0.0f;
    Vector3 v;
    v.z = Random::unit() - shift;
    v.y = Random::unit() - shift;
    v.x = Random::unit() - shift;
    return v;
}

Vector3 normalised(Vector3 v) {
    v.normalise();
    return v;
}

void setTranslation(Matrix4& m, const Vector3& p) {
    m.m[12] = p.x;
    m.m[13] = p.y;
    m.m[14] = p.z;
}

// Longer than `limit`: the same direction at exactly that length.
Vector3 clampLength(const Vector3& v, float limit) {
    if (v.length() > limit) {
        return normalised(v) * limit;
    }
    return v;
}

} // namespace

DustGlow::DustGlow(const XmlNode& element) : BaseEntity(element) {
    readValue(element, "maxradius", maxRadius);
    readValue(element, "maxacc", maxAcceleration);
    readValue(element, "maxspeed", maxSpeed);
    float triangleSize = 0.01f;
    readValue(element, "trianglesize", triangleSize);
    readValue(element, "speedbrake", speedBrake);
    readValue(element, "rotationspeed", rotationSpeed);
    readValue(element, "rotationcoursechange", rotationCourseChange);
    int particles = 0;
    readValue(element, "particles", particles);

    const XmlNode& speckSettings = element.child("dustinitdata");
    for (int i = 0; i < particles; ++i) {
        auto* speck = new Dust(speckSettings);
        speck->setRoom(room);
        scatter(*speck);
        speck->triangleSize = triangleSize;
        specks.push_back(speck);
    }
}

DustGlow::~DustGlow() = default;

// The order of the draws is part of the show: the same seed gives the same cloud.
void DustGlow::scatter(Dust& speck) const {
    const Vector3 axis = normalised(randomVector(false));
    const float degrees = Random::unit() * 180.0f;
    Matrix4 m = Matrix4::rotation(degrees, axis.x, axis.y, axis.z);

    const Vector3 direction = normalised(randomVector(true));
    const float distance = Random::unit() * maxRadius;
    const Vector3 offset = direction * distance;
    setTranslation(m, position + offset);
    speck.setWorldMatrix(m);
    speck.shellRadius = offset.length();

    speck.velocity = randomVector(true) * 0.1f;
    const Vector3 push = normalised(randomVector(true));
    speck.acceleration = push * (Random::unit() * maxAcceleration);
    speck.spinAxis = normalised(randomVector(true));
}

void DustGlow::update(float dt) {
    for (Dust* speck : specks) {
        move(*speck, dt);
    }
}

void DustGlow::move(Dust& speck, float dt) const {
    Matrix4 m = speck.getWorldMatrix();
    const Vector3 p = m.getTranslation() + speck.velocity * dt;
    setTranslation(m, p);
    m = Matrix4::product(m, Matrix4::rotation(dt * rotationSpeed, speck.spinAxis.x,
                                              speck.spinAxis.y, speck.spinAxis.z));
    speck.spinAxis = normalised(speck.spinAxis + randomVector(true) * (dt * rotationCourseChange));
    speck.setWorldMatrix(m);

    // Inside its shell the speck is pushed outward, outside it is pulled back in; exactly on
    // it, outward.
    Vector3 towardShell = p - position;
    if (speck.shellRadius < towardShell.length()) {
        towardShell = -towardShell;
    }
    towardShell.normalise();

    // Per frame, not scaled by dt: only the position and the tumbling follow the clock.
    const Vector3 wander = randomVector(true) * 0.01f;
    speck.acceleration =
        clampLength(speck.acceleration + wander + towardShell * 0.005f, maxAcceleration);
    speck.velocity = clampLength((speck.velocity + speck.acceleration) * speedBrake, maxSpeed);
}

Zem::Main::Entity* DustGlow::Factory::create(const XmlNode& element) {
    if (!hasRequiredSettings(element, "DustGlow",
                             {"maxradius", "maxacc", "maxspeed", "speedbrake", "rotationspeed",
                              "rotationcoursechange", "particles"})) {
        return nullptr;
    }
    int particles = 0;
    readValue(element, "particles", particles);
    if (!isWithinCountLimit(element, "DustGlow", "specks (\"particles\")", particles,
                            CountLimits::specks)) {
        return nullptr;
    }
    return new DustGlow(element);
}
