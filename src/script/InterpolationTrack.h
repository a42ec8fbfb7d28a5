#pragma once

#include <cstdint>

namespace Zem::Main {
class BaseEntity;
}

// One running curve of an Interpolator: a cubic in normalised time x = (t - startTime) /
// duration, value = a x^3/6 + b x^2/2 + c x + d. Speeds are per whole duration, not per second.
class InterpolationTrack {
public:
    // A curve that holds value with speed 0.
    InterpolationTrack(Zem::Main::BaseEntity* entity, int32_t channel, float value);

    float value(float t) const;
    float speed(float t) const;
    // The Hermite curve from value p0 with speed m0 at t0 to p1 with speed m1 at t0 + T.
    void set(float t0, float T, float p0, float p1, float m0, float m1);
    // Whether the curve is still going at t; the end is compared unrounded.
    bool runsAt(float t) const;
    float endTime() const;

    // Not owned.
    Zem::Main::BaseEntity* entity;
    int32_t channel;
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d;
    float startTime = 0.0f;
    float duration = 1.0f;

private:
    float normalisedTime(float t) const;
};
