#include "graphics/ScreenRect.h"
#include "graphics/Matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Zem::Graphics::Matrix4;
using Zem::Graphics::ScreenRect;

// The display's projection: 80 degrees high, 4:3, near 0.1, far 1000.
Matrix4 perspective() {
    const float f = 1.0f / std::tan(40.0f * 3.14159265f / 180.0f);
    const float n = 0.1f;
    const float d = 1000.0f;
    Matrix4 p = Matrix4::zero();
    p.at(0, 0) = f / (640.0f / 480.0f);
    p.at(1, 1) = f;
    p.at(2, 2) = (d + n) / (n - d);
    p.at(2, 3) = 2.0f * d * n / (n - d);
    p.at(3, 2) = -1.0f;
    return p;
}

std::vector<float> square(float z, float half, float depthSlope = 0.0f) {
    return {-half, -half, z - depthSlope, half,  -half, z - depthSlope,
            half,  half,  z + depthSlope, -half, half,  z + depthSlope};
}

const std::vector<uint32_t> corners = {0, 1, 2, 0, 2, 3};
const ScreenRect screen = ScreenRect::whole(640, 480);
const Matrix4 projection = perspective();

// At 5 units: 57.2 pixels a unit, so 0.5 either side of the centre is 28.6 pixels.
TEST(ScreenRectTest, AShapeHeadOnCoversItsProjectionRoundedOutwards) {
    EXPECT_EQ(ScreenRect(290, 210, 60, 60),
              ScreenRect::ofPoints(square(-5.0f, 0.5f), corners, projection, screen));
}

TEST(ScreenRectTest, AShapeBehindTheEyeCoversNothing) {
    EXPECT_TRUE(ScreenRect::ofPoints(square(5.0f, 0.5f), corners, projection, screen).empty());
}

// Leaning back, the upper edge passes behind the eye: what remains reaches the top of the
// screen across its whole width, and down only as far as the lower corners (12 pixels up).
TEST(ScreenRectTest, AShapeCrossingTheNearPlaneCoversWhatLiesBeyondIt) {
    EXPECT_EQ(ScreenRect(0, 10, 640, 470),
              ScreenRect::ofPoints(square(-1.0f, 2.0f, 1.5f), corners, projection, screen));
}

TEST(ScreenRectTest, TooManyPointsCoverTheWholeViewport) {
    std::vector<float> many;
    std::vector<uint32_t> all;
    for (uint32_t i = 0; i < 100; ++i) {
        many.insert(many.end(), {0.001f * float(i), 0.0f, -5.0f});
        all.push_back(i);
    }
    EXPECT_EQ(screen, ScreenRect::ofPoints(many, all, projection, screen));
}

TEST(ScreenRectTest, IntersectionKeepsTheOverlap) {
    EXPECT_EQ(ScreenRect(5, 5, 5, 5),
              ScreenRect(0, 0, 10, 10).intersection(ScreenRect(5, 5, 10, 10)));
}

TEST(ScreenRectTest, RectanglesThatOnlyTouchIntersectInNothing) {
    EXPECT_TRUE(ScreenRect(0, 0, 10, 10).intersection(ScreenRect(10, 0, 5, 5)).empty());
}

} // namespace
