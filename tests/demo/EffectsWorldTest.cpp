#include "EffectScene.h"

#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Cog.h"
#include "demo/Ombrel.h"
#include "main/Camera.h"
#include "main/SimpleRoom.h"

#include <gtest/gtest.h>

namespace {

class EffectsWorldTest : public ZemTest::DeferredTest {};

// The shipped world as the demo loads it: rooms with their meshes, the camera in the hall and
// every effect built there, running frame after frame.
TEST_F(EffectsWorldTest, ShippedWorldBuildsEveryEffectAndRuns) {
    Ombrel demo;
    const std::string said = EffectTest::printedBy([&] { ASSERT_TRUE(demo.init()); });
    EXPECT_EQ(said.find("Unable to load"), std::string::npos) << said;
    EXPECT_EQ(said.find("not created"), std::string::npos) << said;
    auto* hall = dynamic_cast<Zem::Main::SimpleRoom*>(demo.findEntity("hall"));
    ASSERT_NE(hall, nullptr);
    ASSERT_NE(demo.currentCamera(), nullptr);
    EXPECT_EQ(demo.currentCamera()->room, hall);
    EXPECT_TRUE(hall->active);
    for (const char* name : {"vault", "crate_vault", "pillar_vault", "gear_axle", "gear_front"}) {
        ASSERT_NE(demo.findEntity(name), nullptr) << name;
        EXPECT_NE(demo.findEntity(name)->model, nullptr) << name;
    }
    EXPECT_NE(demo.findEntity("gear_axle")->model, demo.findEntity("gear_front")->model);
    auto* drive = dynamic_cast<Machinery::Cog*>(demo.findEntity("gear_drive"));
    auto* grid = dynamic_cast<CubeGrid*>(demo.findEntity("cubegrid"));
    auto* leaves = dynamic_cast<LeafStorm*>(demo.findEntity("leaves"));
    auto* dust = dynamic_cast<DustGlow*>(demo.findEntity("dust"));
    auto* sign = dynamic_cast<Billboard*>(demo.findEntity("sign"));
    ASSERT_TRUE(drive && grid && leaves && dust && sign);
    EXPECT_EQ(grid->cubes.size(), 9u);
    EXPECT_NE(grid->cubes[0]->model, nullptr);
    EXPECT_EQ(leaves->clusters.size(), 3u);
    EXPECT_EQ(dust->specks.size(), 24u);
    EXPECT_NE(sign->texture, nullptr);

    const float startAngle = drive->angle;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(demo.update(0.05f));
    }
    EXPECT_GT(drive->angle, startAngle) << "the hall is active, so the train turns";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
