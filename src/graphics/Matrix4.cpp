#include "graphics/Matrix4.h"

#include "graphics/MathUtil.h"

namespace Zem::Graphics {

namespace {

// The 2x2 minors of rows 0-1 (s) and rows 2-3 (c), shared by the determinant and the adjugate.
// Kept in double: the minors of float inputs are then exact and singular matrices give exactly 0.
struct Minors {
    double s[6];
    double c[6];
};

Minors minorsOf(const Matrix4& a) {
    Minors k;
    auto e = [&a](int r, int c) { return static_cast<double>(a.at(r, c)); };
    k.s[0] = e(0, 0) * e(1, 1) - e(1, 0) * e(0, 1);
    k.s[1] = e(0, 0) * e(1, 2) - e(1, 0) * e(0, 2);
    k.s[2] = e(0, 0) * e(1, 3) - e(1, 0) * e(0, 3);
    k.s[3] = e(0, 1) * e(1, 2) - e(1, 1) * e(0, 2);
    k.s[4] = e(0, 1) * e(1, 3) - e(1, 1) * e(0, 3);
    k.s[5] = e(0, 2) * e(1, 3) - e(1, 2) * e(0, 3);
    k.c[0] = e(2, 0) * e(3, 1) - e(3, 0) * e(2, 1);
    k.c[1] = e(2, 0) * e(3, 2) - e(3, 0) * e(2, 2);
    k.c[2] = e(2, 0) * e(3, 3) - e(3, 0) * e(2, 3);
    k.c[3] = e(2, 1) * e(3, 2) - e(3, 1) * e(2, 2);
    k.c[4] = e(2, 1) * e(3, 3) - e(3, 1) * e(2, 3);
    k.c[5] = e(2, 2) * e(3, 3) - e(3, 2) * e(2, 3);
    return k;
}

// Laplace expansion along the first two rows.
double determinantOf(const Minors& k) {
    return k.s[0] * k.c[5] - k.s[1] * k.c[4] + k.s[2] * k.c[3] + k.s[3] * k.c[2] - k.s[4] * k.c[1] +
           k.s[5] * k.c[0];
}

} // namespace

Matrix4::Matrix4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

Matrix4::Matrix4(const float* columnMajor) {
    for (int i = 0; i < 16; ++i) {
        m[i] = columnMajor[i];
    }
}

Matrix4 Matrix4::identity() {
    return Matrix4();
}

Matrix4 Matrix4::zero() {
    Matrix4 result;
    for (float& element : result.m) {
        element = 0.0f;
    }
    return result;
}

Matrix4 Matrix4::product(const Matrix4& a, const Matrix4& b) {
    Matrix4 result;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.at(r, k) * b.at(k, c);
            }
            result.at(r, c) = sum;
        }
    }
    return result;
}

Matrix4 Matrix4::rotation(float degrees, float x, float y, float z) {
    const float angle = toRadians(degrees);
    const float c = cosine(angle);
    const float s = sine(angle);
    const float t = 1.0f - c;

    Matrix4 result;
    result.m[0] = c + x * x * t;
    result.m[1] = t * x * y + s * z;
    result.m[2] = t * x * z - s * y;
    result.m[4] = t * x * y - s * z;
    result.m[5] = c + t * y * y;
    result.m[6] = t * y * z + s * x;
    result.m[8] = t * x * z + s * y;
    result.m[9] = t * y * z - s * x;
    result.m[10] = c + t * z * z;
    return result;
}

Matrix4 Matrix4::translation(float x, float y, float z) {
    Matrix4 result;
    result.m[12] = x;
    result.m[13] = y;
    result.m[14] = z;
    return result;
}

Matrix4 Matrix4::scale(float x, float y, float z) {
    Matrix4 result;
    result.m[0] = x;
    result.m[5] = y;
    result.m[10] = z;
    return result;
}

