#include "main/Engine.h"
#include "main/Driver.h"
#include "main/Game.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
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
        if (++frames == signalOnFrame) {
            std::raise(signal);
        }
        return frames != stopOnFrame;
    }
    bool shutdown() override {
        journal += "game.shutdown ";
        return true;
    }

    std::string& journal;
    int stopOnFrame = 1;
    int frames = 0;
    // Raised during that frame's update.
    int signalOnFrame = 0;
    int signal = SIGTERM;
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
    // What a run of up to five frames returns when `signal` is raised during the second.
    bool runSignalledOnTheSecondFrame(int signal) {
        game.frames = 0;
        game.stopOnFrame = 5;
        game.signalOnFrame = 2;
        game.signal = signal;
        return engine->run();
    }

    TempDir dir;
    std::string journal;
    RecordingGame game{journal};
    std::unique_ptr<Zem::Main::Engine> engine = std::make_unique<Zem::Main::Engine>();
};

// The engine's own lines of a whole run, each phase's calls journalled on their own.
class EngineRunTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        files.write("a.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}});
        ASSERT_NE(nullptr, ResourceManager::instance().get("a.testmesh")); // as the game's own
        testing::internal::CaptureStdout();
        engine->init(XmlNode("<config><display/></config>"));
        phases.push_back(take());
        engine->run();
        phases.push_back(take());
        engine->shutdown();
        phases.push_back(take());
        engine.reset();
        phases.push_back(take());
        printed = testing::internal::GetCapturedStdout();
    }
    std::string take() { return std::exchange(journal, std::string()); }

    ZemTest::MeshFiles files;
    // Init, run, shutdown, destruction.
    std::vector<std::string> phases;
    std::string printed;
    const std::string lines = "Initializing Engine with working dir " + dir.path() +
                              "\nInitializing display\nInitializing input\n"
                              "Engine: Entering main loop\nShutting down Engine\n";
};

TEST_F(EngineRunTest, StandardOutputHasTheStartUpAndShutdownLines) {
    EXPECT_EQ(lines, printed);
}

TEST_F(EngineRunTest, TheLogHasTheSameLinesBetweenItsOpeningAndClosingLines) {
    EXPECT_EQ("Created zem.log:\n" + lines + "Closing log zem.log\n",
              TempDir::readFile(dir.file("zem.log")));
}

TEST_F(EngineRunTest, InitStartsTheDriversInNameOrderWithTheirOwnElementsThenTheGame) {
    EXPECT_EQ("display.init(display) input.init() game.init ", phases[0]);
}

TEST_F(EngineRunTest, AFrameUpdatesTheDriversInNameOrderThenTheGame) {
    EXPECT_EQ("display.update input.update game.update(1 cached) ", phases[1]);
}

// The game's resources go while the drivers (and the GL context) are still there.
TEST_F(EngineRunTest, ShutdownEndsTheGameAndEmptiesTheCacheBeforeTheDrivers) {
    EXPECT_EQ("game.shutdown display.shutdown(0 cached) input.shutdown(0 cached) ", phases[2]);
}

TEST_F(EngineRunTest, DestructionDestroysTheDriversInNameOrder) {
    EXPECT_EQ("display.destroy input.destroy ", phases[3]);
}

TEST_F(EngineTest, ADriverFailingToStartLeavesTheOthersAndTheGameStarted) {
    driver("display").failInit = true;
    EXPECT_TRUE(engine->init(XmlNode("<config/>")));
    EXPECT_EQ("display.init() input.init() game.init ", journal);
}

TEST_F(EngineTest, ADriverFailingAFrameEndsTheRunAsFailedAfterTheGamesFrame) {
    engine->init(XmlNode("<config/>"));
    driver("display").failOnFrame = 2;
    game.stopOnFrame = 3;
    EXPECT_FALSE(engine->run());
    EXPECT_EQ(2, game.frames);
}

