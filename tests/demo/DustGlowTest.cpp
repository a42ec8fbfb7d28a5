#include "EffectScene.h"

#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "main/Room.h"

#include <gtest/gtest.h>

namespace {

TEST(DustGlowTest, ParticlesSpecksInTheGlowsRoomAndEverySettingRequired) {
    EffectTest::EffectGame game;
    auto* hall = new Zem::Main::Room(EffectTest::element("<entity name='hall'/>"));
    for (const int particles : {0, 2}) {
        SCOPED_TRACE(particles);
        auto* glow = dynamic_cast<DustGlow*>(DustGlow::Factory().create(EffectTest::element(
            "<entity name='glow'><parent>hall</parent><maxradius>2</maxradius><maxacc>0.5"
            "</maxacc><maxspeed>10</maxspeed><speedbrake>1</speedbrake><rotationspeed>90"
            "</rotationspeed><rotationcoursechange>1</rotationcoursechange><particles>" +
            std::to_string(particles) + "</particles></entity>")));
        ASSERT_NE(glow, nullptr);
        ASSERT_EQ(glow->specks.size(), static_cast<std::size_t>(particles));
        for (const Dust* speck : glow->specks) {
            EXPECT_EQ(speck->room, hall);
        }
        glow->update(0.5f);
    }
    EffectTest::expectEveryKeyRequired<DustGlow::Factory>(
        "DustGlow", {"maxradius", "maxacc", "maxspeed", "speedbrake", "rotationspeed",
                     "rotationcoursechange", "particles"});
}

} // namespace
