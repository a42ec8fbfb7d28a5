#include "ScriptTestSupport.h"

#include "main/Camera.h"
#include "main/messageBox.h"

#include <gtest/gtest.h>

using ScriptTest::printedBy;
using Zem::Resource::XmlNode;

namespace {

class InterpolatorTest : public ScriptTest::TimelineTest {
protected:
    void SetUp() override {
        TimelineTest::SetUp();
        box = new Zem::Main::BaseEntity(
            XmlNode("<entity name=\"box\"><position>2 0 0</position></entity>"));
    }
    // Box channel 0 after an update at the given music time.
    float channelAt(double ms) {
        updateAt(ms);
        return box->getChannel(0);
    }

    Zem::Main::BaseEntity* box = nullptr;
};

TEST_F(InterpolatorTest, EasesFromThePresentValueToTheEndValueAndHoldsIt) {
    nowMs = 1000.0;
    request("box", "0", "<endvalue>10</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(1000.0), 2.0f);
    EXPECT_NEAR(channelAt(1125.0), 2.0f + 8.0f * (3 * 0.0625f - 2 * 0.015625f), 1e-5f);
    EXPECT_NEAR(channelAt(1250.0), 6.0f, 1e-5f);
    // Leaves and arrives with speed 0.
    EXPECT_NEAR(interpolator->tracks[0]->speed(1.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(interpolator->tracks[0]->speed(1.5f), 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(channelAt(1600.0), 10.0f);
    EXPECT_TRUE(interpolator->tracks.empty());
    // Written once: the channel is then left alone.
    box->setChannel(0, 3.0f);
    EXPECT_FLOAT_EQ(channelAt(1700.0), 3.0f);
}

TEST_F(InterpolatorTest, EqualEndSpeedsMakeAStraightLine) {
    request("box", "0", "<startspeed>8</startspeed><endspeed>8</endspeed><endvalue>10</endvalue>");
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(channelAt(50.0 * i), 2.0 + 0.8 * i, 1e-5) << i;
    }
}

TEST_F(InterpolatorTest, WithoutEndValueItDrivesTheChannelToZero) {
    request("box", "0", "");
    EXPECT_NEAR(channelAt(250.0), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(channelAt(600.0), 0.0f);
}

TEST_F(InterpolatorTest, ASecondRequestContinuesTheRunningCurveSmoothly) {
    request("box", "0", "<endvalue>10</endvalue>");
    ASSERT_NEAR(channelAt(250.0), 6.0f, 1e-5f);
    request("box", "0", "<endvalue>20</endvalue>");
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_NEAR(interpolator->tracks[0]->value(0.25f), 6.0f, 1e-5f);
    EXPECT_NEAR(interpolator->tracks[0]->speed(0.25f), 12.0f, 1e-4f);
    EXPECT_NEAR(channelAt(255.0), 6.0f + 12.0f * 0.01f, 0.01f);
    EXPECT_FLOAT_EQ(channelAt(750.0), 20.0f);
}

TEST_F(InterpolatorTest, CameraStepChannelStartsFromZeroAndMovesEveryFrame) {
    const auto previous = Zem::Main::setMessageBoxHandler(
        [](const std::string&, const std::string&, Zem::Main::MessageIcon) {});
    auto* camera = new Zem::Main::Camera(XmlNode("<entity name=\"cam\"/>"));
    Zem::Main::setMessageBoxHandler(previous);
    request("cam", "6", "<endvalue>1</endvalue>");
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 0.5f, 1e-5f);
    // The same value again: another step of 0.5 along the camera's X axis.
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 1.0f, 1e-5f);
}

TEST_F(InterpolatorTest, MalformedRequestsAreRejectedWithAMessage) {
    const struct {
        const char* index;
        const char* values;
        const char* elaps;
    } cases[] = {
        {"", "<endvalue>10</endvalue>", "0 1 0"},        {"x", "<endvalue>10</endvalue>", "0 1 0"},
        {"0", "<endvalue>10</endvalue>", "0 0 0"},       {"0", "<endvalue>ten</endvalue>", "0 1 0"},
        {"0", "<startspeed>fast</startspeed>", "0 1 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.index) + c.values + c.elaps);
        const std::string said = printedBy([&] { request("box", c.index, c.values, c.elaps); });
        EXPECT_TRUE(interpolator->tracks.empty());
        EXPECT_NE(said.find("Interpolator \"interp\""), std::string::npos) << said;
    }
    // A missing entity changes nothing.
    request("nobody", "0", "<endvalue>10</endvalue>");
    EXPECT_TRUE(interpolator->tracks.empty());
}

TEST_F(InterpolatorTest, WithoutAScriptMasterWithATempoItStaysInert) {
    printedBy([&] {
        new ScriptMaster(XmlNode("<entity name=\"still\"><script/></entity>"),
                         ScriptTest::musicAt(&nowMs));
    });
    for (const std::string master : {"nowhere", "box", "still"}) {
        SCOPED_TRACE(master);
        bool tracked = true;
        const std::string said = printedBy([&] {
            Interpolator inert(XmlNode("<entity name=\"inert\"><scriptmaster>" + master +
                                       "</scriptmaster></entity>"));
            inert.command(0, XmlNode("<event interptarget=\"box\" index=\"0\">"
                                     "<elaps>0 1 0</elaps><endvalue>10</endvalue></event>"));
            tracked = !inert.tracks.empty();
            inert.update(0.0f);
        });
        EXPECT_FALSE(tracked);
        EXPECT_NE(said.find("Interpolator \"inert\""), std::string::npos) << said;
    }
    EXPECT_FLOAT_EQ(box->getChannel(0), 2.0f);
}

} // namespace
