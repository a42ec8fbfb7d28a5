#include "main/Engine.h"
#include "main/Driver.h"
#include "main/Game.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using Zem::Main::Driver;
using Zem::Main::Engine;
using Zem::Main::Game;
using Zem::Resource::XmlNode;
using ZemTest::TempDir;

namespace {

using Journal = std::vector<std::string>;

// Records every call into a journal shared with the test; update fails on one chosen frame.
class RecordingDriver : public Driver {
public:
    RecordingDriver(std::string name, Journal& journal) : name(std::move(name)), journal(journal) {}
    ~RecordingDriver() override { journal.push_back(name + ".destroy"); }

    bool init(const XmlNode& config) override {
        journal.push_back(name + ".init(" + (config.isEmpty() ? "empty" : config.name()) + ")");
        return !failInit;
    }
    void shutdown() override {
        journal.push_back(name + ".shutdown cached=" +
                          std::to_string(Zem::Resource::ResourceManager::instance().cachedCount()));
    }
    bool update(float dt) override {
        ++frames;
        steps.push_back(dt);
        journal.push_back(name + ".update");
        return frames != failOnFrame;
    }

    std::string name;
    Journal& journal;
    bool failInit = false;
    int failOnFrame = -1;
    int frames = 0;
    std::vector<float> steps;
};

class RecordingGame : public Game {
public:
    explicit RecordingGame(Journal& journal) : journal(journal) {}

    bool init() override {
        journal.push_back("game.init");
        if (!resourceToLoad.empty()) {
            Zem::Resource::ResourceManager::instance().get(resourceToLoad);
        }
        return initResult;
    }
    bool update(float) override {
        ++frames;
        journal.push_back("game.update");
        return frames != stopOnFrame;
    }
    bool shutdown() override {
        journal.push_back("game.shutdown");
        return true;
    }

    Journal& journal;
    bool initResult = true;
    int stopOnFrame = 1;
    int frames = 0;
    std::string resourceToLoad;
};

// A loader that accepts anything, so the game can leave something in the cache.
class AnyLoader : public Zem::Resource::ResourceLoader {
public:
    std::string extension() const override { return "enginetest"; }
    std::unique_ptr<Zem::Resource::Resource> load(Zem::Resource::ResourceStream&) override {
        return std::make_unique<Zem::Resource::Resource>();
    }
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = std::make_unique<Engine>();
        engine->setWorkingDir(dir.path());
        auto input = std::make_unique<RecordingDriver>("input", journal);
        auto display = std::make_unique<RecordingDriver>("display", journal);
        inputDriver = input.get();
        displayDriver = display.get();
        // Registered in the program's order: input first.
        engine->registerDriver("input", std::move(input));
        engine->registerDriver("display", std::move(display));
        engine->setGame(&game);
        game.engine = engine.get();
    }

    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    // init, run and shutdown, as the program entry does them; the engine stays alive so its
    // drivers can still be inspected.
    bool runProgram(const std::string& configText) {
        XmlNode config(configText);
        engine->init(config);
        const bool gameEnded = engine->run();
        engine->shutdown();
        return gameEnded;
    }

    TempDir dir;
    Journal journal;
    RecordingGame game{journal};
    std::unique_ptr<Engine> engine;
    RecordingDriver* inputDriver = nullptr;
    RecordingDriver* displayDriver = nullptr;
};

TEST_F(EngineTest, LogAndStandardOutputHoldTheEngineLinesExactly) {
    testing::internal::CaptureStdout();
    runProgram("<config/>");
    engine.reset();
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string shared = "Initializing Engine with working dir " + dir.path() +
                               "\n"
                               "Initializing display\n"
                               "Initializing input\n"
                               "Engine: Entering main loop\n"
                               "Shutting down Engine\n";
    EXPECT_EQ(TempDir::readFile(dir.file("zem.log")),
              "Created zem.log:\n" + shared + "Closing log zem.log\n");
    EXPECT_EQ(out, shared);
}

TEST_F(EngineTest, DriversWorkInNameOrderAndTheGameAfterThem) {
    runProgram("<config><display><resolution/></display></config>");
    engine.reset();
    const Journal expected = {
        "display.init(display)",
        "input.init(empty)",
        "game.init",
        "display.update",
        "input.update",
        "game.update",
        "game.shutdown",
        "display.shutdown cached=0",
        "input.shutdown cached=0",
        "display.destroy",
        "input.destroy",
    };
    EXPECT_EQ(journal, expected);
}

