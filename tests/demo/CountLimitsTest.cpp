#include "EffectScene.h"

#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "main/EntityFactory.h"

#include <gtest/gtest.h>

#include <new>

using EffectTest::element;
using EffectTest::printedBy;

namespace {

// Counts beyond the stated limits are refused with the entity's name before anything is built;
// at the limit the entity is built in full.
TEST(CountLimitsTest, HugeCountsAreRefusedByNameAndTheLimitItselfIsBuilt) {
    EffectTest::EffectGame game;
    game.registerFactory("CubeGrid", std::make_unique<CubeGrid::Factory>());
    game.registerFactory("DustGlow", std::make_unique<DustGlow::Factory>());
    game.registerFactory("LeafStorm", std::make_unique<LeafStorm::Factory>());
    const std::string grid = "<xspace>1</xspace><yspace>1</yspace><waveslowness>1</waveslowness>"
                             "<turnspeed>1</turnspeed>";
    const std::string glow = "<maxradius>1</maxradius><maxacc>1</maxacc><maxspeed>1</maxspeed>"
                             "<speedbrake>1</speedbrake><rotationspeed>1</rotationspeed>"
                             "<rotationcoursechange>1</rotationcoursechange>";
    const std::string storm = "<spread>1</spread><seed>1</seed>";
    const struct {
        const char* type;
        std::string xml;
        const char* message; // null: built
    } cases[] = {
        {"CubeGrid", "<xsize>30000</xsize><ysize>30000</ysize>" + grid,
         "CubeGrid \"big\": 900000000 cubes (\"xsize\" x \"ysize\") is more than 4096"},
        {"CubeGrid", "<xsize>64</xsize><ysize>64</ysize>" + grid, nullptr},
        {"DustGlow", "<particles>2000000000</particles>" + glow,
         "DustGlow \"big\": 2000000000 specks (\"particles\") is more than 4096"},
        {"LeafStorm",
         "<amount>2000000000</amount><instances><position>0 0 0</position>"
         "</instances>" +
             storm,
         "LeafStorm \"big\": 2000000000 points"},
        {"LeafStorm",
         "<amount>500000</amount><instances><position/><position/><position/>"
         "</instances>" +
             storm,
         "1500000 points (\"amount\" x \"position\" children) is more than 1000000"},
        {"LeafStorm",
         "<amount>500000</amount><instances><position/><position/></instances>" + storm, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        Zem::Main::Entity* made = nullptr;
        const std::string said = printedBy([&] {
            made = game.createEntity(c.type, element("<entity name='big'>" + c.xml + "</entity>"));
        });
        if (c.message != nullptr) {
            EXPECT_EQ(made, nullptr);
            EXPECT_NE(said.find(c.message), std::string::npos) << said;
        } else {
            EXPECT_NE(made, nullptr) << said;
        }
    }
    EXPECT_EQ(dynamic_cast<CubeGrid*>(game.findEntity("big"))->cubes.size(), 4096u);
}

struct ExhaustingFactory : Zem::Main::EntityFactory {
    Zem::Main::Entity* create(const Zem::Resource::XmlNode&) override { throw std::bad_alloc(); }
};

TEST(CountLimitsTest, AnEntityThatRunsOutOfMemoryIsSkippedWithItsName) {
    EffectTest::EffectGame game;
    game.registerFactory("Greedy", std::make_unique<ExhaustingFactory>());
    Zem::Main::Entity* made = reinterpret_cast<Zem::Main::Entity*>(1);
    const std::string said =
        printedBy([&] { made = game.createEntity("Greedy", element("<entity name='hog'/>")); });
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(said, "Greedy \"hog\": not enough memory to build it, not created\n");
}

} // namespace
