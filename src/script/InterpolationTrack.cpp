#include "script/InterpolationTrack.h"

InterpolationTrack::InterpolationTrack(Zem::Main::BaseEntity* entity, int32_t channel, float value)
    : entity(entity), channel(channel), d(value) {}

float InterpolationTrack::normalisedTime(float t) const {
    return static_cast<float>((static_cast<double>(t) - startTime) / duration);
}

float InterpolationTrack::value(float t) const {
    const double x = normalisedTime(t);
    return static_cast<float>(a * x * x * x / 6.0 + b * x * x / 2.0 + c * x + d);
}

float InterpolationTrack::speed(float t) const {
    const double x = normalisedTime(t);
    return static_cast<float>(a * x * x / 2.0 + b * x + c);
}

void InterpolationTrack::set(float t0, float T, float p0, float p1, float m0, float m1) {
    startTime = t0;
    duration = T;
    a = static_cast<float>(12.0 * (m0 / 2.0 + m1 / 2.0 - p1 + p0));
    b = static_cast<float>(static_cast<double>(m1) - m0 - a / 2.0);
    c = m0;
    d = p0;
}

bool InterpolationTrack::runsAt(float t) const {
    return static_cast<double>(startTime) + duration > t;
}

float InterpolationTrack::endTime() const {
    return static_cast<float>(static_cast<double>(startTime) + duration);
}
