#include "demo/Ombrel.h"

#include "main/TestGame.h"

#include "graphics/DisplayBase.h"
#include "graphics/ShaderRegistry.h"
#include "input/InputBase.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using Zem::Main::Camera;
using Zem::Main::Entity;
using Zem::Main::SimpleRoom;
using ZemTest::ProbeEntity;
using ZemTest::ProbeFactory;

namespace {

class FakeInput : public Zem::Input::InputBase {
public:
    bool update(float) override { return true; }
};

class FakeDisplay : public Zem::Graphics::DisplayBase {
public:
    bool update(float) override { return true; }
    void swapBuffers() override { ++swaps; }
    int swaps = 0;
};

// A camera that writes its updates into the shared log.
class ProbeCamera : public Camera {
public:
    ProbeCamera(const Zem::Resource::XmlNode& element, std::vector<std::string>& log)
        : Camera(element), log(log) {}
    void update(float) override { log.push_back("update " + name); }
    std::vector<std::string>& log;
};

class ProbeCameraFactory : public Zem::Main::EntityFactory {
public:
    explicit ProbeCameraFactory(std::vector<std::string>& log) : log(log) {}
    Entity* create(const Zem::Resource::XmlNode& element) override {
        return new ProbeCamera(element, log);
    }
    std::vector<std::string>& log;
};

// Builds a probe named "spawned" the first time it is updated.
class Spawner : public ProbeEntity {
public:
    using ProbeEntity::ProbeEntity;
    void update(float dt) override {
        ProbeEntity::update(dt);
        if (!spawned) {
            spawned = true;
            Zem::Main::currentGame->createEntity(
                "Probe", Zem::Resource::XmlNode("<entity name='spawned'/>"));
        }
    }
    bool spawned = false;
};

class SpawnerFactory : public Zem::Main::EntityFactory {
public:
    explicit SpawnerFactory(std::vector<std::string>& log) : log(log) {}
    Entity* create(const Zem::Resource::XmlNode& element) override {
        return new Spawner(element, log);
    }
    std::vector<std::string>& log;
};

class OmbrelTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        std::filesystem::create_directories(dir.file("data/textures"));

        auto inputDriver = std::make_unique<FakeInput>();
        auto displayDriver = std::make_unique<FakeDisplay>();
        input = inputDriver.get();
        display = displayDriver.get();
        engine.registerDriver("input", std::move(inputDriver));
        engine.registerDriver("display", std::move(displayDriver));
        engine.setWorkingDir(dir.path() + "/");
        game.engine = &engine;
        engine.setGame(&game);

        game.registerFactory("Probe", std::make_unique<ProbeFactory>(log));
        game.registerFactory("ProbeCamera", std::make_unique<ProbeCameraFactory>(log));
        game.registerFactory("Spawner", std::make_unique<SpawnerFactory>(log));
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    void writeWorld(const std::string& text) {
        std::ofstream(dir.file("data/main.world"), std::ios::binary) << text;
    }

    // The updates of one frame, in order.
    std::vector<std::string> frame(bool* result = nullptr) {
        log.clear();
        const bool goOn = game.update(0.02f);
        if (result != nullptr) {
            *result = goOn;
        }
        return log;
    }

    ZemTest::TempDir dir;
    std::vector<std::string> log;
    Zem::Main::Engine engine;
    FakeInput* input = nullptr;
    FakeDisplay* display = nullptr;
    Ombrel game;
};

const char* const twoRooms =
    "<ZEMWorld>\n"
    "<entity type='Room' name='A'/>\n"
    "<entity type='Room' name='B'/>\n"
    "<entity type='ProbeCamera' name='camera'><parent>A</parent></entity>\n"
    "<entity type='Probe' name='inA'><parent>A</parent></entity>\n"
    "<entity type='Probe' name='inB'><parent>B</parent></entity>\n"
    "<entity type='Probe' name='free'/>\n"
    "<entity type='ProbeCamera' name='other'><parent>B</parent></entity>\n"
    "</ZEMWorld>\n";

