#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Machinery/readTransform.h"
#include "demo/Ombrel.h"
#include "graphics/GBufferShader.h"
#include "graphics/Light.h"
#include "graphics/Matrix4.h"
#include "main/Camera.h"
#include "main/EntityFactory.h"
#include "main/Game.h"
#include "main/messageBox.h"
#include "main/Random.h"
#include "main/Room.h"
#include "main/SimpleRoom.h"
#include "resource/BMPLoader.h"
#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "resource/XmlNode.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"
#include "support/DeferredScene.h"
#include "support/ReportRecorder.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

using Machinery::Axis;
using Machinery::Cog;
using Zem::Graphics::GBufferShader;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace {

// The entity a type's factory builds from `xml`, or null.
template <class T> T* make(const std::string& xml) {
    return dynamic_cast<T*>(typename T::Factory().create(XmlNode(xml)));
}

void expectMatrixNear(const Zem::Graphics::Matrix4& actual, const Zem::Graphics::Matrix4& expected,
                      float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

using ZemTest::reportedBy;

// Leaves out each key in turn: nothing is built and the message names the key.
template <class Factory>
void expectEveryKeyRequired(const std::string& type, std::initializer_list<std::string> keys) {
    const std::size_t entityCount = Zem::Main::currentGame->entities.size();
    for (const std::string& missing : keys) {
        std::string xml = "<entity name='e'>";
        for (const std::string& key : keys) {
            xml += key == missing ? "" : "<" + key + ">1</" + key + ">";
        }
        bool made = true;
        const std::string said =
            reportedBy([&] { made = Factory().create(XmlNode(xml + "</entity>")) != nullptr; });
        EXPECT_FALSE(made) << missing;
        EXPECT_NE(said.find(type + " \"e\": no \"" + missing + "\" setting"), std::string::npos)
            << said;
    }
    EXPECT_EQ(Zem::Main::currentGame->entities.size(), entityCount);
}

// An entity named "e" with the given settings.
template <class T> T* named(const std::string& settings) {
    return make<T>("<entity name='e'>" + settings + "</entity>");
}

// A room "hall" and a script whose music clock the test sets.
class CubeGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
        reportedBy([this] {
            (new ScriptMaster(XmlNode("<entity name='mainscript'><bpm>120</bpm><script/></entity>"),
                              Music::create([this] { return nowMs; })))
                ->update(0.0f);
        });
    }
    static CubeGrid* grid(const std::string& settings, const char* slowness = "2") {
        return named<CubeGrid>("<parent>hall</parent>" + settings + "<waveslowness>" + slowness +
                               "</waveslowness><turnspeed>30</turnspeed>");
    }
    void updateAt(CubeGrid& target, double ms, const char* command = nullptr) {
        nowMs = ms;
        if (command != nullptr) {
            target.command(0, XmlNode(std::string("<event command='") + command + "'/>"));
        }
        target.update(0.0f);
    }

    ZemTest::SceneGame game;
    double nowMs = 0.0;
};

TEST_F(CubeGridTest, CubesAreLaidOutRowByRowAroundTheIntegerHalves) {
    CubeGrid* g = grid("<xsize>4</xsize><ysize>3</ysize><xspace>1</xspace><yspace>3</yspace>"
                       "<position>10 1 0</position>");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        // Columns at -2, -1, 0 and 1 from the grid's position.
        expectMatrixNear(g->cubes[static_cast<std::size_t>(i)]->getWorldMatrix(),
                         Matrix4::translation(8.0f + i % 4, 1.0f, 3.0f * (i / 4 - 1)));
    }
}

