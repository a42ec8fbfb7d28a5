// The shipped world, data/main.world, as the show loads it.
#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Ombrel.h"
#include "graphics/Light.h"
#include "main/Camera.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "script/ScriptMaster.h"
#include "support/DeferredScene.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using Zem::Graphics::Vector3;

namespace {

// Whether `p` lies inside the box holding every vertex of the room's model.
bool insideModelOf(const Zem::Main::Entity& room, const Vector3& p) {
    Vector3 low(1e9f, 1e9f, 1e9f), high(-1e9f, -1e9f, -1e9f);
    for (const auto& group : room.model->groups) {
        for (std::size_t i = 0; i < group->positions.size(); ++i) {
            const int axis = static_cast<int>(i % 3);
            low[axis] = std::min(low[axis], group->positions[i]);
            high[axis] = std::max(high[axis], group->positions[i]);
        }
    }
    return p.x > low.x && p.y > low.y && p.z > low.z && p.x < high.x && p.y < high.y &&
           p.z < high.z;
}

// A driving cog: one that hangs on no other part.
const Machinery::Cog* asDriver(const Zem::Main::Entity* entity) {
    const auto* cog = dynamic_cast<const Machinery::Cog*>(entity);
    return cog != nullptr && cog->parentPart == nullptr ? cog : nullptr;
}

// The shipped world loaded, whatever it reported kept; without an input driver every camera
// shows a box of its own, which is not the world's.
class ShippedShowTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        const auto boxes = Zem::Main::setMessageBoxHandler([](auto&&...) {});
        bool initialised = false;
        reported = ZemTest::reportedBy([&] { initialised = demo->init(); });
        Zem::Main::setMessageBoxHandler(boxes);
        ASSERT_TRUE(initialised);
        ASSERT_NE(demo->currentCamera(), nullptr);
    }
    // The entities hold meshes and textures: they go before the passes and resources do.
    void TearDown() override {
        demo.reset();
        DeferredTest::TearDown();
    }
    template <class T> std::vector<T*> all() {
        std::vector<T*> found;
        for (Zem::Main::Entity* entity : demo->entities) {
            if (auto* typed = dynamic_cast<T*>(entity)) {
                found.push_back(typed);
            }
        }
        return found;
    }
    template <class T> std::set<const Zem::Main::Room*> roomsOf() {
        std::set<const Zem::Main::Room*> rooms;
        for (const T* entity : all<T>()) {
            rooms.insert(entity->room);
        }
        return rooms;
    }

    std::unique_ptr<Ombrel> demo = std::make_unique<Ombrel>();
    std::string reported;
};

TEST_F(ShippedShowTest, LoadsWithoutAReport) {
    EXPECT_EQ(reported, "");
}

TEST_F(ShippedShowTest, EveryKindOfEffectStandsInMoreThanOneRoom) {
    std::set<const Zem::Main::Room*> driverRooms;
    for (const Zem::Main::Entity* entity : demo->entities) {
        if (asDriver(entity) != nullptr) {
            driverRooms.insert(entity->room);
        }
    }
    const std::map<std::string, std::size_t> rooms = {
        {"CubeGrid", roomsOf<CubeGrid>().size()},
        {"DustGlow", roomsOf<DustGlow>().size()},
        {"LeafStorm", roomsOf<LeafStorm>().size()},
        {"Billboard", roomsOf<Billboard>().size()},
        {"Cog", driverRooms.size()},
        {"Light", roomsOf<Zem::Graphics::Light>().size()}};
    for (const auto& [type, count] : rooms) {
        EXPECT_GE(count, 2u) << type;
    }
}

TEST_F(ShippedShowTest, CubeGridsComeInThreeSizesOrMore) {
    std::set<std::size_t> sizes;
    for (const CubeGrid* grid : all<CubeGrid>()) {
        sizes.insert(grid->cubes.size());
    }
    EXPECT_GE(sizes.size(), 3u);
}

TEST_F(ShippedShowTest, GearTrainsGoOnAcrossAxles) {
    const auto cogs = all<Machinery::Cog>();
    EXPECT_GE(std::count_if(cogs.begin(), cogs.end(),
                            [](const Machinery::Cog* cog) {
                                return dynamic_cast<Machinery::Axis*>(cog->parentPart) != nullptr;
                            }),
              2);
}

TEST_F(ShippedShowTest, ThreeRoomsOrMoreAreAllActive) {
    const auto rooms = all<Zem::Main::SimpleRoom>();
    EXPECT_GE(rooms.size(), 3u);
    for (const Zem::Main::SimpleRoom* room : rooms) {
        EXPECT_TRUE(room->active) << room->name;
    }
}

TEST_F(ShippedShowTest, EveryCameraStandsInsideItsRoom) {
    for (const Zem::Main::Camera* camera : all<Zem::Main::Camera>()) {
        ASSERT_NE(camera->room, nullptr) << camera->name;
        EXPECT_TRUE(insideModelOf(*camera->room, camera->position)) << camera->name;
    }
}

TEST_F(ShippedShowTest, ATitleAndAnEndCardAreShown) {
    for (const char* card : {"title", "endcard"}) {
        EXPECT_NE(dynamic_cast<Billboard*>(demo->findEntity(card)), nullptr) << card;
    }
}

TEST_F(ShippedShowTest, EveryBillboardHasItsPicture) {
    for (const Billboard* board : all<Billboard>()) {
        EXPECT_NE(board->texture, nullptr) << board->name;
    }
}

TEST_F(ShippedShowTest, EveryLeafStormHasLeaves) {
    for (const LeafStorm* storm : all<LeafStorm>()) {
        EXPECT_FALSE(storm->clusters.empty()) << storm->name;
    }
}

// Colour, specular, bump and normal maps: each textures some surface the show draws.
TEST_F(ShippedShowTest, EveryKindOfMaterialMapIsDrawn) {
    std::set<std::string> kinds;
    for (const Zem::Main::Entity* entity : demo->entities) {
        if (entity->model == nullptr) {
            continue;
        }
        for (const auto& group : entity->model->groups) {
            const Zem::Resource::Material* material = group->material;
            if (material == nullptr) {
                continue;
            }
            const std::pair<const char*, const Zem::Resource::Texture*> maps[] = {
                {"diffuse", material->diffuseTexture},
                {"specular", material->specularTexture},
                {"bump", material->bumpTexture},
                {"normal", material->normalTexture}};
            for (const auto& [kind, texture] : maps) {
                if (texture != nullptr) {
                    kinds.insert(kind);
                }
            }
        }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"bump", "diffuse", "normal", "specular"}));
}

TEST_F(ShippedShowTest, TheScriptEndsTheShowAfterTwoToThreeMinutes) {
    auto* script = dynamic_cast<ScriptMaster*>(demo->findEntity("mainscript"));
    ASSERT_NE(script, nullptr);
    EXPECT_GE(script->exitTimeMs(), 120000);
    EXPECT_LE(script->exitTimeMs(), 180000);
}

TEST_F(ShippedShowTest, TheMachineryOfEveryRoomRuns) {
    std::vector<std::pair<const Machinery::Cog*, float>> drivers;
    for (const Zem::Main::Entity* entity : demo->entities) {
        if (const Machinery::Cog* cog = asDriver(entity)) {
            drivers.emplace_back(cog, cog->angle);
        }
    }
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(demo->update(0.05f));
    }
    for (const auto& [drive, startAngle] : drivers) {
        EXPECT_GT(drive->angle, startAngle) << drive->name;
    }
}

} // namespace
