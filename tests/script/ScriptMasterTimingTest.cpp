#include "main/BaseEntity.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"
#include "script/SilentMusic.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using Zem::Resource::XmlNode;

namespace {

// A script master on a silent clock the test sets; its music starts at 0.
class ScriptClock {
public:
    explicit ScriptClock(const std::string& settings, const std::string& script = "")
        : master(XmlNode("<entity name='s'>" + settings + "<script>" + script +
                         "</script></entity>"),
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

INSTANTIATE_TEST_SUITE_P(Tempos, ScriptMasterStepBoundary, ::testing::Values(60.0, 72.0, 120.0, 137.0),
                         [](const auto& info) {
                             return std::to_string(static_cast<int>(info.param)) + "bpm";
                         });

TEST(ScriptMasterTiming, OneSecondAtSixtyBeatsAMinuteIsStepFour) {
    ScriptClock clock("<offset>0</offset><bpm>60</bpm>");
    EXPECT_EQ(clock.stepAt(1000.0), 4);
}

TEST(ScriptMasterTiming, AnEventIsDeliveredOnTheMillisecondOfItsTime) {
    ScriptClock clock("<offset>0</offset><bpm>120</bpm>",
                      "<event time='1 0 0' target='s' command='exit'/>");
    EXPECT_FALSE(clock.exitsAt(1999.0));
    EXPECT_TRUE(clock.exitsAt(2000.0));
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

// A script master that is updated first at 3 s (its room became active then) hears its music
// from 0 at that moment.
TEST(SilentMusicTest, TheMusicStartsWhenItIsPlayed) {
    double nowMs = 3000.0;
    SilentMusic music([&nowMs] { return nowMs; });
    music.setBufferSize(100);
    MusicStream* stream = music.openStream("", 0, 0, 0);
    music.playStream(0, stream);
    nowMs = 3250.0;
    EXPECT_EQ(music.streamTime(stream) + 100, 250);
}

TEST(SilentMusicTest, APlayJustBeforeTheSourcesZeroCountsFromZero) {
    double nowMs = -20.0;
    SilentMusic music([&nowMs] { return nowMs; });
    MusicStream* stream = music.openStream("", 0, 0, 0);
    music.playStream(0, stream);
    nowMs = 500.0;
    EXPECT_EQ(music.streamTime(stream), 500);
}

} // namespace