TEST_F(EngineTest, TheGameEndingItsFrameEndsTheRunAsDone) {
    engine->init(XmlNode("<config/>"));
    game.stopOnFrame = 2;
    EXPECT_TRUE(engine->run());
    EXPECT_EQ(2, game.frames);
}

// Between two runs the clock is read again: the step starts from the second run's start.
TEST_F(EngineTest, EachStepIsTheClocksAdvanceSinceTheFrameBeforeInSeconds) {
    const std::vector<std::uint32_t> readings = {1000, 1016, 1066, 5000, 5033};
    std::size_t next = 0;
    engine->setClock([&] { return readings[std::min(next++, readings.size() - 1)]; });
    engine->init(XmlNode("<config/>"));
    game.stopOnFrame = 2;
    engine->run();
    game.stopOnFrame = 3;
    engine->run();
    const std::vector<float> expected = {0.016f, 0.05f, 0.033f};
    ASSERT_EQ(expected.size(), driver("input").steps.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(expected[i], driver("input").steps[i]) << "frame " << i + 1;
    }
}

TEST_F(EngineTest, AStepAcrossTheClocksWrapAroundIsTheTimeThatPassed) {
    const std::vector<std::uint32_t> readings = {0xFFFFFFF0u, 0x10u};
    std::size_t next = 0;
    engine->setClock([&] { return readings[std::min(next++, readings.size() - 1)]; });
    engine->init(XmlNode("<config/>"));
    engine->run();
    ASSERT_EQ(1u, driver("input").steps.size());
    EXPECT_FLOAT_EQ(0.032f, driver("input").steps[0]);
}

TEST_F(EngineTest, SigintEndsTheRunAsFailedAtTheEndOfThatFrame) {
    engine->init(XmlNode("<config/>"));
    EXPECT_FALSE(runSignalledOnTheSecondFrame(SIGINT));
    EXPECT_EQ(2, game.frames);
}

TEST_F(EngineTest, SigtermEndsTheRunAsFailedAtTheEndOfThatFrame) {
    engine->init(XmlNode("<config/>"));
    EXPECT_FALSE(runSignalledOnTheSecondFrame(SIGTERM));
    EXPECT_EQ(2, game.frames);
}

// The first run's stop was carried out: the next run's signal is a first one again, not a
// second that would end the process.
TEST_F(EngineTest, ASignalInTheNextRunEndsItAsFailedAtTheEndOfThatFrameToo) {
    engine->init(XmlNode("<config/>"));
    runSignalledOnTheSecondFrame(SIGINT);
    EXPECT_FALSE(runSignalledOnTheSecondFrame(SIGTERM));
    EXPECT_EQ(2, game.frames);
}

// A run started where it may not write still keeps a log, and can say where.
TEST_F(EngineTest, ALogThatCannotBeWrittenWhereWantedGoesToTheTemporaryFolder) {
    engine->setLogPath(dir.file("no/such/folder/zem.log"));
    engine->init(XmlNode("<config/>"));
    EXPECT_EQ(engine->logPath(), (std::filesystem::temp_directory_path() / "zem.log").string());
}

TEST_F(EngineTest, QuietItsLinesGoToTheLogOnly) {
    engine->setQuiet(true);
    testing::internal::CaptureStdout();
    engine->init(XmlNode("<config/>"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(TempDir::readFile(dir.file("zem.log")).find("Initializing display"),
              std::string::npos);
}

TEST_F(EngineTest, AStopOnASignalIsLoggedWithTheSignalsNumber) {
    engine->init(XmlNode("<config/>"));
    game.stopOnFrame = 5;
    game.signalOnFrame = 2;
    engine->run();
    const std::string log = TempDir::readFile(dir.file("zem.log"));
    const std::string loopStarted = "Engine: Entering main loop\n";
    ASSERT_NE(log.find(loopStarted), std::string::npos) << log;
    EXPECT_NE(log.find(std::to_string(SIGTERM), log.find(loopStarted) + loopStarted.size()),
              std::string::npos)
        << log;
}

} // namespace
