#pragma once

namespace Zem::Graphics {

// Three consecutive floats: positions, directions, normals, Euler angles in degrees, colours.
struct Vector3 {
    float x;
    float y;
    float z;

    constexpr Vector3() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    float length() const;
    // Scales to unit length in place; the zero vector becomes (0, 1, 0).
    void normalise();

    static float dot(const Vector3& a, const Vector3& b);
    static Vector3 cross(const Vector3& a, const Vector3& b);

    // Component by index 0..2 (x, y, z); any other index reads and writes z.
    float& operator[](int index);
    float operator[](int index) const;

    Vector3& operator+=(const Vector3& v);
    Vector3& operator-=(const Vector3& v);
    Vector3& operator*=(float s);
};

Vector3 operator+(const Vector3& a, const Vector3& b);
Vector3 operator-(const Vector3& a, const Vector3& b);
Vector3 operator-(const Vector3& v);
Vector3 operator*(const Vector3& v, float s);
Vector3 operator*(float s, const Vector3& v);
// Exact, component by component.
bool operator==(const Vector3& a, const Vector3& b);
bool operator!=(const Vector3& a, const Vector3& b);

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must be three packed floats");

} // namespace Zem::Graphics
