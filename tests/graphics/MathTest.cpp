#include "graphics/MathUtil.h"
#include "graphics/Matrix4.h"
#include "graphics/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

namespace {

constexpr float tolerance = 1e-5f;

Matrix4 fromRows(const float rows[4][4]) {
    Matrix4 result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result.at(r, c) = rows[r][c];
        }
    }
    return result;
}

void expectNear(const Vector3& expected, const Vector3& actual, float eps = tolerance) {
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
}

void expectNear(const Matrix4& expected, const Matrix4& actual, float eps = tolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], eps) << "element " << i;
    }
}

} // namespace

TEST(Matrix4Layout, IsColumnMajorAsOpenGLTakesIt) {
    const Matrix4 identity = Matrix4::identity();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(i % 5 == 0 ? 1.0f : 0.0f, identity.m[i]) << "element " << i;
    }
    EXPECT_EQ(identity, Matrix4());

    // glMultMatrixf reads the translation from indices 12..14.
    const Matrix4 t = Matrix4::translation(4, 5, 6);
    EXPECT_EQ(4.0f, t.data()[12]);
    EXPECT_EQ(5.0f, t.data()[13]);
    EXPECT_EQ(6.0f, t.data()[14]);
    EXPECT_EQ(6.0f, t.at(2, 3));

    const float raw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const Matrix4 copied(raw);
    EXPECT_EQ(0, std::memcmp(raw, copied.data(), sizeof raw));
    EXPECT_EQ(2.0f, copied.at(1, 0));
    EXPECT_EQ(5.0f, copied.at(0, 1));
}

TEST(Matrix4Product, MatchesHandComputedMatrix) {
    const float aRaw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const float bRaw[16] = {2, 0, 1, 0, 0, 1, 0, 2, 1, 0, 0, 0, 0, 3, 0, 1};
    const float expected[16] = {11, 14, 17, 20, 31, 34, 37, 40, 1, 2, 3, 4, 28, 32, 36, 40};

    const Matrix4 product = Matrix4::product(Matrix4(aRaw), Matrix4(bRaw));
    EXPECT_EQ(Matrix4(expected), product);
    EXPECT_EQ(product, Matrix4(aRaw) * Matrix4(bRaw));
    // Not commutative: catches a transposed loop.
    EXPECT_NE(product, Matrix4::product(Matrix4(bRaw), Matrix4(aRaw)));
}

TEST(Matrix4Product, RightHandMatrixAppliesFirst) {
    const Matrix4 t = Matrix4::translation(10, 0, 0);
    const Matrix4 r = Matrix4::rotation(90, 0, 0, 1);
    // Turn, then move.
    expectNear(Vector3(10, 1, 0), (t * r).transformPoint(Vector3(1, 0, 0)));
    // Move, then turn.
    expectNear(Vector3(0, 11, 0), (r * t).transformPoint(Vector3(1, 0, 0)));
}

TEST(Matrix4Rotation, FollowsGlRotateConventions) {
    // Counter-clockwise looking down the axis, as glRotatef.
    expectNear(Vector3(0, 1, 0), Matrix4::rotation(90, 0, 0, 1).transformPoint(Vector3(1, 0, 0)));
    expectNear(Vector3(0, 0, 1), Matrix4::rotation(90, 1, 0, 0).transformPoint(Vector3(0, 1, 0)));
    expectNear(Vector3(1, 0, 0), Matrix4::rotation(90, 0, 1, 0).transformPoint(Vector3(0, 0, 1)));
    expectNear(Vector3(0, -1, 0), Matrix4::rotation(-90, 0, 0, 1).transformPoint(Vector3(1, 0, 0)));

    // glRotatef(30, 0, 0, 1) stores sin 30 at index 1 (row 1, column 0) and -sin 30 at index 4.
    const Matrix4 r = Matrix4::rotation(30, 0, 0, 1);
    EXPECT_NEAR(0.8660254f, r.m[0], tolerance);
    EXPECT_NEAR(0.5f, r.m[1], tolerance);
    EXPECT_NEAR(-0.5f, r.m[4], tolerance);
    EXPECT_EQ(1.0f, r.m[10]);
    for (int i : {3, 7, 11, 12, 13, 14}) {
        EXPECT_EQ(0.0f, r.m[i]) << "element " << i;
    }
    EXPECT_EQ(1.0f, r.m[15]);
}

