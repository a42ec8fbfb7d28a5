#include "demo/Ombrel.h"

#include "graphics/DisplayBase.h"
#include "graphics/ShaderRegistry.h"
#include "input/InputBase.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/SimpleRoom.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using Zem::Main::Camera;
using Zem::Resource::XmlNode;

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

// Writes "update <name>" to the shared log; one named "spawner" builds "spawned" on its first
// update.
template <class Base> class Probe : public Base {
public:
    Probe(const XmlNode& element, std::vector<std::string>& log) : Base(element), log(log) {}
    void update(float) override {
        log.push_back("update " + this->name);
        if (this->name == "spawner" && !Zem::Main::currentGame->findEntity("spawned")) {
            Zem::Main::currentGame->createEntity("Probe", XmlNode("<entity name='spawned'/>"));
        }
    }
    std::vector<std::string>& log;
};

template <class Base> class ProbeFactory : public Zem::Main::EntityFactory {
public:
    explicit ProbeFactory(std::vector<std::string>& log) : log(log) {}
    Zem::Main::Entity* create(const XmlNode& element) override {
        return new Probe<Base>(element, log);
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
        engine.registerDriver("input", std::unique_ptr<FakeInput>(input = new FakeInput));
        engine.registerDriver("display", std::unique_ptr<FakeDisplay>(display = new FakeDisplay));
        engine.setWorkingDir(dir.path() + "/");
        game.engine = &engine;
        engine.setGame(&game);
        game.registerFactory("Probe", std::make_unique<ProbeFactory<Zem::Main::BaseEntity>>(log));
        game.registerFactory("ProbeCamera", std::make_unique<ProbeFactory<Camera>>(log));
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    void initWith(const std::string& world) {
        std::ofstream(dir.file("data/main.world"), std::ios::binary) << world;
        ASSERT_TRUE(game.init());
    }
    // The updates of one frame, in order; goOn takes the frame's result.
    std::vector<std::string> frame() {
        log.clear();
        goOn = game.update(0.02f);
        return log;
    }

    ZemTest::TempDir dir;
    std::vector<std::string> log;
    Zem::Main::Engine engine;
    FakeInput* input = nullptr;
    FakeDisplay* display = nullptr;
    bool goOn = false;
    Ombrel game;
};

const char* const twoRooms =
    "<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
    "<entity type='ProbeCamera' name='camera'><parent>A</parent></entity>"
    "<entity type='Probe' name='inA'><parent>A</parent></entity>"
    "<entity type='Probe' name='inB'><parent>B</parent></entity>"
    "<entity type='Probe' name='free'/>"
    "<entity type='ProbeCamera' name='other'><parent>B</parent></entity>"
    "</ZEMWorld>";

TEST_F(OmbrelTest, InitPreparesPathsPassesScreenWorldAndCamera) {
    initWith(twoRooms);
    EXPECT_EQ(Zem::Resource::ResourceManager::instance().getSearchPaths(),
              (std::vector<std::string>{dir.path() + "/data/", dir.path() + "/data/textures/"}));
    std::vector<int> passes;
    for (const auto& factory : Zem::Graphics::ShaderRegistry::instance().factories) {
        passes.push_back(factory->id * 10000 + factory->order);
    }
    EXPECT_EQ(passes, (std::vector<int>{2501000, 3602000, 4603000}));
    EXPECT_EQ(display->swaps, 1);
    GLfloat clearColour[4] = {1, 1, 1, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(std::vector<float>(clearColour, clearColour + 4), (std::vector<float>{0, 0, 0, 1}));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(game.currentCamera(), game.findEntity("camera"));
    EXPECT_TRUE(dynamic_cast<Zem::Main::SimpleRoom*>(game.findEntity("A"))->active);
    EXPECT_FALSE(dynamic_cast<Zem::Main::SimpleRoom*>(game.findEntity("B"))->active);
}

TEST_F(OmbrelTest, CameraFirstThenEntitiesOfReachableRoomsAndOfNoRoom) {
    initWith(twoRooms);
    EXPECT_EQ(frame(), (std::vector<std::string>{"update camera", "update inA", "update free"}));
    game.makeCameraCurrent(dynamic_cast<Camera*>(game.findEntity("other")));
    EXPECT_EQ(frame(), (std::vector<std::string>{"update other", "update inB", "update free"}));
}

TEST_F(OmbrelTest, EscapeCloseOrExitEndTheRunAfterTheFramesUpdates) {
    initWith(twoRooms);
    input->keys[27] = 1.0f;
    EXPECT_EQ(frame().size(), 3u);
    EXPECT_FALSE(goOn);
    input->keys[27] = 0.0f;
    frame();
    EXPECT_TRUE(goOn);
    input->closeRequested = true;
    frame();
    EXPECT_FALSE(goOn);
    input->closeRequested = false;
    game.requestExit();
    frame();
    EXPECT_FALSE(goOn);
}

TEST_F(OmbrelTest, EntitiesBuiltDuringTheWalkAreUpdatedInTheSameFrame) {
    initWith("<ZEMWorld><entity type='Probe' name='spawner'/>"
             "<entity type='Probe' name='last'/></ZEMWorld>");
    EXPECT_EQ(frame(),
              (std::vector<std::string>{"update spawner", "update last", "update spawned"}));
}

TEST_F(OmbrelTest, AMissingWorldLeavesAnEmptySceneThatRuns) {
    ASSERT_TRUE(game.init());
    EXPECT_TRUE(game.entities.empty());
    frame();
    EXPECT_TRUE(goOn);
}

} // namespace
