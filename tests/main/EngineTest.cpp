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

using Zem::Main::Engine;
using Zem::Resource::ResourceManager;
using Zem::Resource::XmlNode;
using ZemTest::TempDir;

namespace {

std::string cached() {
    return "(" + std::to_string(ResourceManager::instance().cachedCount()) + " cached) ";
}

// Records every call in a journal shared with the test; update fails on one chosen frame.
class RecordingDriver : public Zem::Main::Driver {
public:
    RecordingDriver(std::string name, std::string& journal)
        : name(std::move(name)), journal(journal) {}
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

    std::string name;
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
        if (!resourceToLoad.empty()) {
            ResourceManager::instance().get(resourceToLoad);
        }
        return initResult;
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
    bool initResult = true;
    int stopOnFrame = 1;
    int frames = 0;
    std::string resourceToLoad;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine->setWorkingDir(dir.path());
        auto inputDriver = std::make_unique<RecordingDriver>("input", journal);
        auto displayDriver = std::make_unique<RecordingDriver>("display", journal);
        input = inputDriver.get();
        display = displayDriver.get();
        // Registered in the program's order: input first.
        engine->registerDriver("input", std::move(inputDriver));
        engine->registerDriver("display", std::move(displayDriver));
        engine->setGame(&game);
        game.engine = engine.get();
    }

    bool runProgram(const std::string& configText) {
        engine->init(XmlNode(configText));
        const bool gameEnded = engine->run();
        engine->shutdown();
        return gameEnded;
    }

    TempDir dir;
    std::string journal;
    RecordingGame game{journal};
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    RecordingDriver* input = nullptr;
    RecordingDriver* display = nullptr;
};

TEST_F(EngineTest, RunLogsItsLinesExactlyAndVisitsDriversDisplayFirst) {
    ZemTest::MeshFiles files;
    files.write("a.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    game.resourceToLoad = "a.testmesh";

    testing::internal::CaptureStdout();
    runProgram("<config><display/></config>");
    engine.reset();
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string shared = "Initializing Engine with working dir " + dir.path() +
                               "\nInitializing display\nInitializing input\n"
                               "Engine: Entering main loop\nShutting down Engine\n";
    EXPECT_EQ(out, shared);
    EXPECT_EQ(TempDir::readFile(dir.file("zem.log")),
              "Created zem.log:\n" + shared + "Closing log zem.log\n");
    // The game's resource is released before the drivers (and the GL context) go.
    EXPECT_EQ(journal, "display.init(display) input.init() game.init display.update input.update "
                       "game.update(1 cached) game.shutdown display.shutdown(0 cached) "
                       "input.shutdown(0 cached) display.destroy input.destroy ");
}

TEST_F(EngineTest, FailuresLetTheRestOfTheFrameRunAndRunSaysWhoEndedIt) {
    display->failInit = true;
    game.initResult = false;
    display->failOnFrame = 2;
    game.stopOnFrame = 3;

    EXPECT_FALSE(engine->init(XmlNode("<config/>")));
    EXPECT_FALSE(engine->run()); // the display ended it
    EXPECT_EQ(input->steps.size(), 2u);
    EXPECT_EQ(game.frames, 2);
    EXPECT_TRUE(engine->run()); // the game ended it
    EXPECT_EQ(game.frames, 3);
}

TEST_F(EngineTest, TimeStepIsTheClockDifferenceInMillisecondsAcrossWrapAround) {
    const std::vector<std::uint32_t> readings = {1000, 1016, 1049, 0xFFFFFFF0u, 0x10u};
    std::size_t next = 0;
    engine->setClock([&] { return readings[std::min(next++, readings.size() - 1)]; });
    game.stopOnFrame = 4;
    runProgram("<config/>");

    const std::vector<float> expected = {0.016f, 0.033f, (0xFFFFFFF0u - 1049u) * 0.001f, 0.032f};
    ASSERT_EQ(input->steps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(input->steps[i], expected[i]) << "frame " << i + 1;
    }
}

TEST_F(EngineTest, RegisteringATakenNameDestroysTheOldDriver) {
    engine->registerDriver("display", std::make_unique<RecordingDriver>("display2", journal));
    EXPECT_EQ(journal, "display.destroy ");
    EXPECT_EQ(static_cast<RecordingDriver*>(engine->driver("display"))->name, "display2");
}

} // namespace
