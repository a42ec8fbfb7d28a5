#include "ScriptTestSupport.h"

#include "graphics/Vector3.h"
#include "main/Camera.h"
#include "main/messageBox.h"
#include "script/Automator.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

using ScriptTest::Recorder;
using ScriptTest::RecordingMusic;
using ScriptTest::ScriptGame;
using Zem::Resource::XmlNode;

namespace {

using Received = std::vector<std::pair<int, std::string>>;

class ScriptMasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        recorder = new Recorder(XmlNode("<entity name=\"rec\"/>"));
    }

    // A ScriptMaster named "script" with the given settings and script children. At 15000 bpm
    // a step lasts exactly one millisecond.
    ScriptMaster* makeScript(const std::string& settings, const std::string& children) {
        const XmlNode element("<entity type=\"ScriptMaster\" name=\"script\">" + settings +
                              "<script>" + children + "</script></entity>");
        return new ScriptMaster(element, std::make_unique<RecordingMusic>(&nowMs, &musicCalls));
    }
    ScriptMaster* makeFastScript(const std::string& children) {
        return makeScript("<offset>0</offset><bpm>15000</bpm>", children);
    }

    // One update with the stream at the given time; the first update starts it at 0.
    void at(ScriptMaster* master, double streamMs) {
        nowMs = streamMs;
        master->update(0.0f);
    }

    Received takeReceived() { return std::exchange(recorder->received, {}); }

    ScriptGame game;
    Recorder* recorder = nullptr;
    double nowMs = 0.0;
    std::vector<std::string> musicCalls;
};

TEST_F(ScriptMasterTest, OpensTheMusicWhenBuiltAndPlaysItOnTheFirstUpdate) {
    ScriptMaster* master = makeScript("<offset>120</offset><bpm>120</bpm>", "");
    EXPECT_EQ(musicCalls, (std::vector<std::string>{"init 44100 32 0", "buffer 120",
                                                    "open data/Ombrel.ogg 8192 0 0"}));
    EXPECT_NE(master->stream, nullptr);
    EXPECT_EQ(master->clockOffsetMs, 120);
    EXPECT_DOUBLE_EQ(master->stepsPerMs, 120 * 4.0 / 60000.0);

    nowMs = 500.0;
    EXPECT_EQ(master->musicTimeMs(), 120);
    master->update(0.0f);
    master->update(0.0f);
    EXPECT_EQ(musicCalls.back(), "play 0");
    EXPECT_EQ(std::count(musicCalls.begin(), musicCalls.end(), "play 0"), 1);
    nowMs = 750.0;
    EXPECT_EQ(master->musicTimeMs(), 250 + 120);
}

TEST_F(ScriptMasterTest, ClockRoundsUpToTheNextStep) {
    ScriptMaster* master = makeScript("<offset>0</offset><bpm>120</bpm>",
                                      "<event time=\"1 0 0\" target=\"rec\" command=\"bar\"/>"
                                      "<event time=\"1 0 1\" target=\"rec\" command=\"step\"/>");
    at(master, 0.0);
    at(master, 1875.0);
    EXPECT_EQ(master->currentStep(), 15);
    EXPECT_TRUE(takeReceived().empty());
    at(master, 1876.0);
    EXPECT_EQ(master->currentStep(), 16);
    EXPECT_EQ(takeReceived(), (Received{{16, "bar"}}));
    at(master, 2000.0);
    EXPECT_TRUE(takeReceived().empty());
    at(master, 2001.0);
    EXPECT_EQ(takeReceived(), (Received{{17, "step"}}));
}

TEST_F(ScriptMasterTest, OffsetMovesTheClockEarlier) {
    ScriptMaster* master = makeScript("<offset>100</offset><bpm>120</bpm>",
                                      "<event time=\"1 0 0\" target=\"rec\" command=\"bar\"/>");
    at(master, 0.0);
    at(master, 1775.0);
    EXPECT_TRUE(takeReceived().empty());
    at(master, 1776.0);
    EXPECT_EQ(takeReceived(), (Received{{16, "bar"}}));
}

