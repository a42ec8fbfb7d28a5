#include "StillShow.h"

#include "graphics/ShaderRegistry.h"
#include "main/Camera.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using Zem::Main::currentGame;
using Zem::Resource::XmlNode;
using Names = std::vector<std::string>;

namespace {

Names updated;

// Logs its updates; "spawner" builds "spawned" on its first.
template <class Base> class Probe : public Base {
public:
    using Base::Base;
    void update(float) override {
        updated.push_back(this->name);
        if (this->name == "spawner" && !currentGame->findEntity("spawned")) {
            currentGame->createEntity("Probe", XmlNode("<entity name='spawned'/>"));
        }
    }
};

class OmbrelTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        std::filesystem::create_directories(dir.file("data/textures"));
        using namespace Zem::Main;
        game.registerFactory("Probe", std::make_unique<EntityFactoryOf<Probe<BaseEntity>>>());
        game.registerFactory("ProbeCamera", std::make_unique<EntityFactoryOf<Probe<Camera>>>());
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    void initWith(const std::string& world) {
        std::ofstream(dir.file("data/main.world"), std::ios::binary) << world;
        ASSERT_TRUE(game.init());
    }
    Names frame() {
        updated.clear();
        goOn = game.update(0.02f);
        return updated;
    }

    ZemTest::TempDir dir;
    DemoTest::StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
    ZemTest::StillInput* input = show.input;
    bool goOn = false;
};

const char* const twoRooms =
    "<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
    "<entity type='ProbeCamera' name='camera'><parent>A</parent></entity>"
    "<entity type='Probe' name='inA'><parent>A</parent></entity>"
    "<entity type='Probe' name='inB'><parent>B</parent></entity>"
    "<entity type='Probe' name='spawner'/>"
    "<entity type='ProbeCamera' name='other'><parent>B</parent></entity></ZEMWorld>";

TEST_F(OmbrelTest, FramesUpdateTheCameraThenWhatItReachesUntilEscapeCloseOrExit) {
    initWith(twoRooms);
    // B is out of the camera's reach; "spawned" is built during the walk and updated with it.
    EXPECT_EQ(frame(), (Names{"camera", "inA", "spawner", "spawned"}));
    game.makeCameraCurrent(dynamic_cast<Zem::Main::Camera*>(game.findEntity("other")));
    EXPECT_EQ(frame(), (Names{"other", "inB", "spawner", "spawned"}));
    EXPECT_TRUE(goOn);
    SCOPED_TRACE("Escape, a close request or the script's exit end the run after the updates");
    input->keys[27] = 1.0f;
    EXPECT_EQ(frame().size(), 4u);
    EXPECT_FALSE(goOn);
    input->keys[27] = 0.0f;
    input->closeRequested = true;
    frame();
    EXPECT_FALSE(goOn);
    input->closeRequested = false;
    game.requestExit();
    frame();
    EXPECT_FALSE(goOn);
}

TEST_F(OmbrelTest, EveryFrameTellsThePassesTheDisplaysSize) {
    initWith(twoRooms);
    const auto& registry = Zem::Graphics::ShaderRegistry::instance();
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{1024, 576}}) {
        show.display->width = w;
        show.display->height = h;
        frame();
        EXPECT_EQ(w, registry.frameWidth());
        EXPECT_EQ(h, registry.frameHeight());
    }
}

TEST_F(OmbrelTest, AMissingWorldLeavesAnEmptySceneThatRuns) {
    ASSERT_TRUE(game.init());
    EXPECT_TRUE(game.entities.empty());
    frame();
    EXPECT_TRUE(goOn);
}

} // namespace
