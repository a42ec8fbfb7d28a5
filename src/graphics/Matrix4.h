#pragma once

#include "graphics/Vector3.h"

namespace Zem::Graphics {

// Sixteen floats in column-major order, exactly as glMultMatrixf and glLoadMatrixf take them:
// row r, column c is m[4 * c + r]. Vectors are columns and product(a, b) applies b first.
struct Matrix4 {
    float m[16];

    // The identity.
    Matrix4();
    // Copies sixteen column-major floats, e.g. from glGetFloatv(GL_MODELVIEW_MATRIX).
    explicit Matrix4(const float* columnMajor);

    static Matrix4 identity();
    static Matrix4 zero();
    static Matrix4 product(const Matrix4& a, const Matrix4& b);
    // The matrix glRotatef builds. The axis is taken as given, not normalised.
    static Matrix4 rotation(float degrees, float x, float y, float z);
    static Matrix4 translation(float x, float y, float z);
    static Matrix4 scale(float x, float y, float z);
    // T * Ry * Rx * Rz: a model point turns about z, then x, then y, then moves to position.
    static Matrix4 translationRotation(const Vector3& position, const Vector3& degrees);

    // By the adjugate; the zero matrix when the determinant is exactly 0.
    Matrix4 inverse() const;
    float determinant() const;
    Matrix4 transposed() const;

    // (x, y, z, 1) transformed and divided by its w; w is 1 for affine matrices.
    Vector3 transformPoint(const Vector3& p) const;
    // (x, y, z, 0) transformed: no translation, no division.
    Vector3 transformDirection(const Vector3& v) const;

    float& at(int row, int column) { return m[4 * column + row]; }
    float at(int row, int column) const { return m[4 * column + row]; }
    Vector3 getTranslation() const { return Vector3(m[12], m[13], m[14]); }

    const float* data() const { return m; }
    float* data() { return m; }
};

Matrix4 operator*(const Matrix4& a, const Matrix4& b);
// Exact, element by element.
bool operator==(const Matrix4& a, const Matrix4& b);
bool operator!=(const Matrix4& a, const Matrix4& b);

static_assert(sizeof(Matrix4) == 16 * sizeof(float), "Matrix4 is handed to OpenGL as is");

} // namespace Zem::Graphics
