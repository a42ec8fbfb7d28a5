#include "ScriptTestSupport.h"

#include "graphics/HDRSettings.h"
#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"
#include "script/Interpolator.h"
#include "script/ScreenMaster.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

using ScriptTest::reportedBy;
using Zem::Resource::XmlNode;

namespace {

// A 120 bpm clock started at 0 ("0 1 0" lasts 0.5 s) and "box" with channel 0 at 2.
class InterpolatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        (new ScriptMaster(XmlNode("<entity name='clock'><bpm>120</bpm><script/></entity>"),
                          ScriptTest::musicAt(&nowMs)))
            ->update(0.0f);
        interpolator = new Interpolator(
            XmlNode("<entity name='interp'><scriptmaster>clock</scriptmaster></entity>"));
        box = new Zem::Main::BaseEntity(
            XmlNode("<entity name='box'><position>2 0 0</position></entity>"));
    }
    void request(const std::string& values, const std::string& target = "box",
                 const std::string& index = "0") {
        interpolator->command(0, XmlNode("<event interptarget='" + target + "' index='" + index +
                                         "'><elaps>0 1 0</elaps>" + values + "</event>"));
    }
    void updateAt(double ms) {
        nowMs = ms;
        interpolator->update(0.0f);
    }
    float channelAt(double ms) {
        updateAt(ms);
        return box->getChannel(0);
    }

    ZemTest::FrameGame game;
    double nowMs = 0.0;
    Interpolator* interpolator = nullptr;
    Zem::Main::BaseEntity* box = nullptr;
};

TEST_F(InterpolatorTest, EasesFromThePresentValueToTheEndValueAndHoldsIt) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(1000.0), 2.0f);
    EXPECT_NEAR(channelAt(1250.0), 6.0f, 1e-5f);
    EXPECT_FLOAT_EQ(channelAt(1600.0), 10.0f);
    EXPECT_TRUE(interpolator->tracks.empty());
    EXPECT_FLOAT_EQ(channelAt(1700.0), 10.0f);
}

TEST_F(InterpolatorTest, ValuesWithADanglingExponentReadAsTheirNumber) {
    request("<startvalue>4e</startvalue><endvalue>1e+1x</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(0.0), 4.0f);
    EXPECT_FLOAT_EQ(channelAt(600.0), 10.0f);
}

TEST_F(InterpolatorTest, EqualEndSpeedsMakeAStraightLine) {
    request("<startspeed>8</startspeed><endspeed>8</endspeed><endvalue>10</endvalue>");
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(channelAt(50.0 * i), 2.0 + 0.8 * i, 1e-5) << i;
    }
}

TEST_F(InterpolatorTest, ASecondRequestContinuesTheRunningCurveSmoothly) {
    request("<endvalue>10</endvalue>");
    ASSERT_NEAR(channelAt(250.0), 6.0f, 1e-5f);
    request("<endvalue>20</endvalue>");
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_NEAR(interpolator->tracks[0]->value(0.25f), 6.0f, 1e-5f);
    EXPECT_NEAR(interpolator->tracks[0]->speed(0.25f), 12.0f, 1e-4f);
    EXPECT_FLOAT_EQ(channelAt(750.0), 20.0f);
}

// A camera's step channel is applied as a step every frame; a screen master's channels are the
// HDR settings.
TEST_F(InterpolatorTest, CameraStepAndScreenMasterChannelsTakeEffect) {
    const auto previous = Zem::Main::setMessageBoxHandler([](auto&&...) {}); // no input
    auto* camera = new Zem::Main::Camera(XmlNode("<entity name='cam'/>"));
    Zem::Main::setMessageBoxHandler(previous);
    request("<endvalue>1</endvalue>", "cam", "6");
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 0.5f, 1e-5f);
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 1.0f, 1e-5f);

    using Zem::Graphics::bloomScale;
    using Zem::Graphics::exposure;
    auto* screen = new ScreenMaster(XmlNode("<entity name='screen'/>"));
    screen->setChannel(1, 2.0f);
    EXPECT_EQ(bloomScale, 2.0f);
    request("<endvalue>0.5</endvalue>", "screen");
    updateAt(500.0);
    EXPECT_NEAR(exposure, (0.18f + 0.5f) / 2.0f, 1e-6f);
    // Process-wide: later tests get the program's starting values.
    exposure = 0.18f;
    bloomScale = 1.0f;
}

// Malformed requests, and any request to an interpolator without a script master with a tempo
// ("still" has none), are rejected with a message naming the interpolator; nothing moves.
TEST_F(InterpolatorTest, BadRequestsOrScriptMastersAreRejectedWithAMessage) {
    reportedBy([&] {
        new ScriptMaster(XmlNode("<entity name='still'><script/></entity>"),
                         ScriptTest::musicAt(&nowMs));
    });
    const std::string good = "<elaps>0 1 0</elaps><endvalue>10</endvalue>";
    const std::pair<const char*, std::string> cases[] = {
        {"clock", "interptarget='box'>" + good},
        {"clock", "interptarget='box' index='x'>" + good},
        {"clock", "interptarget='box' index='0'><elaps>0 0 0</elaps><endvalue>10</endvalue>"},
        {"clock", "interptarget='box' index='0'><elaps>0 1 0</elaps><endvalue>ten</endvalue>"},
        {"clock", "interptarget='box' index='0'><elaps>0 1 0</elaps><startspeed>?</startspeed>"},
        {"nowhere", "interptarget='box' index='0'>" + good},
        {"box", "interptarget='box' index='0'>" + good},
        {"still", "interptarget='box' index='0'>" + good},
    };
    for (const auto& testCase : cases) {
        // Named copies: a lambda may not capture a structured binding before C++20.
        const std::string master = testCase.first;
        const std::string& request = testCase.second;
        SCOPED_TRACE(master + (" " + request));
        bool tracked = true;
        const std::string said = reportedBy([&] {
            Interpolator bad(XmlNode(std::string("<entity name='bad'><scriptmaster>") + master +
                                     "</scriptmaster></entity>"));
            bad.command(0, XmlNode("<event " + request + "</event>"));
            tracked = !bad.tracks.empty();
            bad.update(0.0f);
        });
        EXPECT_FALSE(tracked);
        EXPECT_NE(said.find("Interpolator \"bad\""), std::string::npos) << said;
    }
    EXPECT_FLOAT_EQ(box->getChannel(0), 2.0f);
}

} // namespace