TEST_F(CubeGridTest, LoneCubeStartsTippingWhenTheFrontCrossesHalfACell) {
    CubeGrid* g = grid("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace><yspace>1</yspace>"
                       "<position>0 0 -3</position>");
    ASSERT_NE(g, nullptr);
    const Matrix4 built = g->cubes[0]->getWorldMatrix();
    updateAt(*g, 800.0); // before any "begin"
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0, "begin");
    // sqrt(0.5) * 2 = 1.414 s after the start.
    updateAt(*g, 500.0 + 1410.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0 + 1500.0);
    const float degrees = std::sin(1.5f - std::sqrt(0.5f) * 2.0f) * 30.0f;
    expectMatrixNear(g->cubes[0]->getWorldMatrix(),
                     Matrix4::product(Matrix4::translation(0.0f, 0.0f, -3.0f),
                                      Matrix4::rotation(degrees, 1.0f, 2.0f, 3.0f)));
    updateAt(*g, 2000.0, "reset"); // the wave starts again from the centre
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, AfterOnePeriodOnlyNegativeSwingsRemain) {
    CubeGrid* g = grid("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace><yspace>1</yspace>", "0");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->waveAngle(0, 0, -0.1f), 0.0f);
    EXPECT_NEAR(g->waveAngle(0, 0, 1.0f), std::sin(1.0f) * 30.0f, 1e-4f);
    EXPECT_EQ(g->waveAngle(0, 0, 7.0f), 0.0f) << "sin 7 > 0";
    EXPECT_NEAR(g->waveAngle(0, 0, 9.5f), std::sin(9.5f) * 30.0f, 1e-4f) << "sin 9.5 < 0";
}

TEST(EffectSettings, EveryOneIsRequired) {
    ZemTest::SceneGame game;
    expectEveryKeyRequired<CubeGrid::Factory>(
        "CubeGrid", {"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed"});
    expectEveryKeyRequired<DustGlow::Factory>("DustGlow", {"maxradius", "maxacc", "maxspeed",
                                                           "speedbrake", "rotationspeed",
                                                           "rotationcoursechange", "particles"});
    expectEveryKeyRequired<LeafStorm::Factory>("LeafStorm", {"amount", "spread", "seed"});
}

// Counts beyond the stated limits are refused with the entity's name before anything is built;
// at the limit the entity is built in full. One that runs out of memory is skipped by name.
TEST(CountLimitsTest, HugeCountsAreRefusedByNameAndTheLimitItselfIsBuilt) {
    struct ExhaustingFactory : Zem::Main::EntityFactory {
        Zem::Main::Entity* create(const Zem::Resource::XmlNode&) override {
            throw std::bad_alloc();
        }
    };
    ZemTest::SceneGame game;
    game.registerFactory("CubeGrid", std::make_unique<CubeGrid::Factory>());
    game.registerFactory("DustGlow", std::make_unique<DustGlow::Factory>());
    game.registerFactory("LeafStorm", std::make_unique<LeafStorm::Factory>());
    game.registerFactory("Greedy", std::make_unique<ExhaustingFactory>());
    const std::string grid = "<xspace>1</xspace><yspace>1</yspace><waveslowness>1</waveslowness>"
                             "<turnspeed>1</turnspeed>";
    const std::string glow = "<maxradius>1</maxradius><maxacc>1</maxacc><maxspeed>1</maxspeed>"
                             "<speedbrake>1</speedbrake><rotationspeed>1</rotationspeed>"
                             "<rotationcoursechange>1</rotationcoursechange>";
    const std::string storm = "<spread>1</spread><seed>1</seed><instances><position/>";
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
        {"LeafStorm", "<amount>2000000000</amount>" + storm + "</instances>",
         "LeafStorm \"big\": 2000000000 points"},
        {"LeafStorm", "<amount>500000</amount>" + storm + "<position/><position/></instances>",
         "1500000 points (\"amount\" x \"position\" children) is more than 1000000"},
        {"LeafStorm", "<amount>500000</amount>" + storm + "<position/></instances>", nullptr},
        {"Greedy", "", "Greedy \"big\": not enough memory to build it, not created\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        Zem::Main::Entity* made = nullptr;
        const std::string said = reportedBy([&] {
            made = game.createEntity(c.type, XmlNode("<entity name='big'>" + c.xml + "</entity>"));
        });
        EXPECT_EQ(made == nullptr, c.message != nullptr) << said;
        if (c.message != nullptr) {
            EXPECT_NE(said.find(c.message), std::string::npos) << said;
        }
    }
    EXPECT_EQ(reportedBy([&] { game.createEntity("Greedy", XmlNode("<entity name='hog'/>")); }),
              "Greedy \"hog\": not enough memory to build it, not created\n");
    EXPECT_EQ(dynamic_cast<CubeGrid*>(game.findEntity("big"))->cubes.size(), 4096u);
}