TEST(Matrix4Rotation, IsOrthonormalAndUndoneByTheOppositeAngle) {
    const float s = 1.0f / std::sqrt(3.0f);
    const Matrix4 r = Matrix4::rotation(37, s, s, s);
    expectNear(Matrix4::identity(), r * Matrix4::rotation(-37, s, s, s));
    expectNear(r.transposed(), r.inverse());
    EXPECT_NEAR(1.0f, r.determinant(), tolerance);
    // The axis itself stays put.
    expectNear(Vector3(s, s, s), r.transformDirection(Vector3(s, s, s)));
}

TEST(Matrix4Rotation, UsesANonUnitAxisAsGiven) {
    // At 90 degrees c is 0, s and t are 1, so every element is a small integer.
    const Matrix4 r = Matrix4::rotation(90, 1, 2, 3);
    const float expected[16] = {1, 5, 1, 0, -1, 4, 7, 0, 5, 5, 9, 0, 0, 0, 0, 1};
    expectNear(Matrix4(expected), r);
}

TEST(Matrix4Determinant, ByCofactorExpansion) {
    EXPECT_EQ(1.0f, Matrix4::identity().determinant());
    EXPECT_EQ(24.0f, Matrix4::scale(2, 3, 4).determinant());

    const float rows[4][4] = {{3, 2, 0, 1}, {4, 0, 1, 2}, {3, 0, 2, 1}, {9, 2, 3, 1}};
    EXPECT_FLOAT_EQ(24.0f, fromRows(rows).determinant());

    // The bottom row takes part: a projective w of 2 doubles it.
    Matrix4 projective = Matrix4::identity();
    projective.m[15] = 2.0f;
    EXPECT_EQ(2.0f, projective.determinant());

    // Swapping two rows flips the sign.
    const float swapped[4][4] = {{4, 0, 1, 2}, {3, 2, 0, 1}, {3, 0, 2, 1}, {9, 2, 3, 1}};
    EXPECT_FLOAT_EQ(-24.0f, fromRows(swapped).determinant());
}

TEST(Matrix4Inverse, TimesTheMatrixIsTheIdentity) {
    const float rows[4][4] = {{3, 2, 0, 1}, {4, 0, 1, 2}, {3, 0, 2, 1}, {9, 2, 3, 1}};
    const Matrix4 general = fromRows(rows);
    expectNear(Matrix4::identity(), general.inverse() * general);
    expectNear(Matrix4::identity(), general * general.inverse());

    // Random affine and fully general matrices, as world and projection matrices.
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> value(-4.0f, 4.0f);
    for (int n = 0; n < 50; ++n) {
        Matrix4 affine = Matrix4::translationRotation(
            Vector3(value(random), value(random), value(random)),
            Vector3(value(random) * 45, value(random) * 45, value(random) * 45));
        affine = affine * Matrix4::scale(1.5f, 0.5f, 2.0f);
        expectNear(Matrix4::identity(), affine.inverse() * affine, 1e-4f);

        Matrix4 full;
        for (float& element : full.m) {
            element = value(random);
        }
        if (std::fabs(full.determinant()) > 0.5f) {
            expectNear(Matrix4::identity(), full.inverse() * full, 1e-3f);
        }
    }
}

TEST(Matrix4Inverse, OfASingularMatrixIsZero) {
    EXPECT_EQ(Matrix4::zero(), Matrix4::zero().inverse());

    // Two equal columns.
    const float rows[4][4] = {{1, 1, 2, 3}, {4, 4, 5, 6}, {7, 7, 8, 9}, {2, 2, 1, 1}};
    const Matrix4 singular = fromRows(rows);
    EXPECT_EQ(0.0f, singular.determinant());
    const Matrix4 inverse = singular.inverse();
    EXPECT_EQ(Matrix4::zero(), inverse);
    EXPECT_EQ(0.0f, inverse.m[15]);
}

TEST(Matrix4Transform, PointTakesTranslationDirectionDoesNot) {
    const Matrix4 m = Matrix4::translation(1, 2, 3) * Matrix4::scale(2, 2, 2);
    expectNear(Vector3(3, 4, 5), m.transformPoint(Vector3(1, 1, 1)));
    expectNear(Vector3(2, 2, 2), m.transformDirection(Vector3(1, 1, 1)));

    // Affine: linear part plus translation.
    const Matrix4 r = Matrix4::translation(-1, 0, 4) * Matrix4::rotation(90, 0, 1, 0);
    const Vector3 p(1, 2, 3);
    expectNear(r.transformDirection(p) + Vector3(-1, 0, 4), r.transformPoint(p));
}

