#include "resource/computeTangentFrame.h"

#include "ResourceTestSupport.h"

namespace {

using Floats = std::vector<float>;

// A unit square in the XY plane facing +Z, its texture laid on as `texCoords`.
class computeTangentFrameTest : public ::testing::Test {
protected:
    void compute(const Floats& texCoords) {
        Zem::Resource::computeTangentFrame({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, texCoords,
                                           {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2, 0, 2, 3},
                                           tangents, binormals);
    }

    const Floats alongX = {0, 0, 1, 0, 1, 1, 0, 1};
    // The texture runs the other way along x: a negative determinant.
    const Floats mirrored = {1, 0, 0, 0, 0, 1, 1, 1};
    Floats tangents;
    Floats binormals;
};

TEST_F(computeTangentFrameTest, TheTangentRunsAlongU) {
    compute(alongX);
    EXPECT_EQ(tangents, (Floats{1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0}));
}

TEST_F(computeTangentFrameTest, MirroredTextureCoordinatesTurnTheTangentAround) {
    compute(mirrored);
    EXPECT_EQ(tangents, (Floats{-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0}));
}

TEST_F(computeTangentFrameTest, TheBinormalIsNormalCrossTangent) {
    compute(alongX);
    EXPECT_EQ(binormals, (Floats{0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
    compute(mirrored);
    EXPECT_EQ(binormals, (Floats{0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0}));
}

// All texture coordinates alike give no tangent direction.
TEST_F(computeTangentFrameTest, WithoutATangentDirectionEveryVertexTakesUp) {
    compute(Floats(8, 0.0f));
    EXPECT_EQ(tangents, (Floats{0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
}

} // namespace
