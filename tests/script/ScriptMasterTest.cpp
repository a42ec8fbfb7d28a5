#include "ScriptTestSupport.h"

#include "main/Camera.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"
#include "script/SilentMusic.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

#include <limits>
#include <utility>
#include <vector>

using ScriptTest::mentions;
using ScriptTest::Received;
using ScriptTest::reportedBy;
using Zem::Resource::XmlNode;

namespace {

std::string event(const std::string& time, const std::string& command,
                  const std::string& target = "rec", const std::string& text = "") {
    return "<event time='" + time + "' target='" + target + "' command='" + command + "'>" + text +
           "</event>";
}
std::string repeat(const std::string& times) {
    return "<repeat " + times + "><event target='rec' command='tick'/></repeat>";
}

// A step lasts 1 ms.
const char* const tempoFast = "<offset>0</offset><bpm>15000</bpm>";
// At 120 bpm a step lasts 125 ms and is due from its first millisecond: 1999 ms is still step 15
// and 2000 ms step 16 ("1 0 0"); 2124 ms is still step 16 and 2125 ms step 17.
const char* const tempo120 = "<offset>0</offset><bpm>120</bpm>";
constexpr double lastOfStep15 = 1999.0;
constexpr double firstOfStep16 = 2000.0;
constexpr double lastOfStep16 = 2124.0;
constexpr double firstOfStep17 = 2125.0;

class ScriptMasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousBoxes = Zem::Main::setMessageBoxHandler(
            [this](const std::string&, const std::string& text, auto) {
                cameraNotFoundBoxes += text == "Camera not found!";
            });
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousBoxes); }

    ScriptMaster* makeScript(const std::string& settings, const std::string& children) {
        return new ScriptMaster(XmlNode("<entity name='script'>" + settings + "<script>" +
                                        children + "</script></entity>"),
                                ScriptTest::musicAt(&nowMs));
    }
    // The first update starts the stream; without a device the heard time is the time since
    // then, and the stream time that minus the offset.
    void at(ScriptMaster* master, double heardMs) {
        nowMs = heardMs;
        master->update(0.0f);
    }
    Received deliveredAt(ScriptMaster* master, double heardMs) {
        at(master, heardMs);
        return std::exchange(recorder->received, {});
    }
    // Updates a new script at each heard time in turn, expecting what each update delivers; a
    // millisecond after the last nothing is left to deliver.
    void expectDeliveries(const std::string& settings, const std::string& script,
                          const std::vector<std::pair<double, Received>>& updates) {
        ScriptMaster* master = makeScript(settings, script);
        for (const auto& [heardMs, expected] : updates) {
            EXPECT_EQ(deliveredAt(master, heardMs), expected) << "at " << heardMs << " ms";
        }
        EXPECT_EQ(deliveredAt(master, updates.back().first + 1.0), Received{}) << "afterwards";
        EXPECT_TRUE(master->automators.empty());
    }

    ZemTest::FrameGame game;
    ScriptTest::Recorder* recorder = new ScriptTest::Recorder(XmlNode("<entity name='rec'/>"));
    double nowMs = 0.0;
    int cameraNotFoundBoxes = 0;
    Zem::Main::MessageBoxHandler previousBoxes;
};

TEST_F(ScriptMasterTest, EachEventIsDeliveredInTheUpdateWhereItsStepFallsDue) {
    expectDeliveries(tempo120, event("1 0 0", "bar") + event("1 0 1", "step"),
                     {{0, {}},
                      {lastOfStep15, {}},
                      {firstOfStep16, {{16, "bar"}}},
                      {lastOfStep16, {}},
                      {firstOfStep17, {{17, "step"}}}});
}

// The offset is the music layer's to allow for: a stream time of 1900 ms is heard at 2000.
TEST_F(ScriptMasterTest, StepsFallDueAtTheHeardTimeWhateverTheOffset) {
    expectDeliveries("<offset>100</offset><bpm>120</bpm>", event("1 0 0", "bar"),
                     {{0, {}}, {lastOfStep15, {}}, {firstOfStep16, {{16, "bar"}}}});
}