DustGlow* makeGlow(const std::string& settings) {
    return named<DustGlow>("<maxradius>2</maxradius><rotationspeed>90</rotationspeed>"
                           "<rotationcoursechange>1</rotationcoursechange><maxacc>0.5</maxacc>" +
                           settings);
}

TEST(DustGlowTest, ParticlesSpecksInTheGlowsRoom) {
    ZemTest::SceneGame game;
    auto* hall = new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
    for (const int particles : {0, 2}) {
        SCOPED_TRACE(particles);
        DustGlow* glow = makeGlow("<parent>hall</parent><maxspeed>10</maxspeed><speedbrake>1"
                                  "</speedbrake><particles>" +
                                  std::to_string(particles) + "</particles>");
        ASSERT_NE(glow, nullptr);
        ASSERT_EQ(glow->specks.size(), static_cast<std::size_t>(particles));
        for (const Dust* speck : glow->specks) {
            EXPECT_EQ(speck->room, hall);
        }
    }
}

// The frame's draws: three for the tumbling axis, then the wander, drawn z, y, x.
Vector3 wanderAfterSeed(int32_t seed) {
    Zem::Main::Random::seed(seed);
    for (int i = 0; i < 3; ++i) {
        Zem::Main::Random::unit();
    }
    Vector3 v;
    v.z = Zem::Main::Random::unit() - 0.5f;
    v.y = Zem::Main::Random::unit() - 0.5f;
    v.x = Zem::Main::Random::unit() - 0.5f;
    Zem::Main::Random::seed(seed);
    return v;
}

Vector3 cutBack(Vector3 v, float limit) {
    if (v.length() > limit) {
        v.normalise();
        v = v * limit;
    }
    return v;
}

// Per frame, whatever dt: the acceleration gains 0.01 of wander and 0.005 towards the shell
// and is cut back to "maxacc"; the braked velocity is cut back to "maxspeed". The position
// moves by the velocity of the frame before, times dt.
TEST(DustGlowTest, AccelerationAndSpeedAreCutBackToTheirLimitsEveryFrame) {
    ZemTest::SceneGame game;
    struct Case {
        float maxSpeed, brake, shell;
        Vector3 acceleration, velocity;
    };
    // Outside its shell a speck is pulled in, inside it (or on it) pushed out.
    const Case cases[] = {{100.0f, 0.5f, 0.0f, {3, 0, -4}, {0, 1, 0}},       // acceleration cut
                          {0.2f, 0.9f, 50.0f, {0.1f, 0, 0}, {0, 3, 0}},      // velocity cut
                          {100.0f, 1.0f, 2.0f, {0, 0.1f, 0}, {0.1f, 0, 0}}}; // on the shell
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shell);
        DustGlow* glow =
            makeGlow("<maxspeed>" + std::to_string(c.maxSpeed) + "</maxspeed><speedbrake>" +
                     std::to_string(c.brake) + "</speedbrake><particles>1</particles>");
        ASSERT_NE(glow, nullptr);
        Dust& speck = *glow->specks[0];
        speck.acceleration = c.acceleration;
        speck.velocity = c.velocity;
        speck.shellRadius = c.shell;
        // Where the speck will be after this frame's move: 2 from the centre along y.
        speck.setWorldMatrix(Matrix4::translation(-0.05f, 2.0f, 0.0f));
        const Vector3 moved = speck.getWorldMatrix().getTranslation() + c.velocity * 0.5f;
        const Vector3 wander = wanderAfterSeed(5);
        glow->update(0.5f);

        Vector3 towardShell = c.shell < moved.length() ? -moved : moved;
        towardShell.normalise();
        const Vector3 a = cutBack(c.acceleration + wander * 0.01f + towardShell * 0.005f, 0.5f);
        EXPECT_LT((speck.acceleration - a).length(), 1e-5f);
        EXPECT_LT((speck.velocity - cutBack((c.velocity + a) * c.brake, c.maxSpeed)).length(),
                  1e-5f);
        EXPECT_LT((speck.getWorldMatrix().getTranslation() - moved).length(), 1e-5f);
    }
}

