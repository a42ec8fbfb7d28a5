#include "graphics/Matrix4.h"
#include "graphics/Vector3.h"
#include "support/GLContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

namespace {

void expectNear(const Vector3& expected, const Vector3& actual) {
    EXPECT_LT((expected - actual).length(), 1e-5f)
        << actual.x << " " << actual.y << " " << actual.z;
}

void expectNear(const Matrix4& expected, const Matrix4& actual) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-5f) << "element " << i;
    }
}

Matrix4 modelView() {
    Matrix4 result;
    glGetFloatv(GL_MODELVIEW_MATRIX, result.m);
    return result;
}

// Determinant 24, so the inverse is exact in a few bits.
const float general[16] = {3, 2, 0, 1, 4, 0, 1, 2, 3, 0, 2, 1, 9, 2, 3, 1};

TEST(MathTest, RotationAboutAnyAxisInverseTransformsAndVectors) {
    // Unlike glRotatef, a non-unit axis is taken as given.
    const float rotated[16] = {1, 5, 1, 0, -1, 4, 7, 0, 5, 5, 9, 0, 0, 0, 0, 1};
    expectNear(Matrix4(rotated), Matrix4::rotation(90, 1, 2, 3));

    EXPECT_FLOAT_EQ(24.0f, Matrix4(general).determinant());
    expectNear(Matrix4::identity(), Matrix4(general).inverse() * Matrix4(general));
    expectNear(Matrix4::identity(), Matrix4(general) * Matrix4(general).inverse());
    const float twoEqualColumns[16] = {1, 4, 7, 2, 1, 4, 7, 2, 2, 5, 8, 1, 3, 6, 9, 1};
    EXPECT_EQ(Matrix4::zero(), Matrix4(twoEqualColumns).inverse());

    Matrix4 m = Matrix4::translation(2, 4, 6) * Matrix4::scale(2, 2, 2);
    expectNear(Vector3(4, 6, 8), m.transformPoint(Vector3(1, 1, 1)));
    expectNear(Vector3(2, 2, 2), m.transformDirection(Vector3(1, 1, 1)));
    m.m[15] = 2.0f;
    EXPECT_EQ(16.0f, m.determinant());
    expectNear(Vector3(2, 3, 4), m.transformPoint(Vector3(1, 1, 1)));
    Matrix4 perspective; // w = 1 + z
    perspective.m[11] = 1.0f;
    expectNear(Vector3(1, 2, 0.5f), perspective.transformPoint(Vector3(2, 4, 1)));

    // A zero vector normalises to up.
    Vector3 zero;
    zero.normalise();
    EXPECT_EQ(Vector3(0, 1, 0), zero);
    Vector3 w(3, -4, 12);
    w.normalise();
    expectNear(Vector3(3.0f / 13, -4.0f / 13, 12.0f / 13), w);
    EXPECT_EQ(Vector3(-14, -12.5f, 13), Vector3::cross(Vector3(1, 2, 3), Vector3(-4, 5, 0.5f)));
}

// The matrices go to OpenGL unchanged, so its own matrix stack is the reference.
using Matrix4GLTest = ZemTest::GLTest;

TEST_F(Matrix4GLTest, RotationProductAndWorldMatrixMatchTheMatrixStack) {
    glMatrixMode(GL_MODELVIEW);
    const float axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6f, 0.8f, 0}, {0, -0.28f, 0.96f}};
    for (const auto& axis : axes) {
        for (float degrees : {-135.0f, -30.0f, 17.5f, 90.0f, 200.0f}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees about axis " << &axis - axes);
            glLoadIdentity();
            glRotatef(degrees, axis[0], axis[1], axis[2]);
            expectNear(modelView(), Matrix4::rotation(degrees, axis[0], axis[1], axis[2]));
        }
    }
    const Matrix4 a = Matrix4(general) * Matrix4::rotation(40, 0, 1, 0);
    Matrix4 b = Matrix4::rotation(-70, 1, 0, 0) * Matrix4::scale(2, 0.5f, 3);
    b.m[3] = 0.25f; // a projective bottom row takes part too
    glLoadMatrixf(a.m);
    glMultMatrixf(b.m);
    expectNear(modelView(), Matrix4::product(a, b));

    // Turned about z, then x, then y, then moved.
    glLoadIdentity();
    glTranslatef(4, 5, 6);
    glRotatef(20, 0, 1, 0);
    glRotatef(10, 1, 0, 0);
    glRotatef(30, 0, 0, 1);
    expectNear(modelView(), Matrix4::translationRotation(Vector3(4, 5, 6), Vector3(10, 20, 30)));
    glLoadIdentity();
}

} // namespace
