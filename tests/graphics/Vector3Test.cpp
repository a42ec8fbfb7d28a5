#include "graphics/Vector3.h"

#include <gtest/gtest.h>

using Zem::Graphics::Vector3;

namespace {

TEST(Vector3Test, TheZeroVectorNormalisesToUp) {
    Vector3 zero;
    zero.normalise();
    EXPECT_EQ(Vector3(0, 1, 0), zero);
}

TEST(Vector3Test, NormaliseScalesToUnitLength) {
    Vector3 w(3, -4, 12);
    w.normalise();
    EXPECT_LT((Vector3(3.0f / 13, -4.0f / 13, 12.0f / 13) - w).length(), 1e-5f);
}

TEST(Vector3Test, CrossIsTheRightHandedProduct) {
    EXPECT_EQ(Vector3(-14, -12.5f, 13), Vector3::cross(Vector3(1, 2, 3), Vector3(-4, 5, 0.5f)));
}

} // namespace
