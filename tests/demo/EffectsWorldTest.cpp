#include "EffectScene.h"

#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Ombrel.h"
#include "main/Room.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// The shipped world, as the demo loads it: every effect is built in the hall, with its meshes
// and texture, and keeps running frame after frame.
class EffectsWorldTest : public ZemTest::DeferredTest {};

TEST_F(EffectsWorldTest, ShippedWorldBuildsEveryEffectInTheHall) {
    Ombrel demo;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(demo.init());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("Unable to load"), std::string::npos) << out;
    EXPECT_EQ(out.find("not created"), std::string::npos) << out;
    const Zem::Main::Entity* hall = demo.findEntity("hall");
    ASSERT_NE(hall, nullptr);

    auto* drive = dynamic_cast<Machinery::Cog*>(demo.findEntity("gear_drive"));
    auto* axle = dynamic_cast<Machinery::Axis*>(demo.findEntity("gear_axle"));
    auto* front = dynamic_cast<Machinery::Cog*>(demo.findEntity("gear_front"));
    ASSERT_NE(drive, nullptr);
    ASSERT_NE(axle, nullptr);
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(drive->room, hall);
    EXPECT_EQ(front->parentPart, axle);
    EXPECT_NE(drive->model, nullptr);
    EXPECT_NE(axle->model, nullptr);
    EXPECT_NE(axle->model, drive->model) << "an axle has its own default mesh";

    auto* grid = dynamic_cast<CubeGrid*>(demo.findEntity("cubegrid"));
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->cubes.size(), 9u);
    EXPECT_NE(grid->cubes[0]->model, nullptr);
    EXPECT_EQ(grid->cubes[0]->room, hall);

    auto* leaves = dynamic_cast<LeafStorm*>(demo.findEntity("leaves"));
    ASSERT_NE(leaves, nullptr);
    EXPECT_EQ(leaves->clusters.size(), 3u);
    auto* dust = dynamic_cast<DustGlow*>(demo.findEntity("dust"));
    ASSERT_NE(dust, nullptr);
    EXPECT_FALSE(dust->specks.empty());
    auto* sign = dynamic_cast<Billboard*>(demo.findEntity("sign"));
    ASSERT_NE(sign, nullptr);
    EXPECT_NE(sign->texture, nullptr);

    const float startAngle = drive->angle;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(demo.update(0.05f));
    }
    EXPECT_GT(drive->angle, startAngle) << "the hall is active, so the train turns";
    EXPECT_FLOAT_EQ(front->angle, axle->angle);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
