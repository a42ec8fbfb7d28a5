#include "graphics/Vector3.h"

#include "graphics/MathUtil.h"

namespace Zem::Graphics {

namespace {

// Both index operators: 0 is x, 1 is y and any other index z, so none reaches past the vector.
template <typename V> auto& component(V& v, int index) {
    switch (index) {
    case 0:
        return v.x;
    case 1:
        return v.y;
    default:
        return v.z;
    }
}

} // namespace

float Vector3::length() const {
    return squareRoot(x * x + y * y + z * z);
}

void Vector3::normalise() {
    const float l = length();
    if (l == 0.0f) {
        // A direction is always needed downstream; straight up is the agreed fallback.
        *this = Vector3(0.0f, 1.0f, 0.0f);
        return;
    }
    const float scale = 1.0f / l;
    x *= scale;
    y *= scale;
    z *= scale;
}

float Vector3::dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector3 Vector3::cross(const Vector3& a, const Vector3& b) {
    return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float& Vector3::operator[](int index) {
    return component(*this, index);
}

float Vector3::operator[](int index) const {
    return component(*this, index);
}

Vector3& Vector3::operator+=(const Vector3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

Vector3& Vector3::operator-=(const Vector3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

Vector3& Vector3::operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

Vector3 operator+(const Vector3& a, const Vector3& b) {
    return Vector3(a.x + b.x, a.y + b.y, a.z + b.z);
}

Vector3 operator-(const Vector3& a, const Vector3& b) {
    return Vector3(a.x - b.x, a.y - b.y, a.z - b.z);
}

Vector3 operator-(const Vector3& v) {
    return Vector3(-v.x, -v.y, -v.z);
}

Vector3 operator*(const Vector3& v, float s) {
    return Vector3(v.x * s, v.y * s, v.z * s);
}

Vector3 operator*(float s, const Vector3& v) {
    return v * s;
}

bool operator==(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool operator!=(const Vector3& a, const Vector3& b) {
    return !(a == b);
}

} // namespace Zem::Graphics