TEST_F(ScriptMasterTest, StepCountTruncatesTowardZero) {
    EXPECT_EQ(ScriptMaster::stepCount("1 2 3"), 27);
    EXPECT_EQ(ScriptMaster::stepCount("1,2,3"), 27);
    EXPECT_EQ(ScriptMaster::stepCount("0 0 2.5"), 2);
    EXPECT_EQ(ScriptMaster::stepCount("0 0 -0.5"), 0);
    EXPECT_EQ(ScriptMaster::stepCount("0 -1 2.5"), -1);
    // What cannot be read counts as 0.
    EXPECT_EQ(ScriptMaster::stepCount("2"), 32);
    EXPECT_EQ(ScriptMaster::stepCount("abc"), 0);
    EXPECT_EQ(ScriptMaster::stepCount("1e30 0 0"), std::numeric_limits<int32_t>::max());
}

TEST_F(ScriptMasterTest, EventsAreDeliveredInDocumentOrder) {
    ScriptMaster* master = makeFastScript("<event time=\"0 0 16\" target=\"rec\" command=\"a\"/>"
                                          "<event time=\"0 0 16\" target=\"rec\" command=\"b\"/>"
                                          "<event time=\"0 0 32\" target=\"rec\" command=\"c\"/>"
                                          "<event time=\"0 0 4\" target=\"rec\" command=\"d\"/>");
    at(master, 0.0);
    at(master, 20.0);
    // d is due already but waits behind c.
    EXPECT_EQ(takeReceived(), (Received{{16, "a"}, {16, "b"}}));
    at(master, 32.0);
    EXPECT_EQ(takeReceived(), (Received{{32, "c"}, {4, "d"}}));
    EXPECT_EQ(master->nextEvent, 4);
}

TEST_F(ScriptMasterTest, AnythingButEventOrRepeatCostsOneUpdate) {
    ScriptMaster* master = makeFastScript("<event time=\"0 0 0\" target=\"rec\" command=\"a\"/>"
                                          "<!-- wait a frame -->"
                                          "<event time=\"0 0 0\" target=\"rec\" command=\"b\"/>"
                                          "<pause/>"
                                          "<event time=\"0 0 0\" target=\"rec\" command=\"c\"/>");
    at(master, 0.0);
    EXPECT_EQ(takeReceived(), (Received{{0, "a"}}));
    at(master, 0.0);
    EXPECT_EQ(takeReceived(), (Received{{0, "b"}}));
    at(master, 0.0);
    EXPECT_EQ(takeReceived(), (Received{{0, "c"}}));
}

TEST_F(ScriptMasterTest, MissingTargetsAreDroppedQuietly) {
    ScriptMaster* master = makeFastScript("<event time=\"0 0 0\" target=\"nobody\" command=\"a\"/>"
                                          "<event time=\"0 0 1\" target=\"rec\" command=\"b\"/>");
    at(master, 0.0);
    at(master, 1.0);
    EXPECT_EQ(takeReceived(), (Received{{1, "b"}}));
}

TEST_F(ScriptMasterTest, RepeatDeliversEveryDueRepetitionAtOnce) {
    ScriptMaster* master = makeScript("<offset>10</offset><bpm>15000</bpm>",
                                      "<repeat start=\"0 0 0\" end=\"0 1 0\" step=\"0 0 1\">"
                                      "<event target=\"rec\" command=\"tick\"/></repeat>"
                                      "<event time=\"0 0 0\" target=\"rec\" command=\"after\"/>");
    at(master, 0.0);
    EXPECT_EQ(master->currentStep(), 10);
    EXPECT_EQ(takeReceived(),
              (Received{{0, "tick"}, {1, "tick"}, {2, "tick"}, {3, "tick"}, {0, "after"}}));
    EXPECT_EQ(master->automators.size(), 1u);
    at(master, 5.0);
    EXPECT_TRUE(takeReceived().empty());
    EXPECT_TRUE(master->automators.empty());
}

TEST_F(ScriptMasterTest, RepeatWithEndNotAboveStartDeliversNothing) {
    ScriptMaster* master = makeFastScript("<repeat start=\"0 1 0\" end=\"0 1 0\" step=\"0 0 1\">"
                                          "<event target=\"rec\" command=\"tick\"/></repeat>");
    at(master, 0.0);
    at(master, 10.0);
    at(master, 20.0);
    EXPECT_TRUE(takeReceived().empty());
    EXPECT_TRUE(master->automators.empty());
}

