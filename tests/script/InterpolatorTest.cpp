#include "ScriptTestSupport.h"

#include "main/Camera.h"
#include "main/messageBox.h"
#include "script/Interpolator.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <cstdlib>

using ScriptTest::RecordingMusic;
using ScriptTest::ScriptGame;
using Zem::Main::BaseEntity;
using Zem::Resource::XmlNode;

namespace {

// At 120 bpm four steps ("0 1 0") last half a second.
class InterpolatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        clock = new ScriptMaster(XmlNode("<entity name=\"clock\"><offset>0</offset><bpm>120</bpm>"
                                         "<script/></entity>"),
                                 std::make_unique<RecordingMusic>(&nowMs, &musicCalls));
        // Starts the music at 0.
        clock->update(0.0f);
        box = new BaseEntity(XmlNode("<entity name=\"box\"><position>2 0 0</position></entity>"));
        interpolator =
            new Interpolator(XmlNode("<entity name=\"interp\"><scriptmaster>clock</scriptmaster>"
                                     "</entity>"));
    }

    // A request on box channel 0 over half a second, with the given value children.
    void request(const std::string& values, const std::string& target = "box",
                 const std::string& index = "index=\"0\"", const std::string& elaps = "0 1 0") {
        const XmlNode element("<event target=\"interp\" interptarget=\"" + target + "\" " + index +
                              "><elaps>" + elaps + "</elaps>" + values + "</event>");
        interpolator->command(0, element);
    }

    // The channel after an update at the given music time.
    float channelAt(double ms, unsigned channel = 0) {
        nowMs = ms;
        interpolator->update(0.0f);
        return box->getChannel(channel);
    }

    ScriptGame game;
    double nowMs = 0.0;
    std::vector<std::string> musicCalls;
    ScriptMaster* clock = nullptr;
    BaseEntity* box = nullptr;
    Interpolator* interpolator = nullptr;
};

TEST_F(InterpolatorTest, FindsItsScriptMasterByName) {
    EXPECT_EQ(interpolator->scriptMaster, clock);
}

