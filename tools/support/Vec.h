#pragma once

#include <cmath>

namespace ZemTools {

// A point or direction of a generated mesh, in double precision so the written decimals do not
// depend on float rounding.
struct Vec {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec operator+(const Vec& a, const Vec& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

inline Vec operator*(const Vec& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}

inline Vec cross(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Straight up for the zero vector, which has no direction of its own.
inline Vec normalised(const Vec& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0.0 ? Vec{v.x / length, v.y / length, v.z / length} : Vec{0.0, 1.0, 0.0};
}

} // namespace ZemTools