TEST_F(ScriptMasterTest, WithoutAnOffsetTheClockRunsUnshifted) {
    expectDeliveries("<bpm>120</bpm>", event("1 0 0", "bar"),
                     {{0, {}}, {lastOfStep15, {}}, {firstOfStep16, {{16, "bar"}}}});
}

// d, due already, waits behind c.
TEST_F(ScriptMasterTest, EventsAreDeliveredInDocumentOrder) {
    expectDeliveries(tempoFast,
                     event("0 0 16", "a") + event("0 0 16", "b") + event("0 0 32", "c") +
                         event("0 0 4", "d"),
                     {{0, {}}, {20, {{16, "a"}, {16, "b"}}}, {32, {{32, "c"}, {4, "d"}}}});
}

TEST_F(ScriptMasterTest, AnEventForAnUnknownTargetIsPassedOver) {
    expectDeliveries(
        tempoFast, event("0 0 16", "a") + event("0 0 16", "lost", "nobody") + event("0 0 16", "b"),
        {{0, {}}, {16, {{16, "a"}, {16, "b"}}}});
}

// Scripts use a comment as a one-frame pause.
TEST_F(ScriptMasterTest, ACommentEndsTheUpdateThatReachesIt) {
    expectDeliveries(tempoFast, event("0 0 0", "a") + "<!-- a frame -->" + event("0 0 0", "b"),
                     {{0, {{0, "a"}}}, {0, {{0, "b"}}}});
}

TEST_F(ScriptMasterTest, ARepeatDeliversItsEventAtEveryStepBeforeItsEnd) {
    expectDeliveries("<offset>10</offset><bpm>15000</bpm>",
                     repeat("start='0 0 0' end='0 1 0' step='0 0 1'"),
                     {{0, {{0, "tick"}}}, {5, {{1, "tick"}, {2, "tick"}, {3, "tick"}}}});
}

TEST_F(ScriptMasterTest, TheScriptGoesOnPastAStartedRepeatInTheSameUpdate) {
    expectDeliveries(tempoFast,
                     repeat("start='0 0 0' end='0 0 1' step='0 0 1'") + event("0 0 0", "after"),
                     {{0, {{0, "tick"}, {0, "after"}}}});
}

// start="-99999999 0 0" once meant 1.6e9 deliveries in one update and the show hung.
TEST_F(ScriptMasterTest, ARepeatStartedLongBeforeTheScriptCatchesUpFromItsLatestStep) {
    ScriptMaster* master =
        makeScript(tempoFast, repeat("start='-99999999 0 0' end='1 0 0' step='0 0 1'"));
    EXPECT_EQ(deliveredAt(master, 0.0), (Received{{0, "tick"}}));
    EXPECT_EQ(deliveredAt(master, 5.0),
              (Received{{1, "tick"}, {2, "tick"}, {3, "tick"}, {4, "tick"}, {5, "tick"}}));
}

TEST_F(ScriptMasterTest, ASecondSetOffsetReplacesTheFirst) {
    // Two bars of offset: "1 0 0" falls due at step 48.
    expectDeliveries(tempoFast,
                     event("0 0 0", "setoffset", "script", "1 0 0") +
                         event("0 0 0", "setoffset", "script", "2 0 0") + event("1 0 0", "late"),
                     {{0, {}}, {47, {}}, {48, {{48, "late"}}}});
}

TEST_F(ScriptMasterTest, ARepeatWithoutAPositiveStepIsSkippedNamingItsScript) {
    const std::string said = reportedBy([this] {
        expectDeliveries(tempoFast,
                         repeat("start='0 0 0' end='0 1 0' step='0 0 0'") +
                             repeat("start='0 0 0' end='0 1 0' step='0 0 -2'") +
                             event("0 0 0", "after"),
                         {{0, {{0, "after"}}}, {50, {}}});
    });
    EXPECT_TRUE(mentions(said, {"\"script\"", "step", "0 0 -2"})) << said;
}

