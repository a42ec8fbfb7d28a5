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

// Determinant 24, so the inverse is exact in a few bits.
const float generalElements[16] = {3, 2, 0, 1, 4, 0, 1, 2, 3, 0, 2, 1, 9, 2, 3, 1};
const Matrix4 general(generalElements);

// The matrices go to OpenGL unchanged, so its own matrix stack is the reference.
class Matrix4Test : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { glLoadIdentity(); }
    static Matrix4 modelView() {
        Matrix4 result;
        glGetFloatv(GL_MODELVIEW_MATRIX, result.m);
        return result;
    }

    // Scales by 2 and moves by 2 4 6.
    Matrix4 scaledAndMoved = Matrix4::translation(2, 4, 6) * Matrix4::scale(2, 2, 2);
};

TEST_F(Matrix4Test, RotationMatchesGlRotate) {
    const float axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6f, 0.8f, 0}, {0, -0.28f, 0.96f}};
    for (const auto& axis : axes) {
        for (float degrees : {-135.0f, -30.0f, 17.5f, 90.0f, 200.0f}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees about axis " << &axis - axes);
            glLoadIdentity();
            glRotatef(degrees, axis[0], axis[1], axis[2]);
            expectNear(modelView(), Matrix4::rotation(degrees, axis[0], axis[1], axis[2]));
        }
    }
}

// Unlike glRotatef.
TEST_F(Matrix4Test, RotationTakesANonUnitAxisAsGiven) {
    const float rotated[16] = {1, 5, 1, 0, -1, 4, 7, 0, 5, 5, 9, 0, 0, 0, 0, 1};
    expectNear(Matrix4(rotated), Matrix4::rotation(90, 1, 2, 3));
}

// A projective bottom row takes part too.
TEST_F(Matrix4Test, ProductMatchesGlMultMatrix) {
    const Matrix4 a = general * Matrix4::rotation(40, 0, 1, 0);
    Matrix4 b = Matrix4::rotation(-70, 1, 0, 0) * Matrix4::scale(2, 0.5f, 3);
    b.m[3] = 0.25f;
    glLoadMatrixf(a.m);
    glMultMatrixf(b.m);
    expectNear(modelView(), Matrix4::product(a, b));
}

TEST_F(Matrix4Test, TranslationRotationTurnsAboutZThenXThenYThenMoves) {
    glTranslatef(4, 5, 6);
    glRotatef(20, 0, 1, 0);
    glRotatef(10, 1, 0, 0);
    glRotatef(30, 0, 0, 1);
    expectNear(modelView(), Matrix4::translationRotation(Vector3(4, 5, 6), Vector3(10, 20, 30)));
}

TEST_F(Matrix4Test, DeterminantOfAGeneralMatrix) {
    EXPECT_FLOAT_EQ(24.0f, general.determinant());
    scaledAndMoved.m[15] = 2.0f;
    EXPECT_EQ(16.0f, scaledAndMoved.determinant());
}

TEST_F(Matrix4Test, InverseUndoesTheMatrixOnEitherSide) {
    expectNear(Matrix4::identity(), general.inverse() * general);
    expectNear(Matrix4::identity(), general * general.inverse());
}

TEST_F(Matrix4Test, ASingularMatrixInvertsToTheZeroMatrix) {
    const float twoEqualColumns[16] = {1, 4, 7, 2, 1, 4, 7, 2, 2, 5, 8, 1, 3, 6, 9, 1};
    EXPECT_EQ(Matrix4::zero(), Matrix4(twoEqualColumns).inverse());
}

TEST_F(Matrix4Test, TransformDirectionLeavesTheTranslationOut) {
    expectNear(Vector3(2, 2, 2), scaledAndMoved.transformDirection(Vector3(1, 1, 1)));
}

TEST_F(Matrix4Test, TransformPointDividesByW) {
    scaledAndMoved.m[15] = 2.0f;
    expectNear(Vector3(2, 3, 4), scaledAndMoved.transformPoint(Vector3(1, 1, 1)));
    Matrix4 perspective; // w = 1 + z
    perspective.m[11] = 1.0f;
    expectNear(Vector3(1, 2, 0.5f), perspective.transformPoint(Vector3(2, 4, 1)));
}

} // namespace
