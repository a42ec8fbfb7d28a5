#include "graphics/Matrix4.h"
#include "support/GLContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

namespace {

// The matrices are handed to OpenGL as they are, so OpenGL's own matrix stack is the reference.
class Matrix4GLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }

    void TearDown() override {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }

    static Matrix4 modelView() {
        Matrix4 result = Matrix4::zero();
        glGetFloatv(GL_MODELVIEW_MATRIX, result.data());
        return result;
    }

    static void expectNear(const Matrix4& expected, const Matrix4& actual) {
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(expected.m[i], actual.m[i], 1e-5f) << "element " << i;
        }
    }
};

} // namespace

TEST_F(Matrix4GLTest, RotationMatchesGlRotatef) {
    const float axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6f, 0.8f, 0}, {0, -0.28f, 0.96f}};
    for (const auto& axis : axes) {
        for (float degrees : {-135.0f, -30.0f, 0.0f, 17.5f, 90.0f, 200.0f}) {
            glLoadIdentity();
            glRotatef(degrees, axis[0], axis[1], axis[2]);
            SCOPED_TRACE(testing::Message() << degrees << " degrees about (" << axis[0] << ", "
                                            << axis[1] << ", " << axis[2] << ")");
            expectNear(modelView(), Matrix4::rotation(degrees, axis[0], axis[1], axis[2]));
        }
    }
}

TEST_F(Matrix4GLTest, ProductMatchesGlMultMatrixf) {
    const Matrix4 a = Matrix4::translation(1, -2, 3) * Matrix4::rotation(40, 0, 1, 0);
    Matrix4 b = Matrix4::rotation(-70, 1, 0, 0) * Matrix4::scale(2, 0.5f, 3);
    b.m[3] = 0.25f; // a projective bottom row takes part too
    b.m[15] = 1.5f;

    glLoadMatrixf(a.data());
    glMultMatrixf(b.data());
    expectNear(modelView(), Matrix4::product(a, b));
}

TEST_F(Matrix4GLTest, WorldMatrixMatchesTheFixedFunctionSequence) {
    glTranslatef(4, 5, 6);
    glRotatef(20, 0, 1, 0);
    glRotatef(10, 1, 0, 0);
    glRotatef(30, 0, 0, 1);
    expectNear(modelView(), Matrix4::translationRotation(Vector3(4, 5, 6), Vector3(10, 20, 30)));
}
