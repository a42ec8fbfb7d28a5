#include "main/Engine.h"
#include "main/Driver.h"
#include "main/Game.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Zem::Resource::ResourceManager;
using Zem::Resource::XmlNode;
using ZemTest::TempDir;

namespace {

std::string cached() {
    return "(" + std::to_string(ResourceManager::instance().cachedCount()) + " cached) ";
}

// Journal every call. The driver's update fails on frame failOnFrame, the game's ends the run on
// frame stopOnFrame.
class RecordingDriver : public Zem::Main::Driver {
public:
    RecordingDriver(std::string name, std::string& journal) : name(name), journal(journal) {}
    ~RecordingDriver() override { journal += name + ".destroy "; }

    bool init(const XmlNode& config) override {
        journal += name + ".init(" + config.name() + ") ";
        return !failInit;
    }
    void shutdown() override { journal += name + ".shutdown" + cached(); }
    bool update(float dt) override {
        steps.push_back(dt);
        journal += name + ".update ";
        return static_cast<int>(steps.size()) != failOnFrame;
    }

    const std::string name;
    std::string& journal;
    bool failInit = false;
    int failOnFrame = -1;
    std::vector<float> steps;
};

class RecordingGame : public Zem::Main::Game {
public:
    explicit RecordingGame(std::string& journal) : journal(journal) {}

    bool init() override {
        journal += "game.init ";
        return true;
    }
    bool update(float) override {
        journal += "game.update" + cached();
        return ++frames != stopOnFrame;
    }
    bool shutdown() override {
        journal += "game.shutdown ";
        return true;
    }

    std::string& journal;
    int stopOnFrame = 1;
    int frames = 0;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine->setWorkingDir(dir.path());
        engine->registerDriver("input", std::make_unique<RecordingDriver>("input", journal));
        engine->registerDriver("display", std::make_unique<RecordingDriver>("display", journal));
        engine->setGame(&game);
        game.engine = engine.get();
    }
    RecordingDriver& driver(const char* name) {
        return *static_cast<RecordingDriver*>(engine->driver(name));
    }

    TempDir dir;
    std::string journal;
    RecordingGame game{journal};
    std::unique_ptr<Zem::Main::Engine> engine = std::make_unique<Zem::Main::Engine>();
};

TEST_F(EngineTest, RunLogsItsLinesExactlyAndVisitsDriversDisplayFirst) {
    ZemTest::MeshFiles files;
    files.write("a.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    ASSERT_NE(nullptr, ResourceManager::instance().get("a.testmesh")); // as the game's own

    testing::internal::CaptureStdout();
    engine->init(XmlNode("<config><display/></config>"));
    engine->run();
    engine->shutdown();
    engine.reset();
    const std::string shared = "Initializing Engine with working dir " + dir.path() +
                               "\nInitializing display\nInitializing input\n"
                               "Engine: Entering main loop\nShutting down Engine\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), shared);
    EXPECT_EQ(TempDir::readFile(dir.file("zem.log")),
              "Created zem.log:\n" + shared + "Closing log zem.log\n");
    // The game's resources go before the drivers (and the GL context).
    EXPECT_EQ(journal, "display.init(display) input.init() game.init display.update input.update "
                       "game.update(1 cached) game.shutdown display.shutdown(0 cached) "
                       "input.shutdown(0 cached) display.destroy input.destroy ");
}

TEST_F(EngineTest, AFailingDriverLetsTheFrameRunOnAndStepsFollowTheClockAcrossWrapAround) {
    const std::vector<std::uint32_t> readings = {1000, 1016, 0xFFFFFFF0u, 0xFFFFFFF0u, 0x10u};
    std::size_t next = 0;
    engine->setClock([&] { return readings[std::min(next++, readings.size() - 1)]; });
    driver("display").failInit = true;
    driver("display").failOnFrame = 2;
    game.stopOnFrame = 3;

    EXPECT_TRUE(engine->init(XmlNode("<config/>")));
    EXPECT_EQ(journal, "display.init() input.init() game.init ");
    EXPECT_FALSE(engine->run()); // the display ended it
    EXPECT_EQ(game.frames, 2);
    EXPECT_TRUE(engine->run()); // the game ended it
    EXPECT_EQ(game.frames, 3);
    const std::vector<float> expected = {0.016f, (0xFFFFFFF0u - 1016u) * 0.001f, 0.032f};
    ASSERT_EQ(driver("input").steps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(driver("input").steps[i], expected[i]) << "frame " << i + 1;
    }
}

} // namespace
