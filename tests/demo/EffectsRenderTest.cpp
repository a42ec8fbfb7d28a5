#include "EffectScene.h"

#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Ombrel.h"
#include "graphics/GBufferShader.h"
#include "graphics/Light.h"
#include "main/Camera.h"
#include "main/Random.h"
#include "main/Room.h"
#include "main/SimpleRoom.h"
#include "resource/BMPLoader.h"
#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "script/ScriptMaster.h"
#include "support/DeferredScene.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <vector>

using EffectTest::element;
using Zem::Graphics::GBufferShader;
using Zem::Graphics::Vector3;

namespace {

template <class T> T* make(const std::string& xml) {
    return dynamic_cast<T*>(typename T::Factory().create(element(xml)));
}

// The demo's passes and data/; the eye at the origin looks down -z, 80 degrees wide.
class EffectsRenderTest : public ZemTest::DeferredTest {
protected:
    static constexpr int width = GBufferShader::targetWidth;
    static constexpr int height = GBufferShader::targetHeight;

    void SetUp() override {
        DeferredTest::SetUp();
        auto& resources = Zem::Resource::ResourceManager::instance();
        resources.addSearchPath("data/textures/");
        resources.registerLoader(&objLoader);
        resources.registerLoader(&bmpLoader);
        registerPasses();
        new Zem::Main::Room(element("<entity name='hall'/>"));
    }
    // The entities hold meshes and textures: they go before the passes and resources do.
    void TearDown() override {
        game.reset();
        DeferredTest::TearDown();
    }

    // The G-buffer texel (albedo, or emissive) that a point of eye space lands on.
    static std::array<float, 4> texelAt(const Vector3& eye, bool glow = false) {
        const double focal = 1.0 / std::tan(40.0 * 3.14159265358979 / 180.0);
        const int x = static_cast<int>((focal * height / width * eye.x / -eye.z + 1.0) * width / 2);
        const int y = static_cast<int>((focal * eye.y / -eye.z + 1.0) * height / 2);
        const auto& targets = GBufferShader::sharedObjects();
        return texel(readTexture(glow ? targets.aux2Target : targets.colourTarget, width, height),
                     width, x, y);
    }
    void expectDrawnAt(const std::vector<Zem::Main::Entity*>& entities,
                       std::initializer_list<Vector3> litPoints,
                       std::initializer_list<Vector3> darkPoints) {
        renderFrame(entities);
        for (const auto& [points, shown] : {std::pair{litPoints, true}, {darkPoints, false}}) {
            for (const Vector3& p : points) {
                const auto value = texelAt(p);
                EXPECT_EQ(value[0] + value[1] + value[2] > 0.0f, shown)
                    << p.x << " " << p.y << " " << p.z;
            }
        }
        EXPECT_EQ(glGetError(), 0u);
    }
    static std::array<GLfloat, 4> material(GLenum what) {
        std::array<GLfloat, 4> value{};
        glGetMaterialfv(GL_FRONT, what, value.data());
        return value;
    }

