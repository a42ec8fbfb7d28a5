#include "ScriptTestSupport.h"

#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"
#include "script/Automator.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

using Zem::Resource::XmlNode;

namespace {

using Received = std::vector<std::pair<int, std::string>>;

class Recorder : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    void command(int time, const XmlNode& element) override {
        received.emplace_back(time, element.attribute("command"));
    }
    Received received;
};

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

class ScriptMasterTest : public ::testing::Test {
protected:
    void SetUp() override { recorder = new Recorder(XmlNode("<entity name='rec'/>")); }

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

    ZemTest::FrameGame game;
    Recorder* recorder = nullptr;
    double nowMs = 0.0;
};

TEST_F(ScriptMasterTest, DeliversEachTimedCommandInTheUpdateWhereItFallsDue) {
    struct Case {
        std::string settings;
        std::string script;
        // Heard time of each update and what it delivers; nothing is left after the last.
        std::vector<std::pair<double, Received>> updates;
        const char* message = nullptr;
    };
    const Case cases[] = {
        // At 120 bpm a step is due from its first millisecond: 1999 ms is step 15, 2000 ms 16.
        {"<offset>0</offset><bpm>120</bpm>",
         event("1 0 0", "bar") + event("1 0 1", "step"),
         {{0, {}}, {1999, {}}, {2000, {{16, "bar"}}}, {2124, {}}, {2125, {{17, "step"}}}}},
        // The offset is the layer's to allow for: a stream time of 1900 ms is heard at 2000.
        {"<offset>100</offset><bpm>120</bpm>",
         event("1 0 0", "bar"),
         {{0, {}}, {1999, {}}, {2000, {{16, "bar"}}}}},
        {"<bpm>120</bpm>", event("1 0 0", "bar"), {{0, {}}, {1999, {}}, {2000, {{16, "bar"}}}}},
        // Document order: d, due already, waits behind c; an unknown target gets nothing.
        {tempoFast,
         event("0 0 16", "a") + event("0 0 16", "lost", "nobody") + event("0 0 16", "b") +
             event("0 0 32", "c") + event("0 0 4", "d"),
         {{0, {}}, {20, {{16, "a"}, {16, "b"}}}, {32, {{32, "c"}, {4, "d"}}}}},
        {tempoFast,
         event("0 0 0", "a") + "<!-- a frame -->" + event("0 0 0", "b"),
         {{0, {{0, "a"}}}, {0, {{0, "b"}}}}},
        {"<offset>10</offset><bpm>15000</bpm>",
         repeat("start='0 0 0' end='0 1 0' step='0 0 1'") + event("0 0 0", "after"),
         {{0, {{0, "tick"}, {0, "after"}}}, {5, {{1, "tick"}, {2, "tick"}, {3, "tick"}}}}},
        {tempoFast,
         event("0 0 0", "setoffset", "script", "1 0 0") +
             event("0 0 0", "setoffset", "script", "2 0 0") + event("1 0 0", "late"),
         {{0, {}}, {47, {}}, {48, {{48, "late"}}}}},
        {tempoFast,
         repeat("start='0 0 0' end='0 1 0' step='0 0 0'") +
             repeat("start='0 0 0' end='0 1 0' step='0 0 -2'") + event("0 0 0", "after"),
         {{0, {{0, "after"}}}, {50, {}}},
         "ScriptMaster \"script\": a \"repeat\" with the \"step\""},
        {"<offset>50</offset>",
         event("0 0 0", "a"),
         {{0, {}}, {10000, {}}},
         "ScriptMaster \"script\": no \"bpm\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings + c.script);
        std::vector<Received> delivered;
        bool left = false;
        const std::string said = ScriptTest::reportedBy([&] {
            ScriptMaster* master = makeScript(c.settings, c.script);
            for (const auto& update : c.updates) {
                at(master, update.first);
                delivered.push_back(std::exchange(recorder->received, {}));
            }
            at(master, c.updates.back().first + 1.0);
            left = !master->automators.empty() || !recorder->received.empty();
            delete master;
        });
        for (std::size_t i = 0; i < c.updates.size(); ++i) {
            EXPECT_EQ(delivered[i], c.updates[i].second) << "at " << c.updates[i].first << " ms";
        }
        EXPECT_FALSE(left);
        EXPECT_TRUE(c.message == nullptr || said.find(c.message) != std::string::npos) << said;
    }
}

// An automator delivers every missed repetition, but not its end, and at most maxCatchUp at a
// time: start="-99999999 0 0" once meant 1.6e9 deliveries in one update and the show hung.
TEST_F(ScriptMasterTest, RepeatsCatchUpWithMissedStepsButOnlyWithTheLastOfTooMany) {
    EXPECT_EQ(ScriptMaster::stepCount("0 -1 2.5"), -1);
    EXPECT_EQ(ScriptMaster::stepCount("1e30 0 0"), std::numeric_limits<int32_t>::max());

    Automator even(0, 20, 2, XmlNode("<event target='rec' command='tick'/>"));
    EXPECT_TRUE(even.advance(2));
    EXPECT_TRUE(even.advance(9));
    EXPECT_EQ(recorder->received,
              (Received{{0, "tick"}, {2, "tick"}, {4, "tick"}, {6, "tick"}, {8, "tick"}}));
    EXPECT_FALSE(even.advance(100));
    EXPECT_EQ(recorder->received.back(), (std::pair<int, std::string>{18, "tick"}));

    Automator each(0, 1000, 1, XmlNode("<event target='rec' command='tock'/>"));
    recorder->received.clear();
    each.advance(Automator::maxCatchUp - 1);
    EXPECT_EQ(recorder->received.size(), std::size_t(Automator::maxCatchUp));
    recorder->received.clear();
    each.advance(900);
    EXPECT_EQ(recorder->received, (Received{{900, "tock"}}));

    // The step due at 0, then 1 to 5 one by one: a few at a time is ordinary catching up.
    recorder->received.clear();
    ScriptMaster* master =
        makeScript(tempoFast, repeat("start='-99999999 0 0' end='1 0 0' step='0 0 1'"));
    at(master, 0.0);
    at(master, 5.0);
    EXPECT_EQ(
        recorder->received,
        (Received{{0, "tick"}, {1, "tick"}, {2, "tick"}, {3, "tick"}, {4, "tick"}, {5, "tick"}}));
}

TEST_F(ScriptMasterTest, ExitEndsTheGameUpdateInWhichItIsDelivered) {
    makeScript(tempoFast, event("0 0 5", "exit", "script"));
    for (const double ms : {0.0, 4.0, 5.0}) {
        nowMs = ms;
        EXPECT_EQ(game.update(0.0f), ms < 5.0) << ms;
    }
}

TEST_F(ScriptMasterTest, SetCameraTreatsAnythingButACameraAsNotFound) {
    int boxes = 0;
    const auto previous =
        Zem::Main::setMessageBoxHandler([&](const std::string&, const std::string& text, auto) {
            boxes += text == "Camera not found!";
        });
    auto* camera = new Zem::Main::Camera(XmlNode("<entity name='cam'/>"));
    const std::pair<const char*, const Zem::Main::Camera*> names[] = {
        {"cam", camera}, {"nobody", nullptr}, {"cam", camera}, {"rec", nullptr}};
    std::string script;
    for (int i = 0; i < 4; ++i) {
        script += event("0 0 " + std::to_string(i), "setcamera", "script", names[i].first);
    }
    ScriptMaster* master = makeScript(tempoFast, script);
    for (int ms = 0; ms < 4; ++ms) {
        at(master, ms);
        EXPECT_EQ(game.currentCamera(), names[ms].second) << ms;
    }
    EXPECT_EQ(boxes, 2);
    Zem::Main::setMessageBoxHandler(previous);
}

} // namespace
