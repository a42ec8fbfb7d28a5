#include "ScriptTestSupport.h"

#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"
#include "script/Interpolator.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using ScriptTest::mentions;
using ScriptTest::reportedBy;
using Zem::Resource::XmlNode;

namespace {

// A 120 bpm clock started at 0 ("0 1 0" lasts 0.5 s) and "box" with channel 0 at 2. The clock's
// offset of 100 ms is taken off the stream time and added back by every reader: the curves run
// on the music as heard.
class InterpolatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        (new ScriptMaster(XmlNode("<entity name='clock'><offset>100</offset><bpm>120</bpm>"
                                  "<script/></entity>"),
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
    // A curve to 10 from 0 s, redirected to 20 a quarter of a second in, where it stands at 6.
    void redirectAtAQuarterSecond() {
        request("<endvalue>10</endvalue>");
        ASSERT_NEAR(channelAt(250.0), 6.0f, 1e-5f);
        request("<endvalue>20</endvalue>");
    }

    ZemTest::FrameGame game;
    double nowMs = 0.0;
    Interpolator* interpolator = nullptr;
    Zem::Main::BaseEntity* box = nullptr;
};

TEST_F(InterpolatorTest, ACurveStartsFromTheChannelsPresentValue) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
    EXPECT_FLOAT_EQ(channelAt(1000.0), 2.0f);
}

TEST_F(InterpolatorTest, ACurveEasesOverItsLength) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
    EXPECT_NEAR(channelAt(1250.0), 6.0f, 1e-5f);
}

TEST_F(InterpolatorTest, AFinishedCurveWritesItsEndValueAndGoes) {
    nowMs = 1000.0;
    request("<endvalue>10</endvalue>");
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

TEST_F(InterpolatorTest, ASecondRequestGoesOnWithoutAJumpInValueOrSpeed) {
    redirectAtAQuarterSecond();
    ASSERT_EQ(interpolator->tracks.size(), 1u);
    EXPECT_NEAR(interpolator->tracks[0]->value(0.25f), 6.0f, 1e-5f);
    EXPECT_NEAR(interpolator->tracks[0]->speed(0.25f), 12.0f, 1e-4f);
}

TEST_F(InterpolatorTest, ASecondRequestEndsAtItsOwnEndValue) {
    redirectAtAQuarterSecond();
    EXPECT_FLOAT_EQ(channelAt(750.0), 20.0f);
}

// A camera's step channel moves it by the value each time it is written.
TEST_F(InterpolatorTest, TheChannelIsWrittenAtEveryUpdate) {
    const auto previous = Zem::Main::setMessageBoxHandler([](auto&&...) {}); // no input
    auto* camera = new Zem::Main::Camera(XmlNode("<entity name='cam'/>"));
    Zem::Main::setMessageBoxHandler(previous);
    request("<endvalue>1</endvalue>", "cam", "6");
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 0.5f, 1e-5f);
    updateAt(250.0);
    EXPECT_NEAR(camera->position.x, 1.0f, 1e-5f);
}

// A request lacking one thing or with one thing wrong: nothing moves, and the message names the
// interpolator.
struct Malformed {
    const char* name;
    std::string request;
};

const std::string oneBeatToTen = "<elaps>0 1 0</elaps><endvalue>10</endvalue>";

const Malformed malformed[] = {
    {"NoIndex", "interptarget='box'>" + oneBeatToTen},
    {"AnIndexThatIsNoNumber", "interptarget='box' index='x'>" + oneBeatToTen},
    {"ALengthOfZero", "interptarget='box' index='0'><elaps>0 0 0</elaps><endvalue>10</endvalue>"},
    {"AnEndValueThatIsNoNumber",
     "interptarget='box' index='0'><elaps>0 1 0</elaps><endvalue>ten</endvalue>"},
    {"AStartSpeedThatIsNoNumber",
     "interptarget='box' index='0'><elaps>0 1 0</elaps><startspeed>?</startspeed>"},
};

void PrintTo(const Malformed& request, std::ostream* out) {
    *out << request.name;
}

class InterpolatorMalformedRequestTest : public InterpolatorTest,
                                         public ::testing::WithParamInterface<Malformed> {};

TEST_P(InterpolatorMalformedRequestTest, IsRejectedNamingTheInterpolator) {
    const std::string said = reportedBy([&] {
        interpolator->command(0, XmlNode("<event " + GetParam().request + "</event>"));
        updateAt(0.0);
    });
    EXPECT_TRUE(interpolator->tracks.empty());
    EXPECT_FLOAT_EQ(box->getChannel(0), 2.0f);
    EXPECT_TRUE(mentions(said, {"\"interp\""})) << said;
}

INSTANTIATE_TEST_SUITE_P(InterpolatorTest, InterpolatorMalformedRequestTest,
                         ::testing::ValuesIn(malformed),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             return std::string(info.param.name);
                         });

// An interpolator whose "scriptmaster" names no ScriptMaster with a tempo ("still" has none)
// rejects every request, naming itself.
struct Master {
    const char* name;
    const char* master;
};

const Master masters[] = {
    {"NoEntity", "nowhere"},
    {"AnEntityThatIsNoScriptMaster", "box"},
    {"AScriptMasterWithoutATempo", "still"},
};

void PrintTo(const Master& master, std::ostream* out) {
    *out << master.name;
}

class InterpolatorWithoutAClockTest : public InterpolatorTest,
                                      public ::testing::WithParamInterface<Master> {};

TEST_P(InterpolatorWithoutAClockTest, RejectsEveryRequestNamingItself) {
    reportedBy([&] {
        new ScriptMaster(XmlNode("<entity name='still'><script/></entity>"),
                         ScriptTest::musicAt(&nowMs));
    });
    bool tracked = true;
    const std::string said = reportedBy([&] {
        Interpolator bad(XmlNode(std::string("<entity name='bad'><scriptmaster>") +
                                 GetParam().master + "</scriptmaster></entity>"));
        bad.command(0, XmlNode("<event interptarget='box' index='0'><elaps>0 1 0</elaps>"
                               "<endvalue>10</endvalue></event>"));
        tracked = !bad.tracks.empty();
        bad.update(0.0f);
    });
    EXPECT_FALSE(tracked);
    EXPECT_FLOAT_EQ(box->getChannel(0), 2.0f);
    EXPECT_TRUE(mentions(said, {"\"bad\""})) << said;
}

INSTANTIATE_TEST_SUITE_P(InterpolatorTest, InterpolatorWithoutAClockTest,
                         ::testing::ValuesIn(masters),
                         [](const ::testing::TestParamInfo<Master>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