TEST_F(EngineTest, ResourceCacheIsEmptiedBeforeTheDriversShutDown) {
    std::ofstream(dir.file("thing.enginetest")) << "x";
    AnyLoader loader;
    auto& resources = Zem::Resource::ResourceManager::instance();
    resources.addSearchPath(dir.path() + "/");
    resources.registerLoader(&loader);
    game.resourceToLoad = "thing.enginetest";

    XmlNode config("<config/>");
    engine->init(config);
    ASSERT_EQ(resources.cachedCount(), 1u);
    engine->run();
    engine->shutdown();
    EXPECT_EQ(journal.at(journal.size() - 2), "display.shutdown cached=0");
    EXPECT_EQ(journal.back(), "input.shutdown cached=0");
}

TEST_F(EngineTest, FailingDriverStillLetsTheRestOfTheFrameRun) {
    displayDriver->failOnFrame = 2;
    game.stopOnFrame = -1;
    const bool gameEnded = runProgram("<config/>");

    EXPECT_FALSE(gameEnded);
    EXPECT_EQ(displayDriver->frames, 2);
    EXPECT_EQ(inputDriver->frames, 2);
    EXPECT_EQ(game.frames, 2);
}

TEST_F(EngineTest, RunReportsWhetherTheGameEndedIt) {
    game.stopOnFrame = 3;
    EXPECT_TRUE(runProgram("<config/>"));
    EXPECT_EQ(game.frames, 3);
    EXPECT_EQ(displayDriver->frames, 3);
}

TEST_F(EngineTest, FailedInitsDoNotStopTheRun) {
    displayDriver->failInit = true;
    game.initResult = false;
    XmlNode config("<config/>");
    EXPECT_FALSE(engine->init(config));
    EXPECT_TRUE(engine->run());
    EXPECT_EQ(game.frames, 1);
}

TEST_F(EngineTest, TimeStepComesFromTheClockInMilliseconds) {
    const std::vector<std::uint32_t> readings = {1000, 1016, 1049, 0xFFFFFFF0u, 0x10u};
    std::size_t next = 0;
    engine->setClock([&] { return readings[std::min(next++, readings.size() - 1)]; });
    game.stopOnFrame = 4;
    runProgram("<config/>");

    // The first reading is taken on entering the loop, the next at the start of frame 1.
    const std::vector<float> expected = {0.016f, 0.033f,
                                         static_cast<float>(0xFFFFFFF0u - 1049u) * 0.001f, 0.032f};
    ASSERT_EQ(inputDriver->steps.size(), 4u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(inputDriver->steps[i], expected[i]) << "frame " << i + 1;
    }
}

TEST_F(EngineTest, LogPathIsTheWorkingDirectoryFollowedBySlashZemLog) {
    // "./" in the program gives ".//zem.log": plain concatenation, two slashes in a row.
    engine->setWorkingDir(dir.path() + "/");
    testing::internal::CaptureStdout();
    XmlNode config("<config/>");
    engine->init(config);
    const std::string out = testing::internal::GetCapturedStdout();
    engine.reset();

    EXPECT_EQ(out, "Initializing Engine with working dir " + dir.path() +
                       "/\nInitializing display\nInitializing input\n");
    EXPECT_NE(TempDir::readFile(dir.path() + "//zem.log").find("Created zem.log:\n"),
              std::string::npos);
}

TEST_F(EngineTest, UnwritableLogStillReachesStandardOutput) {
    engine->setWorkingDir(dir.path() + "/no/such/dir");
    testing::internal::CaptureStdout();
    XmlNode config("<config/>");
    engine->init(config);
    engine->run();
    engine->shutdown();
    engine.reset();
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_NE(out.find("Engine: Entering main loop\n"), std::string::npos);
    EXPECT_NE(out.find("Shutting down Engine\n"), std::string::npos);
}

TEST_F(EngineTest, RegisteringUnderATakenNameDestroysTheOldDriver) {
    auto replacement = std::make_unique<RecordingDriver>("display2", journal);
    RecordingDriver* second = replacement.get();
    engine->registerDriver("display", std::move(replacement));

    EXPECT_EQ(journal, Journal{"display.destroy"});
    EXPECT_EQ(engine->driver("display"), second);
    EXPECT_EQ(second->engine, engine.get());
}

TEST_F(EngineTest, LookingUpAnUnknownDriverAddsNothing) {
    EXPECT_EQ(engine->driver("sound"), nullptr);
    EXPECT_EQ(engine->driver(""), nullptr);

    // Had the lookups added entries, init would visit them.
    testing::internal::CaptureStdout();
    XmlNode config("<config/>");
    engine->init(config);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("Initializing sound"), std::string::npos);
    EXPECT_EQ(out.find("Initializing \n"), std::string::npos);
}

TEST(DriverTest, DefaultsAnswerAsTheBaseDoes) {
    class MinimalDriver : public Driver {
    public:
        bool update(float) override { return true; }
    } driver;
    EXPECT_TRUE(driver.init(XmlNode::empty()));
    EXPECT_EQ(driver.info(), "No info on driver");
    EXPECT_EQ(driver.engine, nullptr);
}

} // namespace