TEST_F(OmbrelTest, InitPreparesPathsTypesScreenWorldAndCamera) {
    writeWorld(twoRooms);
    ASSERT_TRUE(game.init());

    EXPECT_EQ((std::vector<std::string>{dir.path() + "/data/", dir.path() + "/data/textures/"}),
              Zem::Resource::ResourceManager::instance().getSearchPaths());
    for (const char* type : {"Room", "Portal", "Camera", "Entity"}) {
        EXPECT_EQ(1u, game.factories.count(type)) << type;
    }
    EXPECT_EQ(1, display->swaps);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint cullFace = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    EXPECT_EQ(GL_BACK, cullFace);
    GLfloat clearColour[4] = {1, 1, 1, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ((std::vector<float>{0, 0, 0, 1}), std::vector<float>(clearColour, clearColour + 4));

    ASSERT_EQ(7u, game.entities.size());
    auto* a = dynamic_cast<SimpleRoom*>(game.findEntity("A"));
    auto* b = dynamic_cast<SimpleRoom*>(game.findEntity("B"));
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(game.findEntity("camera"), game.currentCamera());
    EXPECT_TRUE(a->active);
    EXPECT_FALSE(b->active);
}

TEST_F(OmbrelTest, CameraFirstThenEntitiesOfActiveRoomsAndNoRoom) {
    writeWorld(twoRooms);
    ASSERT_TRUE(game.init());

    bool goOn = false;
    EXPECT_EQ((std::vector<std::string>{"update camera", "update inA", "update free"}),
              frame(&goOn));
    EXPECT_TRUE(goOn);

    game.makeCameraCurrent(dynamic_cast<Camera*>(game.findEntity("other")));
    EXPECT_EQ((std::vector<std::string>{"update other", "update inB", "update free"}), frame());
}

TEST_F(OmbrelTest, EscapeEndsTheRunAfterTheFramesUpdates) {
    writeWorld(twoRooms);
    ASSERT_TRUE(game.init());

    input->keys[27] = 1.0f;
    bool goOn = true;
    EXPECT_EQ((std::vector<std::string>{"update camera", "update inA", "update free"}),
              frame(&goOn));
    EXPECT_FALSE(goOn);

    input->keys[27] = 0.0f;
    frame(&goOn);
    EXPECT_TRUE(goOn);
}

TEST_F(OmbrelTest, ClosingTheWindowOrTheScriptsExitEndsTheRun) {
    writeWorld(twoRooms);
    ASSERT_TRUE(game.init());
    bool goOn = true;

    input->closeRequested = true;
    frame(&goOn);
    EXPECT_FALSE(goOn);

    input->closeRequested = false;
    game.requestExit();
    frame(&goOn);
    EXPECT_FALSE(goOn);
}

TEST_F(OmbrelTest, EntitiesBuiltDuringTheWalkAreUpdatedInTheSameFrame) {
    writeWorld("<ZEMWorld><entity type='Spawner' name='spawner'/>"
               "<entity type='Probe' name='last'/></ZEMWorld>");
    ASSERT_TRUE(game.init());
    EXPECT_EQ((std::vector<std::string>{"update spawner", "update last", "update spawned"}),
              frame());
}

TEST_F(OmbrelTest, WithoutACameraOnlyEntitiesWithoutARoomRun) {
    // "camera" names an entity that is no camera: treated as no camera at all.
    writeWorld("<ZEMWorld><entity type='Room' name='A'/>"
               "<entity type='Probe' name='camera'/>"
               "<entity type='Probe' name='inA'><parent>A</parent></entity></ZEMWorld>");
    ASSERT_TRUE(game.init());
    EXPECT_EQ(nullptr, game.currentCamera());
    EXPECT_EQ(std::vector<std::string>{"update camera"}, frame());
}

TEST_F(OmbrelTest, AMissingWorldLeavesAnEmptySceneThatRuns) {
    ASSERT_TRUE(game.init());
    EXPECT_TRUE(game.entities.empty());
    EXPECT_EQ(nullptr, game.currentCamera());
    bool goOn = false;
    frame(&goOn);
    EXPECT_TRUE(goOn);
    EXPECT_TRUE(game.shutdown());
}

TEST_F(OmbrelTest, TheShippedWorldLoadsWithItsMeshesAndCamera) {
    engine.setWorkingDir("./");
    std::vector<std::string> messages;
    auto previous = Zem::Main::setMessageBoxHandler(
        [&messages](const std::string&, const std::string& text, Zem::Main::MessageIcon) {
            messages.push_back(text);
        });
    testing::internal::CaptureStdout();
    const bool ready = game.init();
    const std::string out = testing::internal::GetCapturedStdout();
    Zem::Main::setMessageBoxHandler(previous);

    ASSERT_TRUE(ready);
    EXPECT_EQ(std::string::npos, out.find("Unable to load")) << out;
    EXPECT_TRUE(messages.empty());
    Camera* camera = game.currentCamera();
    ASSERT_NE(nullptr, camera);
    ASSERT_NE(nullptr, camera->room);
    EXPECT_TRUE(dynamic_cast<SimpleRoom*>(camera->room)->active);

    auto* hall = dynamic_cast<SimpleRoom*>(game.findEntity("hall"));
    auto* vault = dynamic_cast<SimpleRoom*>(game.findEntity("vault"));
    ASSERT_NE(nullptr, hall);
    ASSERT_NE(nullptr, vault);
    EXPECT_EQ(hall, camera->room);
    for (const SimpleRoom* room : {hall, vault}) {
        EXPECT_NE(nullptr, room->model) << room->name;
        EXPECT_FALSE(room->occluders.empty()) << room->name;
    }
    // Both crates take their model and radius from the one template.
    for (const char* name : {"crate_hall", "crate_vault", "pillar_vault"}) {
        const Entity* prop = game.findEntity(name);
        ASSERT_NE(nullptr, prop) << name;
        EXPECT_NE(nullptr, prop->model) << name;
        EXPECT_NE(nullptr, prop->room) << name;
    }
    EXPECT_EQ(game.findEntity("crate_hall")->model, game.findEntity("crate_vault")->model);
    EXPECT_EQ(1.25f, game.findEntity("crate_vault")->radius);
    bool goOn = false;
    frame(&goOn);
    EXPECT_TRUE(goOn);
}

} // namespace