TEST_F(InterpolatorTest, EasesFromThePresentValueToTheEndValue) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_FLOAT_EQ(channelAt(1000.0), 2.0f);
    EXPECT_NEAR(channelAt(1125.0), 2.0f + 8.0f * (3 * 0.0625f - 2 * 0.015625f), 1e-5f);
    EXPECT_NEAR(channelAt(1250.0), 6.0f, 1e-5f);
    // Leaves and arrives with speed 0.
    EXPECT_NEAR(interpolator->tracks[0]->speed(1.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(interpolator->tracks[0]->speed(1.5f), 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(channelAt(1500.0), 10.0f);
    EXPECT_TRUE(interpolator->tracks.empty());
}

TEST_F(InterpolatorTest, EqualEndSpeedsMakeAStraightLine) {
    nowMs = 1000.0;
    request("<startspeed>8</startspeed><endspeed>8</endspeed><endvalue>10</endvalue>");
    // The clock counts whole milliseconds: x in tenths.
    for (int i = 0; i <= 10; ++i) {
        const double x = i / 10.0;
        EXPECT_NEAR(channelAt(1000.0 + 500.0 * x), 2.0 + 8.0 * x, 1e-5) << "x = " << x;
    }
}

TEST_F(InterpolatorTest, WithoutEndValueItDrivesTheChannelToZero) {
    nowMs = 0.0;
    request("");
    EXPECT_NEAR(channelAt(250.0), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(channelAt(600.0), 0.0f);
}

TEST_F(InterpolatorTest, StartValueOverridesThePresentValue) {
    nowMs = 0.0;
    request("<startvalue>-4</startvalue><endvalue>4</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(0.0), -4.0f);
    EXPECT_NEAR(channelAt(250.0), 0.0f, 1e-5f);
}

TEST_F(InterpolatorTest, ASecondRequestContinuesTheRunningCurveSmoothly) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
    ASSERT_NEAR(channelAt(1250.0), 6.0f, 1e-5f);
    const InterpolationTrack before = *interpolator->tracks[0];
    EXPECT_NEAR(before.speed(1.25f), 12.0f, 1e-4f);

    request("<endvalue>20</endvalue>");
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    const InterpolationTrack& after = *interpolator->tracks[0];
    EXPECT_FLOAT_EQ(after.startTime, 1.25f);
    EXPECT_NEAR(after.value(1.25f), 6.0f, 1e-5f);
    EXPECT_NEAR(after.speed(1.25f), 12.0f, 1e-4f);
    // Just after the turn it still climbs at 12 per half second.
    EXPECT_NEAR(channelAt(1255.0), 6.0f + 12.0f * 0.01f, 0.01f);
    EXPECT_NEAR(channelAt(1749.0), 20.0f, 0.01f);
    EXPECT_FLOAT_EQ(channelAt(1750.0), 20.0f);
    EXPECT_TRUE(interpolator->tracks.empty());
}

TEST_F(InterpolatorTest, TheEndValueIsWrittenOnceAndThenTheChannelIsLeftAlone) {
    nowMs = 0.0;
    request("<endvalue>10</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(900.0), 10.0f);
    EXPECT_TRUE(interpolator->tracks.empty());
    box->setChannel(0, 3.0f);
    EXPECT_FLOAT_EQ(channelAt(1000.0), 3.0f);
}

TEST_F(InterpolatorTest, TracksAreKeptPerEntityAndChannel) {
    auto* second = new BaseEntity(XmlNode("<entity name=\"second\"/>"));
    nowMs = 0.0;
    request("<endvalue>10</endvalue>");
    request("<endvalue>90</endvalue>", "box", "index=\"4\"");
    request("<endvalue>5</endvalue>", "second");
    ASSERT_EQ(interpolator->tracks.size(), 3u);
    nowMs = 250.0;
    interpolator->update(0.0f);
    EXPECT_NEAR(box->getChannel(0), 6.0f, 1e-5f);
    EXPECT_NEAR(box->getChannel(4), 45.0f, 1e-4f);
    EXPECT_NEAR(second->getChannel(0), 2.5f, 1e-5f);
}

TEST_F(InterpolatorTest, CameraStepChannelStartsFromZeroAndMovesEveryFrame) {
    auto previous = Zem::Main::setMessageBoxHandler(
        [](const std::string&, const std::string&, Zem::Main::MessageIcon) {});
    auto* camera = new Zem::Main::Camera(XmlNode("<entity name=\"cam\"/>"));
    Zem::Main::setMessageBoxHandler(previous);
    nowMs = 0.0;
    request("<endvalue>1</endvalue>", "cam", "index=\"6\"");
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_FLOAT_EQ(interpolator->tracks[0]->d, 0.0f);

    nowMs = 250.0;
    interpolator->update(0.0f);
    EXPECT_NEAR(camera->position.x, 0.5f, 1e-5f);
    // The same value again: another step of 0.5 along the camera's X axis.
    interpolator->update(0.0f);
    EXPECT_NEAR(camera->position.x, 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(camera->getChannel(6), 0.0f);
}

TEST_F(InterpolatorTest, RequestForAMissingEntityChangesNothing) {
    nowMs = 0.0;
    request("<endvalue>10</endvalue>", "nobody");
    EXPECT_TRUE(interpolator->tracks.empty());
    EXPECT_FLOAT_EQ(channelAt(250.0), 2.0f);
}

TEST_F(InterpolatorTest, MalformedRequestsAreRejectedWithAMessage) {
    const struct {
        const char* values;
        const char* index;
        const char* elaps;
    } cases[] = {
        {"<endvalue>10</endvalue>", "", "0 1 0"},
        {"<endvalue>10</endvalue>", "index=\"x\"", "0 1 0"},
        {"<endvalue>10</endvalue>", "index=\"0\"", "0 0 0"},
        {"<endvalue>10</endvalue>", "index=\"0\"", "0 0 -4"},
        {"<endvalue>ten</endvalue>", "index=\"0\"", "0 1 0"},
        {"<startspeed>fast</startspeed>", "index=\"0\"", "0 1 0"},
    };
    nowMs = 0.0;
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        request(c.values, "box", c.index, c.elaps);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(interpolator->tracks.empty()) << c.values << " " << c.index << " " << c.elaps;
        EXPECT_NE(said.find("Interpolator \"interp\""), std::string::npos) << said;
    }
    EXPECT_FLOAT_EQ(channelAt(250.0), 2.0f);
}

TEST_F(InterpolatorTest, WithoutItsScriptMasterItDoesNothing) {
    testing::internal::CaptureStdout();
    auto* lost = new Interpolator(
        XmlNode("<entity name=\"lost\"><scriptmaster>nowhere</scriptmaster></entity>"));
    auto* wrong = new Interpolator(
        XmlNode("<entity name=\"wrong\"><scriptmaster>box</scriptmaster></entity>"));
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Interpolator \"lost\""), std::string::npos) << said;
    EXPECT_NE(said.find("Interpolator \"wrong\""), std::string::npos) << said;
    for (Interpolator* inert : {lost, wrong}) {
        EXPECT_EQ(inert->scriptMaster, nullptr);
        inert->command(0, XmlNode("<event interptarget=\"box\" index=\"0\"><elaps>0 1 0</elaps>"
                                  "<endvalue>10</endvalue></event>"));
        EXPECT_TRUE(inert->tracks.empty());
        inert->update(0.0f);
    }
    EXPECT_FLOAT_EQ(box->getChannel(0), 2.0f);
}

TEST_F(InterpolatorTest, AScriptMasterWithoutTempoGivesNoDurations) {
    testing::internal::CaptureStdout();
    new ScriptMaster(XmlNode("<entity name=\"still\"><script/></entity>"),
                     std::make_unique<RecordingMusic>(&nowMs, &musicCalls));
    auto* stuck = new Interpolator(
        XmlNode("<entity name=\"stuck\"><scriptmaster>still</scriptmaster></entity>"));
    stuck->command(0, XmlNode("<event interptarget=\"box\" index=\"0\"><elaps>0 1 0</elaps>"
                              "<endvalue>10</endvalue></event>"));
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(stuck->tracks.empty());
    EXPECT_NE(said.find("Interpolator \"stuck\""), std::string::npos) << said;
}

TEST_F(InterpolatorTest, ScriptDeliversRequestsToIt) {
    auto* master = new ScriptMaster(
        XmlNode("<entity name=\"show\"><offset>0</offset><bpm>120</bpm><script>"
                "<event time=\"0 0 0\" target=\"interp\" interptarget=\"box\" index=\"1\">"
                "<elaps>0 1 0</elaps><endvalue>4</endvalue></event></script></entity>"),
        std::make_unique<RecordingMusic>(&nowMs, &musicCalls));
    nowMs = 0.0;
    master->update(0.0f);
    EXPECT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_NEAR(channelAt(250.0, 1), 2.0f, 1e-5f);
}

} // namespace