TEST_F(ScriptMasterTest, WithoutABpmTheScriptIsIgnoredNamingIt) {
    const std::string said = reportedBy([this] {
        expectDeliveries("<offset>50</offset>", event("0 0 0", "a"), {{0, {}}, {10000, {}}});
    });
    EXPECT_TRUE(mentions(said, {"\"script\"", "bpm"})) << said;
}

TEST_F(ScriptMasterTest, AStepCountIsTruncatedTowardZero) {
    EXPECT_EQ(ScriptMaster::stepCount("0 -1 2.5"), -1);
}

TEST_F(ScriptMasterTest, AStepCountStopsAtTheLargestInteger) {
    EXPECT_EQ(ScriptMaster::stepCount("1e30 0 0"), std::numeric_limits<int32_t>::max());
}

TEST_F(ScriptMasterTest, ExitEndsTheGameUpdateInWhichItIsDelivered) {
    makeScript(tempoFast, event("0 0 5", "exit", "script"));
    for (const double ms : {0.0, 4.0, 5.0}) {
        nowMs = ms;
        EXPECT_EQ(game.update(0.0f), ms < 5.0) << ms;
    }
}

// Anything but a camera counts as not found.
class ScriptMasterSetCameraTest : public ScriptMasterTest {
protected:
    // After the box handler: a camera without an input driver shows a box of its own.
    void SetUp() override {
        ScriptMasterTest::SetUp();
        camera = new Zem::Main::Camera(XmlNode("<entity name='cam'/>"));
    }
    // The current camera after "setcamera" to each name in turn, a step apart.
    const Zem::Main::Camera* afterSetCamera(std::initializer_list<const char*> names) {
        std::string script;
        int step = 0;
        for (const char* name : names) {
            script += event("0 0 " + std::to_string(step++), "setcamera", "script", name);
        }
        ScriptMaster* master = makeScript(tempoFast, script);
        for (int ms = 0; ms < step; ++ms) {
            at(master, ms);
        }
        return game.currentCamera();
    }

    Zem::Main::Camera* camera = nullptr;
};

TEST_F(ScriptMasterSetCameraTest, MakesTheNamedCameraCurrent) {
    EXPECT_EQ(afterSetCamera({"cam"}), camera);
    EXPECT_EQ(cameraNotFoundBoxes, 0);
}

TEST_F(ScriptMasterSetCameraTest, AMissingNameShowsCameraNotFoundAndLeavesNoCamera) {
    EXPECT_EQ(afterSetCamera({"cam", "nobody"}), nullptr);
    EXPECT_EQ(cameraNotFoundBoxes, 1);
}

// The box keeps its words; the line beside it says which camera, where in which file and when.
TEST_F(ScriptMasterSetCameraTest, AMissingNameIsReportedWithTheFileLineAndScriptTime) {
    game.worldFile = "my/show.world";
    const std::string said = reportedBy([this] { afterSetCamera({"cam", "nobody"}); });
    EXPECT_TRUE(mentions(said, {"my/show.world:1: ", "\"nobody\"", "0 0 1 (0.001 s)"})) << said;
}

TEST_F(ScriptMasterSetCameraTest, AnEntityThatIsNoCameraCountsAsNotFound) {
    EXPECT_EQ(afterSetCamera({"cam", "rec"}), nullptr);
    EXPECT_EQ(cameraNotFoundBoxes, 1);
}

// A script master on a silent clock the test sets; its music starts at 0.
class ScriptClock {
public:
    explicit ScriptClock(const std::string& settings, const std::string& script = "")
        : master(
              XmlNode("<entity name='s'>" + settings + "<script>" + script + "</script></entity>"),
              std::make_unique<SilentMusic>([this] { return nowMs; })) {
        master.update(0.0f);
    }
    int32_t stepAt(double ms) {
        nowMs = ms;
        return master.currentStep();
    }
    // Whether the game was asked to end by an update at ms.
    bool exitsAt(double ms) {
        nowMs = ms;
        master.update(0.0f);
        return game.exitRequested();
    }

    ZemTest::SceneGame game;
    double nowMs = 0.0;
    ScriptMaster master;
};

class ScriptMasterStepBoundary : public ::testing::TestWithParam<double> {};