TEST_F(ScriptMasterTest, RepeatEndAndStepKeepComponentsTheyLeaveOut) {
    // "end" 0 1 keeps the 2 steps of "start": it ends at 6, not 4.
    ScriptMaster* master = makeFastScript("<repeat start=\"0 0 2\" end=\"0 1\" step=\"0 0 1\">"
                                          "<event target=\"rec\" command=\"tick\"/></repeat>");
    at(master, 0.0);
    at(master, 10.0);
    EXPECT_EQ(takeReceived(), (Received{{2, "tick"}, {3, "tick"}, {4, "tick"}, {5, "tick"}}));
}

TEST_F(ScriptMasterTest, RepeatWithoutPositiveStepIsSkippedWithAMessage) {
    ScriptMaster* master =
        makeFastScript("<repeat start=\"0 0 0\" end=\"0 1 0\" step=\"0 0 0\">"
                       "<event target=\"rec\" command=\"tick\"/></repeat>"
                       "<repeat start=\"0 0 0\" end=\"0 1 0\" step=\"0 0 -2\">"
                       "<event target=\"rec\" command=\"tick\"/></repeat>"
                       "<event time=\"0 0 0\" target=\"rec\" command=\"after\"/>");
    testing::internal::CaptureStdout();
    at(master, 0.0);
    at(master, 50.0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(takeReceived(), (Received{{0, "after"}}));
    EXPECT_TRUE(master->automators.empty());
    EXPECT_NE(said.find("ScriptMaster \"script\""), std::string::npos) << said;
    EXPECT_NE(said.find("\"step\""), std::string::npos) << said;
}

TEST_F(ScriptMasterTest, RepeatStartIsShiftedBySetOffsetButStepIsNot) {
    ScriptMaster* master = makeFastScript(
        "<event time=\"0 0 0\" target=\"script\" command=\"setoffset\">0 0 10</event>"
        "<repeat start=\"0 0 0\" end=\"0 0 6\" step=\"0 0 3\">"
        "<event target=\"rec\" command=\"tick\"/></repeat>");
    at(master, 0.0);
    at(master, 9.0);
    EXPECT_TRUE(takeReceived().empty());
    at(master, 20.0);
    EXPECT_EQ(takeReceived(), (Received{{10, "tick"}, {13, "tick"}}));
}

TEST_F(ScriptMasterTest, AutomatorCatchesUpWithEveryMissedRepetition) {
    Automator automator(0, 20, 2, XmlNode("<event target=\"rec\" command=\"tick\"/>"));
    EXPECT_TRUE(automator.advance(2));
    EXPECT_EQ(takeReceived(), (Received{{0, "tick"}, {2, "tick"}}));
    EXPECT_TRUE(automator.advance(3));
    EXPECT_TRUE(takeReceived().empty());
    EXPECT_TRUE(automator.advance(9));
    EXPECT_EQ(takeReceived(), (Received{{4, "tick"}, {6, "tick"}, {8, "tick"}}));
    // The end itself is never delivered.
    EXPECT_FALSE(automator.advance(100));
    EXPECT_EQ(takeReceived(),
              (Received{{10, "tick"}, {12, "tick"}, {14, "tick"}, {16, "tick"}, {18, "tick"}}));
    EXPECT_EQ(automator.current, 20);
}

TEST_F(ScriptMasterTest, SetOffsetShiftsLaterScriptTimes) {
    ScriptMaster* master =
        makeFastScript("<event time=\"0 0 0\" target=\"script\" command=\"setoffset\">2 0 0</event>"
                       "<event time=\"1 0 0\" target=\"rec\" command=\"late\"/>");
    at(master, 0.0);
    EXPECT_EQ(master->stepOffset, 32);
    at(master, 47.0);
    EXPECT_TRUE(takeReceived().empty());
    at(master, 48.0);
    EXPECT_EQ(takeReceived(), (Received{{48, "late"}}));
}

TEST_F(ScriptMasterTest, ExitEndsTheGameUpdateInWhichItIsDelivered) {
    ScriptMaster* master =
        makeFastScript("<event time=\"0 0 5\" target=\"script\" command=\"exit\"/>");
    (void)master;
    nowMs = 0.0;
    EXPECT_TRUE(game.update(0.0f));
    nowMs = 4.0;
    EXPECT_TRUE(game.update(0.0f));
    nowMs = 5.0;
    EXPECT_FALSE(game.update(0.0f));
    EXPECT_TRUE(game.exitRequested());
}

TEST_F(ScriptMasterTest, UnknownCommandsToTheScriptMasterAreIgnored) {
    ScriptMaster* master =
        makeFastScript("<event time=\"0 0 0\" target=\"script\" command=\"SetOffset\">2 0 0</event>"
                       "<event time=\"0 0 0\" target=\"script\" command=\"Exit\"/>");
    at(master, 0.0);
    EXPECT_EQ(master->stepOffset, 0);
    EXPECT_FALSE(game.exitRequested());
}

class ScriptMasterCameraTest : public ScriptMasterTest {
protected:
    void SetUp() override {
        ScriptMasterTest::SetUp();
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
                boxes.push_back(caption + "|" + text);
            });
        camera = new Zem::Main::Camera(XmlNode("<entity name=\"cam\"/>"));
        other = new Zem::Main::Camera(XmlNode("<entity name=\"other\"/>"));
        boxes.clear();
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousHandler); }

    ScriptMaster* switchTo(const std::string& cameraName) {
        ScriptMaster* master =
            makeFastScript("<event time=\"0 0 0\" target=\"script\" command=\"setcamera\">" +
                           cameraName + "</event>");
        at(master, 0.0);
        return master;
    }

    Zem::Main::MessageBoxHandler previousHandler;
    std::vector<std::string> boxes;
    Zem::Main::Camera* camera = nullptr;
    Zem::Main::Camera* other = nullptr;
};