LeafStorm* storm(const std::string& amount, const std::string& seed,
                 const std::string& positions = "<position>0 0 0</position>",
                 const std::string& spread = "2") {
    return named<LeafStorm>("<amount>" + amount + "</amount><spread>" + spread + "</spread><seed>" +
                            seed + "</seed><instances>" + positions + "</instances>");
}

TEST(LeafStormTest, SameSeedGivesTheSameLeavesWhateverWasDrawnBefore) {
    ZemTest::SceneGame game;
    const std::string two = "<position>0 0 0</position><position>3 1 0</position>";
    LeafStorm* first = storm("50", "42", two);
    Zem::Main::Random::next();
    LeafStorm* second = storm("50", "42", two);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(first->clusters[c]->points, second->clusters[c]->points);
        EXPECT_EQ(first->clusters[c]->normals, second->clusters[c]->normals);
    }
    EXPECT_NE(first->clusters[0]->points, storm("50", "43", two)->clusters[0]->points);
    EXPECT_NE(first->clusters[0]->points, first->clusters[1]->points);
    // The seed is the program generator's: a storm that draws nothing leaves it just seeded.
    storm("0", "42");
    const int next = Zem::Main::Random::next();
    Zem::Main::Random::seed(42);
    EXPECT_EQ(next, Zem::Main::Random::next());
}

TEST(LeafStormTest, EveryLeafLiesWithinHalfTheSpreadWithAUnitNormalAndNoneOnBadSettings) {
    ZemTest::SceneGame game;
    const LeafCluster& cluster =
        *storm("2000", "5", "<position>0 0 0</position>", "3")->clusters[0];
    ASSERT_EQ(cluster.points.size(), 2000u);
    float largest = 0.0f;
    for (std::size_t i = 0; i < cluster.points.size(); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            largest = std::max(largest, std::fabs(cluster.points[i][axis]));
        }
        EXPECT_NEAR(cluster.normals[i].length(), 1.0f, 1e-5f);
    }
    EXPECT_LE(largest, 1.5f);
    EXPECT_GT(largest, 0.3f) << "bunched near the centre, still spread out";

    EXPECT_TRUE(storm("0", "1")->clusters[0]->points.empty());
    // Read as unsigned, -5 would ask for billions of points.
    EXPECT_TRUE(storm("-5", "1")->clusters[0]->points.empty());
    EXPECT_TRUE(storm("5", "1", "")->clusters.empty());
}

// One room, "hall"; no loaders, so the parts have no model.
class MachineryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
    }
    Cog* driver(const std::string& transform = "<translate>1 2 3</translate>") {
        return make<Cog>("<entity name='driver'><parent>hall</parent><transform>" + transform +
                         "</transform></entity>");
    }
    Cog* meshing(const std::string& name, const std::string& settings = "") {
        return make<Cog>("<entity name='" + name + "' origin='cog'><parent>driver</parent>" +
                         settings + "</entity>");
    }

    ZemTest::SceneGame game;
};

TEST_F(MachineryTest, DrivingCogTurnsTwoRadiansPerSecondOnItsBaseTransform) {
    Cog* first = driver("<translate>1 2 3</translate><rotate>30,1,0,0</rotate>");
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 4; ++i) {
        first->update(0.25f);
    }
    EXPECT_FLOAT_EQ(first->angle, 2.0f);
    const Matrix4 base = Matrix4::product(Matrix4::translation(1.0f, 2.0f, 3.0f),
                                          Matrix4::rotation(30.0f, 1.0f, 0.0f, 0.0f));
    expectMatrixNear(first->getWorldMatrix(),
                     Matrix4::product(base, Matrix4::rotation(114.59156f, 0, 0, 1)));
}

