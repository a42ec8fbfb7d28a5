#pragma once

namespace Zem::Graphics {

// Degrees are what data and entities store; the trigonometry takes radians.
constexpr float radiansPerDegree = 0.017453292f;

inline float toRadians(float degrees) {
    return degrees * radiansPerDegree;
}

// Single-precision wrappers, so every caller rounds the same way.
float squareRoot(float value);
float sine(float radians);
float cosine(float radians);

} // namespace Zem::Graphics