    Zem::Resource::OBJLoader objLoader;
    Zem::Resource::BMPLoader bmpLoader;
    std::unique_ptr<EffectTest::EffectGame> game = std::make_unique<EffectTest::EffectGame>();
};

TEST_F(EffectsRenderTest, GearTrainIsDrawnWhereItIsPlaced) {
    const std::string wheel = "<radius>0.6</radius><depth>0.3</depth>";
    auto* first = make<Machinery::Cog>("<entity name='driver'><parent>hall</parent>" + wheel +
                                       "<transform><translate>-1 0 -5</translate></transform>"
                                       "</entity>");
    auto* second = make<Machinery::Cog>(
        "<entity name='second' origin='cog'><parent>driver</parent>" + wheel + "</entity>");
    ASSERT_TRUE(first && second && first->model) << "kugghjul.obj";
    first->update(0.1f);
    // Through the teeth ring of each wheel; the bore and the space above stay empty.
    expectDrawnAt({first, second}, {Vector3(-1.5f, 0.0f, -4.85f), Vector3(0.7f, 0.0f, -4.85f)},
                  {Vector3(-1.0f, 0.0f, -4.85f), Vector3(-1.0f, 1.0f, -4.85f)});
}

TEST_F(EffectsRenderTest, CubesAreDrawnSideBySideWithAGapBetween) {
    auto* grid = make<CubeGrid>(
        "<entity name='grid'><parent>hall</parent><xsize>2</xsize><ysize>1</ysize><xspace>1.5"
        "</xspace><yspace>1</yspace><waveslowness>2</waveslowness><turnspeed>30</turnspeed>"
        "<position>0.75 0 -6</position><cubeinitdata><model>cube.obj</model></cubeinitdata>"
        "</entity>");
    ASSERT_TRUE(grid && grid->cubes[0]->model);
    expectDrawnAt({grid->cubes[0], grid->cubes[1]},
                  {Vector3(-0.75f, 0.0f, -5.5f), Vector3(0.75f, 0.0f, -5.5f)},
                  {Vector3(0.0f, 0.0f, -5.5f), Vector3(0.75f, 1.0f, -5.5f)});
}

TEST_F(EffectsRenderTest, DustSpecksGlowWhereTheyAre) {
    Zem::Main::Random::seed(1);
    auto* glow = make<DustGlow>(
        "<entity name='glow'><position>0 0 -2</position><maxradius>0</maxradius><maxacc>0.1"
        "</maxacc><maxspeed>1</maxspeed><speedbrake>1</speedbrake><rotationspeed>90"
        "</rotationspeed><rotationcoursechange>1</rotationcoursechange><particles>3</particles>"
        "<trianglesize>0.1</trianglesize></entity>");
    ASSERT_NE(glow, nullptr);
    expectDrawnAt(std::vector<Zem::Main::Entity*>(glow->specks.begin(), glow->specks.end()),
                  {Vector3(0.0f, 0.0f, -2.0f)}, {Vector3(0.3f, 0.0f, -2.0f)});
    EXPECT_GT(texelAt(Vector3(0.0f, 0.0f, -2.0f), true)[0], 10.0f) << "an ambient of 30";
}

TEST_F(EffectsRenderTest, LeavesAreDrawnAroundTheirClustersAsFivePixelPoints) {
    auto* storm = make<LeafStorm>("<entity name='storm'><amount>1500</amount><spread>2</spread>"
                                  "<seed>3</seed><instances><position>-1.5 0 -4</position>"
                                  "<position>1.5 0 -4</position></instances></entity>");
    ASSERT_NE(storm, nullptr);
    expectDrawnAt({storm}, {Vector3(-1.5f, 0.0f, -4.0f), Vector3(1.5f, 0.0f, -4.0f)},
                  {Vector3(0.0f, 0.0f, -4.0f)});
    glPointSize(1.0f);
    storm->draw();
    GLfloat pointSize = 0.0f;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    EXPECT_FLOAT_EQ(pointSize, 5.0f);
    EXPECT_FLOAT_EQ(material(GL_SPECULAR)[3], 1.0f) << "an opaque specular";
    EXPECT_EQ(glGetError(), 0u) << "shininess within GL's range";
    glPointSize(1.0f);
}

TEST_F(EffectsRenderTest, BillboardGlowsWithItsPictureWhereItStands) {
    const Billboard wide(element("<entity><width>4</width><radius>9</radius></entity>"));
    EXPECT_EQ(std::vector<float>({wide.halfWidth, wide.halfHeight, wide.radius}),
              std::vector<float>({2.0f, 1.0f, 2.0f}))
        << "width 4 alone: a 4 x 2 quad, radius 2";
    Billboard sign(element("<entity><texture>emblem.bmp</texture><width>2</width><height>1"
                           "</height><brightness>2</brightness><position>0.5 0 -3</position>"
                           "</entity>"));
    ASSERT_NE(sign.texture, nullptr);
    sign.draw();
    EXPECT_EQ(material(GL_SPECULAR), (std::array<GLfloat, 4>{0, 0, 0, 0}));
    glBindTexture(GL_TEXTURE_2D, 0);
    expectDrawnAt({&sign}, {Vector3(1.4f, 0.4f, -3.0f), Vector3(-0.4f, -0.4f, -3.0f)},
                  {Vector3(0.5f, 0.6f, -3.0f), Vector3(1.6f, 0.0f, -3.0f)});
    // The sun in the middle of the picture: brightness 2 glows brighter than its albedo.
    const float albedo = texelAt(Vector3(0.5f, 0.0f, -3.0f))[0];
    EXPECT_GT(albedo, 0.5f);
    EXPECT_GT(texelAt(Vector3(0.5f, 0.0f, -3.0f), true)[0], 1.5f * albedo);
}

using EffectsWorldTest = ZemTest::DeferredTest;

// The box holding every vertex of a room's model.
struct Bounds {
    Vector3 low{1e9f, 1e9f, 1e9f};
    Vector3 high{-1e9f, -1e9f, -1e9f};
    bool holds(const Vector3& p) const {
        return p.x > low.x && p.y > low.y && p.z > low.z && p.x < high.x && p.y < high.y &&
               p.z < high.z;
    }
};

Bounds boundsOf(const Zem::Main::Entity& room) {
    Bounds box;
    for (const auto& group : room.model->groups) {
        for (std::size_t i = 0; i + 2 < group->positions.size(); i += 3) {
            for (int axis = 0; axis < 3; ++axis) {
                const float v = group->positions[i + static_cast<std::size_t>(axis)];
                box.low[axis] = std::min(box.low[axis], v);
                box.high[axis] = std::max(box.high[axis], v);
            }
        }
    }
    return box;
}

TEST_F(EffectsWorldTest, ShippedShowUsesEveryEffectInSeveralRoomsAndRuns) {
    Ombrel demo;
    bool initialised = false;
    const std::string said = EffectTest::printedBy([&] { initialised = demo.init(); });
    ASSERT_TRUE(initialised) << said;
    EXPECT_EQ(said, "") << "the shipped world loads without a message";
    ASSERT_NE(demo.currentCamera(), nullptr);

    // Where each kind of effect stands, and what makes the cube grids differ.
    std::map<std::string, std::set<const Zem::Main::Room*>> roomsOf;
    std::set<std::size_t> gridSizes;
    std::vector<Machinery::Cog*> drivers;
    int cogsOnAxles = 0;
    for (Zem::Main::Entity* entity : demo.entities) {
        if (auto* grid = dynamic_cast<CubeGrid*>(entity)) {
            roomsOf["CubeGrid"].insert(grid->room);
            gridSizes.insert(grid->cubes.size());
        } else if (dynamic_cast<DustGlow*>(entity) != nullptr) {
            roomsOf["DustGlow"].insert(entity->room);
        } else if (auto* storm = dynamic_cast<LeafStorm*>(entity)) {
            roomsOf["LeafStorm"].insert(entity->room);
            EXPECT_FALSE(storm->clusters.empty());
        } else if (auto* board = dynamic_cast<Billboard*>(entity)) {
            roomsOf["Billboard"].insert(entity->room);
            EXPECT_NE(board->texture, nullptr) << board->name;
        } else if (auto* cog = dynamic_cast<Machinery::Cog*>(entity)) {
            if (cog->parentPart == nullptr) {
                drivers.push_back(cog);
                roomsOf["Cog"].insert(entity->room);
            } else if (dynamic_cast<Machinery::Axis*>(cog->parentPart) != nullptr) {
                ++cogsOnAxles;
            }
        } else if (dynamic_cast<Zem::Graphics::Light*>(entity) != nullptr) {
            roomsOf["Light"].insert(entity->room);
        }
    }
    for (const char* type : {"CubeGrid", "DustGlow", "LeafStorm", "Billboard", "Cog", "Light"}) {
        EXPECT_GE(roomsOf[type].size(), 2u) << type << " in more than one room";
    }
    EXPECT_GE(gridSizes.size(), 3u) << "cube grids of different sizes";
    EXPECT_GE(cogsOnAxles, 2) << "trains that go on across an axle";
    for (const char* card : {"title", "endcard"}) {
        EXPECT_NE(dynamic_cast<Billboard*>(demo.findEntity(card)), nullptr) << card;
    }

    // Three rooms, all reached through portals from the first camera, and every camera inside
    // its own room.
    std::vector<Zem::Main::Room*> rooms;
    for (Zem::Main::Entity* entity : demo.entities) {
        if (auto* room = dynamic_cast<Zem::Main::SimpleRoom*>(entity)) {
            rooms.push_back(room);
            EXPECT_TRUE(room->active) << room->name;
        }
    }
    EXPECT_GE(rooms.size(), 3u);
    for (Zem::Main::Entity* entity : demo.entities) {
        if (auto* camera = dynamic_cast<Zem::Main::Camera*>(entity)) {
            ASSERT_NE(camera->room, nullptr) << camera->name;
            EXPECT_TRUE(boundsOf(*camera->room).holds(camera->position)) << camera->name;
        }
    }

    // Two to three minutes, ending on the script's exit.
    auto* script = dynamic_cast<ScriptMaster*>(demo.findEntity("mainscript"));
    ASSERT_NE(script, nullptr);
    EXPECT_GE(script->exitTimeMs(), 120000);
    EXPECT_LE(script->exitTimeMs(), 180000);

    std::vector<float> startAngles;
    for (const Machinery::Cog* drive : drivers) {
        startAngles.push_back(drive->angle);
    }
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(demo.update(0.05f));
    }
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        EXPECT_GT(drivers[i]->angle, startAngles[i]) << drivers[i]->name << ": every room runs";
    }
    EXPECT_EQ(glGetError(), 0u);
}

} // namespace
