#include "ScriptTestSupport.h"

#include "graphics/HDRSettings.h"
#include "script/Interpolator.h"
#include "script/ScreenMaster.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <cstdlib>

using ScriptTest::RecordingMusic;
using ScriptTest::ScriptGame;
using Zem::Resource::XmlNode;

namespace {

class ScreenMasterTest : public ::testing::Test {
protected:
    void SetUp() override { screen = new ScreenMaster(XmlNode("<entity name=\"screen\"/>")); }
    // The settings are process-wide; give the next test the program's starting values.
    void TearDown() override {
        Zem::Graphics::exposure = 0.18f;
        Zem::Graphics::bloomScale = 1.0f;
    }

    ScriptGame game;
    ScreenMaster* screen = nullptr;
};

TEST_F(ScreenMasterTest, ReadsTheHdrSettingsStartingValues) {
    EXPECT_EQ(screen->getChannel(0), 0.18f);
    EXPECT_EQ(screen->getChannel(1), 1.0f);
}

TEST_F(ScreenMasterTest, ChannelsWriteTheHdrSettingsAndNothingElse) {
    screen->getWorldMatrix();
    screen->setChannel(0, 0.5f);
    screen->setChannel(1, 2.0f);
    EXPECT_EQ(Zem::Graphics::exposure, 0.5f);
    EXPECT_EQ(Zem::Graphics::bloomScale, 2.0f);
    EXPECT_EQ(screen->getChannel(0), 0.5f);
    EXPECT_EQ(screen->getChannel(1), 2.0f);
    EXPECT_FALSE(screen->matrixDirty);
    EXPECT_EQ(screen->position, Zem::Graphics::Vector3(0.0f, 0.0f, 0.0f));
}

TEST_F(ScreenMasterTest, OtherChannelsAreIgnored) {
    screen->setChannel(2, 5.0f);
    screen->setChannel(3, 5.0f);
    EXPECT_EQ(screen->getChannel(2), 0.0f);
    EXPECT_EQ(screen->position, Zem::Graphics::Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Zem::Graphics::exposure, 0.18f);
    EXPECT_EQ(Zem::Graphics::bloomScale, 1.0f);
}

TEST_F(ScreenMasterTest, SettingsOutliveTheScreenMaster) {
    screen->setChannel(0, 0.3f);
    delete screen;
    screen = nullptr;
    EXPECT_EQ(Zem::Graphics::exposure, 0.3f);
    auto* another = new ScreenMaster(XmlNode("<entity name=\"again\"/>"));
    EXPECT_EQ(another->getChannel(0), 0.3f);
}

TEST_F(ScreenMasterTest, AnInterpolatorFadesTheExposure) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    double nowMs = 0.0;
    std::vector<std::string> calls;
    auto* clock = new ScriptMaster(
        XmlNode("<entity name=\"clock\"><offset>0</offset><bpm>120</bpm><script/></entity>"),
        std::make_unique<RecordingMusic>(&nowMs, &calls));
    clock->update(0.0f);
    auto* fader = new Interpolator(
        XmlNode("<entity name=\"fader\"><scriptmaster>clock</scriptmaster></entity>"));
    fader->command(0, XmlNode("<event interptarget=\"screen\" index=\"0\"><elaps>0 1 0</elaps>"
                              "<endvalue>0.5</endvalue></event>"));
    nowMs = 250.0;
    fader->update(0.0f);
    EXPECT_NEAR(Zem::Graphics::exposure, (0.18f + 0.5f) / 2.0f, 1e-6f);
    nowMs = 500.0;
    fader->update(0.0f);
    EXPECT_FLOAT_EQ(Zem::Graphics::exposure, 0.5f);
}

} // namespace

namespace {

TEST(ScriptFactories, BuildTheScriptTypesFromTheirElements) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ScriptGame game;
    game.registerFactory("ScriptMaster", std::make_unique<ScriptMaster::Factory>());
    game.registerFactory("Interpolator", std::make_unique<Interpolator::Factory>());
    game.registerFactory("ScreenMaster", std::make_unique<ScreenMaster::Factory>());
    auto* master = dynamic_cast<ScriptMaster*>(game.createEntity(
        "ScriptMaster",
        XmlNode("<entity name=\"clock\"><offset>0</offset><bpm>120</bpm></entity>")));
    ASSERT_NE(master, nullptr);
    EXPECT_TRUE(master->isScripted());
    auto* interpolator = dynamic_cast<Interpolator*>(game.createEntity(
        "Interpolator", XmlNode("<entity name=\"i\"><scriptmaster>clock</scriptmaster></entity>")));
    ASSERT_NE(interpolator, nullptr);
    EXPECT_EQ(interpolator->scriptMaster, master);
    EXPECT_NE(dynamic_cast<ScreenMaster*>(
                  game.createEntity("ScreenMaster", XmlNode("<entity name=\"screen\"/>"))),
              nullptr);
    EXPECT_EQ(game.entities.size(), 3u);
}

} // namespace