TEST_F(ScriptMasterCameraTest, SetCameraMakesTheNamedCameraCurrent) {
    switchTo("cam");
    EXPECT_EQ(game.currentCamera(), camera);
    switchTo("other");
    EXPECT_EQ(game.currentCamera(), other);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ScriptMasterCameraTest, UnknownCameraShowsABoxAndLeavesNoCamera) {
    switchTo("cam");
    switchTo("nobody");
    EXPECT_EQ(boxes, (std::vector<std::string>{"|Camera not found!"}));
    EXPECT_EQ(game.currentCamera(), nullptr);
    // The script goes on.
    switchTo("cam");
    EXPECT_EQ(game.currentCamera(), camera);
}

TEST_F(ScriptMasterCameraTest, AnEntityThatIsNotACameraCountsAsNotFound) {
    switchTo("cam");
    switchTo("rec");
    EXPECT_EQ(boxes, (std::vector<std::string>{"|Camera not found!"}));
    EXPECT_EQ(game.currentCamera(), nullptr);
}

TEST_F(ScriptMasterTest, WithoutBpmItIsRejectedAndStaysInert) {
    testing::internal::CaptureStdout();
    ScriptMaster* master =
        makeScript("<offset>50</offset>", "<event time=\"0 0 0\" target=\"rec\" command=\"a\"/>"
                                          "<repeat start=\"0 0 0\" end=\"0 1 0\" step=\"0 0 1\">"
                                          "<event target=\"rec\" command=\"tick\"/></repeat>");
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("ScriptMaster \"script\""), std::string::npos) << said;
    EXPECT_NE(said.find("\"bpm\""), std::string::npos) << said;
    EXPECT_FALSE(master->isScripted());
    at(master, 0.0);
    at(master, 10000.0);
    EXPECT_TRUE(takeReceived().empty());
    EXPECT_TRUE(master->automators.empty());
    // The music clock still runs for anyone reading it.
    EXPECT_EQ(master->musicTimeMs(), 10050);
    EXPECT_EQ(master->currentStep(), 0);
}

TEST_F(ScriptMasterTest, BpmThatIsNotAPositiveNumberIsRejected) {
    for (const char* bpm : {"fast", "0", "-120"}) {
        testing::internal::CaptureStdout();
        ScriptMaster* master = makeScript(std::string("<bpm>") + bpm + "</bpm>", "");
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(master->isScripted()) << bpm;
        EXPECT_NE(said.find("\"bpm\""), std::string::npos) << said;
    }
}

TEST_F(ScriptMasterTest, WithoutOffsetTheClockIsUnshifted) {
    ScriptMaster* master = makeScript("<bpm>120</bpm>", "");
    EXPECT_EQ(master->clockOffsetMs, 0);
    EXPECT_TRUE(master->isScripted());
    EXPECT_EQ(musicCalls.at(1), "buffer 0");
}

} // namespace
