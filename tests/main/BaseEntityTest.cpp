#include "main/BaseEntity.h"
#include "main/TestGame.h"

#include <gtest/gtest.h>

using Zem::Graphics::Matrix4;
using Zem::Main::BaseEntity;
using ZemTest::element;

namespace {

// Stands at 1 2 3 turned 30 40 50, its world matrix built.
class BaseEntityTest : public ::testing::Test {
protected:
    void SetUp() override { built = entity.getWorldMatrix(); }

    BaseEntity entity{element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                              "</entity>")};
    Matrix4 built;
};

TEST_F(BaseEntityTest, AChannelWriteRebuildsTheWorldMatrixWithTheNewValue) {
    entity.setChannel(4, 90.0f);
    const Matrix4 expected = Matrix4::translation(1, 2, 3) * Matrix4::rotation(90, 0, 1, 0) *
                             Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], entity.getWorldMatrix().m[i], 1e-5f) << "element " << i;
    }
}

TEST_F(BaseEntityTest, AWriteToAChannelPastTheSixthIsIgnored) {
    entity.setChannel(6, 99.0f);
    EXPECT_EQ(built, entity.getWorldMatrix());
}

} // namespace