TEST(Matrix4Transform, PointIsDividedByW) {
    Matrix4 m = Matrix4::translation(2, 4, 6);
    m.m[15] = 2.0f;
    expectNear(Vector3(1.5f, 2.5f, 3.5f), m.transformPoint(Vector3(1, 1, 1)));
    // No division for directions.
    expectNear(Vector3(1, 1, 1), m.transformDirection(Vector3(1, 1, 1)));

    // w taken from the bottom row: here w = 1 + z.
    Matrix4 perspective;
    perspective.m[11] = 1.0f;
    expectNear(Vector3(1, 2, 0.5f), perspective.transformPoint(Vector3(2, 4, 1)));
}

TEST(WorldMatrix, TurnsAboutZThenXThenYThenMoves) {
    const Matrix4 yaw = Matrix4::translationRotation(Vector3(1, 2, 3), Vector3(0, 90, 0));
    expectNear(Vector3(2, 2, 3), yaw.transformPoint(Vector3(0, 0, 1)));
    expectNear(Vector3(0, 0, 1), yaw.inverse().transformPoint(Vector3(2, 2, 3)));

    const Matrix4 pitchYaw = Matrix4::translationRotation(Vector3(), Vector3(90, 90, 0));
    expectNear(Vector3(1, 0, 0), pitchYaw.transformPoint(Vector3(0, 1, 0)));

    // z before x: (1, 0, 0) turns to (0, 1, 0) about z, then to (0, 0, 1) about x.
    const Matrix4 rollPitch = Matrix4::translationRotation(Vector3(), Vector3(90, 0, 90));
    expectNear(Vector3(0, 0, 1), rollPitch.transformPoint(Vector3(1, 0, 0)));

    const Vector3 angles(10, 20, 30);
    const Matrix4 expected = Matrix4::translation(4, 5, 6) * Matrix4::rotation(20, 0, 1, 0) *
                             Matrix4::rotation(10, 1, 0, 0) * Matrix4::rotation(30, 0, 0, 1);
    EXPECT_EQ(expected, Matrix4::translationRotation(Vector3(4, 5, 6), angles));
}

TEST(Vector3Math, NormaliseScalesToUnitOrFallsBackToUp) {
    Vector3 zero;
    zero.normalise();
    EXPECT_EQ(Vector3(0, 1, 0), zero);

    Vector3 v(0, 0, 5);
    v.normalise();
    EXPECT_EQ(Vector3(0, 0, 1), v);

    Vector3 w(3, -4, 12);
    EXPECT_EQ(13.0f, w.length());
    w.normalise();
    expectNear(Vector3(3.0f / 13, -4.0f / 13, 12.0f / 13), w);
    EXPECT_NEAR(1.0f, w.length(), tolerance);
}

TEST(Vector3Math, DotAndCross) {
    const Vector3 a(1, 2, 3);
    const Vector3 b(-4, 5, 0.5f);
    EXPECT_EQ(7.5f, Vector3::dot(a, b));
    EXPECT_EQ(Vector3(0, 0, 1), Vector3::cross(Vector3(1, 0, 0), Vector3(0, 1, 0)));
    EXPECT_EQ(Vector3(1, 0, 0), Vector3::cross(Vector3(0, 1, 0), Vector3(0, 0, 1)));

    const Vector3 c = Vector3::cross(a, b);
    EXPECT_EQ(Vector3(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4), c);
    EXPECT_EQ(-c, Vector3::cross(b, a));
    EXPECT_NEAR(0.0f, Vector3::dot(a, c), tolerance);
}

TEST(Vector3Math, ComponentAccessAndArithmetic) {
    Vector3 v(1, 2, 3);
    v[1] = 7;
    EXPECT_EQ(1.0f, v[0]);
    EXPECT_EQ(7.0f, v.y);
    EXPECT_EQ(3.0f, v[2]);
    EXPECT_EQ(Vector3(2, 14, 6), v * 2.0f);
    EXPECT_EQ(Vector3(0, 5, 0), v - Vector3(1, 2, 3));
    v += Vector3(1, 1, 1);
    EXPECT_EQ(Vector3(2, 8, 4), v);
}

TEST(MathHelpers, TakeRadiansAndRoundToFloat) {
    EXPECT_EQ(0.017453292f, Zem::Graphics::radiansPerDegree);
    EXPECT_NEAR(1.0f, Zem::Graphics::sine(Zem::Graphics::toRadians(90)), tolerance);
    EXPECT_NEAR(-1.0f, Zem::Graphics::cosine(Zem::Graphics::toRadians(180)), tolerance);
    EXPECT_EQ(3.0f, Zem::Graphics::squareRoot(9.0f));
    EXPECT_EQ(static_cast<float>(std::sqrt(2.0)), Zem::Graphics::squareRoot(2.0f));
}