// Every step from the first to the 600th is due on the first millisecond of its time, not a
// millisecond earlier, whatever the tempo's rounding in binary.
TEST_P(ScriptMasterStepBoundary, EachStepIsDueFromItsFirstMillisecondOn) {
    const double bpm = GetParam();
    ScriptClock clock("<offset>0</offset><bpm>" + std::to_string(bpm) + "</bpm>");
    for (int32_t step = 1; step <= 600; ++step) {
        const double exact = step * 60000.0 / (bpm * 4.0);
        const double first = std::ceil(exact - 1e-9);
        ASSERT_EQ(clock.stepAt(first), step) << first << " ms";
        ASSERT_EQ(clock.stepAt(first - 1.0), step - 1) << first - 1.0 << " ms";
    }
}

INSTANTIATE_TEST_SUITE_P(Tempos, ScriptMasterStepBoundary,
                         ::testing::Values(60.0, 72.0, 120.0, 137.0), [](const auto& info) {
                             return std::to_string(static_cast<int>(info.param)) + "bpm";
                         });

// On the silent clock a capture drives: "exit" comes after two bars of "setoffset", so it is
// step 33, which begins at 4125 ms at 8 steps a second.
const char* const offsetThenExit =
    "<event time='1 0 0' target='s' command='setoffset'>2 0 0</event>"
    "<event time='0 0 1' target='s' command='exit'/>";
const char* const tempo120Offset100 = "<offset>100</offset><bpm>120</bpm>";
constexpr int32_t exitMs = 4125;

TEST(ScriptMasterTiming, TheExitTimeIsFoundAheadPastASetOffset) {
    ScriptClock clock(tempo120Offset100, offsetThenExit);
    EXPECT_EQ(clock.master.exitTimeMs(), exitMs);
}

TEST(ScriptMasterTiming, TheExitFallsDueOnTheMillisecondFoundAhead) {
    ScriptClock clock(tempo120Offset100, offsetThenExit);
    EXPECT_TRUE(clock.exitsAt(exitMs));
}

TEST(ScriptMasterTiming, TheExitIsNotDueAMillisecondBefore) {
    ScriptClock clock(tempo120Offset100, offsetThenExit);
    EXPECT_FALSE(clock.exitsAt(exitMs - 1));
}

// The walk goes in document order: an exit placed after a later event waits for it.
TEST(ScriptMasterTiming, TheExitTimeWaitsForALaterEventPlacedBeforeIt) {
    ScriptClock clock("<offset>0</offset><bpm>120</bpm>",
                      "<event time='10 0 0' target='nobody'/>"
                      "<event time='5 0 0' target='s' command='exit'/>");
    EXPECT_EQ(clock.master.exitTimeMs(), 20000);
}

TEST(ScriptMasterTiming, TheExitIsDeliveredAtTheExitTimeLookedUpAhead) {
    ScriptClock clock("<offset>0</offset><bpm>137</bpm>",
                      "<event time='10 0 0' target='nobody'/>"
                      "<event time='5 0 0' target='s' command='exit'/>");
    const int32_t exitMs = clock.master.exitTimeMs();
    EXPECT_FALSE(clock.exitsAt(exitMs - 1.0));
    EXPECT_TRUE(clock.exitsAt(exitMs));
}

TEST(ScriptMasterTiming, TheExitTimeWaitsForARepeatPlacedBeforeIt) {
    ScriptClock clock("<offset>0</offset><bpm>120</bpm>",
                      "<repeat start='8 0 0' end='9 0 0' step='0 1 0'>"
                      "<event target='nobody'/></repeat>"
                      "<event time='2 0 0' target='s' command='exit'/>");
    EXPECT_EQ(clock.master.exitTimeMs(), 16000);
}

TEST(ScriptMasterTiming, ThePictureLeadMovesTheClockAhead) {
    ScriptClock clock("<offset>0</offset><bpm>120</bpm>");
    clock.master.setPictureLeadMs(25.5);
    clock.nowMs = 1000.0;
    EXPECT_EQ(clock.master.musicTimeMs(), 1025);
}

} // namespace