Matrix4 Matrix4::translationRotation(const Vector3& position, const Vector3& degrees) {
    // Built left to right, in this order, so rounding matches everywhere the world matrix is made.
    Matrix4 result = translation(position.x, position.y, position.z);
    result = product(result, rotation(degrees.y, 0.0f, 1.0f, 0.0f));
    result = product(result, rotation(degrees.x, 1.0f, 0.0f, 0.0f));
    result = product(result, rotation(degrees.z, 0.0f, 0.0f, 1.0f));
    return result;
}

float Matrix4::determinant() const {
    return static_cast<float>(determinantOf(minorsOf(*this)));
}

Matrix4 Matrix4::inverse() const {
    const Minors k = minorsOf(*this);
    const float d = static_cast<float>(determinantOf(k));
    if (d == 0.0f) {
        return zero();
    }
    const float invD = 1.0f / d;
    auto e = [this](int r, int c) { return static_cast<double>(at(r, c)); };
    const double* s = k.s;
    const double* c = k.c;

    // The adjugate: transposed cofactors, written row by row of the result.
    const double adjugate[4][4] = {
        {e(1, 1) * c[5] - e(1, 2) * c[4] + e(1, 3) * c[3],
         -e(0, 1) * c[5] + e(0, 2) * c[4] - e(0, 3) * c[3],
         e(3, 1) * s[5] - e(3, 2) * s[4] + e(3, 3) * s[3],
         -e(2, 1) * s[5] + e(2, 2) * s[4] - e(2, 3) * s[3]},
        {-e(1, 0) * c[5] + e(1, 2) * c[2] - e(1, 3) * c[1],
         e(0, 0) * c[5] - e(0, 2) * c[2] + e(0, 3) * c[1],
         -e(3, 0) * s[5] + e(3, 2) * s[2] - e(3, 3) * s[1],
         e(2, 0) * s[5] - e(2, 2) * s[2] + e(2, 3) * s[1]},
        {e(1, 0) * c[4] - e(1, 1) * c[2] + e(1, 3) * c[0],
         -e(0, 0) * c[4] + e(0, 1) * c[2] - e(0, 3) * c[0],
         e(3, 0) * s[4] - e(3, 1) * s[2] + e(3, 3) * s[0],
         -e(2, 0) * s[4] + e(2, 1) * s[2] - e(2, 3) * s[0]},
        {-e(1, 0) * c[3] + e(1, 1) * c[1] - e(1, 2) * c[0],
         e(0, 0) * c[3] - e(0, 1) * c[1] + e(0, 2) * c[0],
         -e(3, 0) * s[3] + e(3, 1) * s[1] - e(3, 2) * s[0],
         e(2, 0) * s[3] - e(2, 1) * s[1] + e(2, 2) * s[0]},
    };

    Matrix4 result;
    for (int r = 0; r < 4; ++r) {
        for (int col = 0; col < 4; ++col) {
            result.at(r, col) = static_cast<float>(adjugate[r][col]) * invD;
        }
    }
    return result;
}

Matrix4 Matrix4::transposed() const {
    Matrix4 result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result.at(r, c) = at(c, r);
        }
    }
    return result;
}

Vector3 Matrix4::transformPoint(const Vector3& p) const {
    const float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    // One reciprocal, as the projective divide is done everywhere else. w is 1 for affine
    // matrices; a point at infinity (w = 0) yields infinities, never a trap.
    const float invW = 1.0f / w;
    return Vector3((m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]) * invW,
                   (m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]) * invW,
                   (m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]) * invW);
}

Vector3 Matrix4::transformDirection(const Vector3& v) const {
    return Vector3(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                   m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    return Matrix4::product(a, b);
}

bool operator==(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 16; ++i) {
        if (a.m[i] != b.m[i]) {
            return false;
        }
    }
    return true;
}

bool operator!=(const Matrix4& a, const Matrix4& b) {
    return !(a == b);
}

} // namespace Zem::Graphics