TEST_F(MachineryTest, DrivenPartsFollowTheDriverAFrameBehind) {
    Cog* first = driver();
    Cog* meshed = meshing("meshed", "<radius>0.5</radius>");
    Axis* axle = make<Axis>("<entity name='axle'><parent>driver</parent>"
                            "<depthoffset>0.5</depthoffset></entity>");
    Cog* onAxle =
        make<Cog>("<entity name='big' origin='axis'><parent>axle</parent><radius>3</radius>"
                  "<depthoffset>1</depthoffset></entity>");
    ASSERT_TRUE(meshed && onAxle);
    // The driver pushes the angle it had, then turns.
    first->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, 0.0f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f * first->angle);
    EXPECT_FLOAT_EQ(axle->angle, first->angle);
    EXPECT_FLOAT_EQ(onAxle->angle, first->angle) << "whatever its radius";
    expectMatrixNear(onAxle->baseTransform, Matrix4::translation(1.0f, 2.0f, 4.5f));
    meshed->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f) << "a driven cog never turns on its own";
}

TEST_F(MachineryTest, CogAtNinetyDegreesOnTheRimAndRotateAsAngleThenAxis) {
    driver("");
    Cog* placed = meshing("top", "<angle>90</angle>");
    ASSERT_NE(placed, nullptr);
    expectMatrixNear(placed->baseTransform, Matrix4::product(Matrix4::translation(0, 2, 0),
                                                             Matrix4::rotation(180.0f, 0, 0, 1)));
    expectMatrixNear(Machinery::readTransform(XmlNode("<t><rotate>90,0,1,0</rotate></t>")),
                     Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f));
}

TEST_F(MachineryTest, PartsThatCannotBePlacedAreRejectedWithTheirName) {
    driver();
    new Zem::Main::BaseEntity(XmlNode("<entity name='crate'/>"));
    new Cog(XmlNode("<entity name='loose'/>"));
    const std::size_t entityCount = game.entities.size();
    const struct {
        bool isAxis;
        const char* xml;
        const char* message;
    } cases[] = {
        {false, "<e name='a' origin='room'><parent>hall</parent></e>",
         "Cog \"a\": no \"transform\""},
        {false, "<e name='e'><parent>crate</parent><transform/></e>", "\"crate\" is not a room"},
        {false, "<e name='g' origin='axis'><parent>loose</parent></e>", "\"loose\" is in no room"},
        {false, "<e name='h' origin='cog'><parent>driver</parent><radius>0</radius></e>",
         "Cog \"h\": a meshing cog of radius 0"},
        {true, "<e name='x'><parent>hall</parent></e>", "\"hall\" is not a Cog or an Axis"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        Zem::Main::Entity* made = nullptr;
        const std::string said =
            reportedBy([&] { made = c.isAxis ? make<Axis>(c.xml) : make<Cog>(c.xml); });
        EXPECT_EQ(made, nullptr);
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
    }
    EXPECT_EQ(game.entities.size(), entityCount) << "a rejected part leaves nothing behind";
}

TEST_F(MachineryTest, DestroyingTheDriverFirstClearsItsChildrensConnectors) {
    Cog* first = driver();
    delete meshing("second");
    Cog* third = meshing("third");
    ASSERT_EQ(first->childParts, (std::vector<Machinery::Part*>{third}));
    first->update(1.0f);
    first->update(0.0f);
    delete first;
    EXPECT_EQ(third->input, nullptr);
    third->propagate();
    EXPECT_FLOAT_EQ(third->angle, -2.0f);
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
        new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
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
    std::unique_ptr<ZemTest::SceneGame> game = std::make_unique<ZemTest::SceneGame>();
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
    const Billboard wide(XmlNode("<entity><width>4</width><radius>9</radius></entity>"));
    EXPECT_EQ(std::vector<float>({wide.halfWidth, wide.halfHeight, wide.radius}),
              std::vector<float>({2.0f, 1.0f, 2.0f}))
        << "width 4 alone: a 4 x 2 quad, radius 2";
    Billboard sign(XmlNode("<entity><texture>emblem.bmp</texture><width>2</width><height>1"
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

TEST_F(EffectsWorldTest, ShippedShowUsesEveryEffectInSeveralRoomsAndRuns) {
    Ombrel demo;
    bool initialised = false;
    // Without an input driver every camera shows its box; those are not the world's.
    const auto boxes = Zem::Main::setMessageBoxHandler([](auto&&...) {});
    EXPECT_EQ(reportedBy([&] { initialised = demo.init(); }), "")
        << "the shipped world loads without a message";
    Zem::Main::setMessageBoxHandler(boxes);
    ASSERT_TRUE(initialised);
    ASSERT_NE(demo.currentCamera(), nullptr);

    // Where each kind of effect stands, what makes the cube grids differ, the driving cogs with
    // their angles, and the rooms (every camera inside its own).
    std::map<std::string, std::set<const Zem::Main::Room*>> roomsOf;
    std::set<std::size_t> gridSizes;
    std::vector<std::pair<const Machinery::Cog*, float>> drivers;
    int cogsOnAxles = 0;
    std::size_t rooms = 0;
    for (Zem::Main::Entity* entity : demo.entities) {
        const auto* cog = dynamic_cast<Machinery::Cog*>(entity);
        const bool driving = cog != nullptr && cog->parentPart == nullptr;
        const char* kind = dynamic_cast<CubeGrid*>(entity)               ? "CubeGrid"
                           : dynamic_cast<DustGlow*>(entity)             ? "DustGlow"
                           : dynamic_cast<LeafStorm*>(entity)            ? "LeafStorm"
                           : dynamic_cast<Billboard*>(entity)            ? "Billboard"
                           : driving                                     ? "Cog"
                           : dynamic_cast<Zem::Graphics::Light*>(entity) ? "Light"
                                                                         : "";
        roomsOf[kind].insert(entity->room);
        if (auto* grid = dynamic_cast<CubeGrid*>(entity)) {
            gridSizes.insert(grid->cubes.size());
        } else if (auto* storm = dynamic_cast<LeafStorm*>(entity)) {
            EXPECT_FALSE(storm->clusters.empty());
        } else if (auto* board = dynamic_cast<Billboard*>(entity)) {
            EXPECT_NE(board->texture, nullptr) << board->name;
        } else if (driving) {
            drivers.emplace_back(cog, cog->angle);
        } else if (cog != nullptr && dynamic_cast<Machinery::Axis*>(cog->parentPart)) {
            ++cogsOnAxles;
        } else if (auto* room = dynamic_cast<Zem::Main::SimpleRoom*>(entity)) {
            ++rooms;
            EXPECT_TRUE(room->active) << room->name;
        } else if (auto* camera = dynamic_cast<Zem::Main::Camera*>(entity)) {
            ASSERT_NE(camera->room, nullptr) << camera->name;
            EXPECT_TRUE(insideModelOf(*camera->room, camera->position)) << camera->name;
        }
    }
    for (const char* type : {"CubeGrid", "DustGlow", "LeafStorm", "Billboard", "Cog", "Light"}) {
        EXPECT_GE(roomsOf[type].size(), 2u) << type << " in more than one room";
    }
    EXPECT_GE(gridSizes.size(), 3u) << "cube grids of different sizes";
    EXPECT_GE(cogsOnAxles, 2) << "trains that go on across an axle";
    EXPECT_GE(rooms, 3u);
    for (const char* card : {"title", "endcard"}) {
        EXPECT_NE(dynamic_cast<Billboard*>(demo.findEntity(card)), nullptr) << card;
    }

    // Two to three minutes, ending on the script's exit.
    auto* script = dynamic_cast<ScriptMaster*>(demo.findEntity("mainscript"));
    ASSERT_NE(script, nullptr);
    EXPECT_GE(script->exitTimeMs(), 120000);
    EXPECT_LE(script->exitTimeMs(), 180000);

    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(demo.update(0.05f));
    }
    for (const auto& [drive, startAngle] : drivers) {
        EXPECT_GT(drive->angle, startAngle) << drive->name << ": every room runs";
    }
    EXPECT_EQ(glGetError(), 0u);
}

} // namespace
