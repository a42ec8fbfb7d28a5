#include "ScriptTestSupport.h"

#include "resource/XmlNode.h"
#include "script/Automator.h"

#include <gtest/gtest.h>

using ScriptTest::Received;
using Zem::Resource::XmlNode;

namespace {

class AutomatorTest : public ::testing::Test {
protected:
    ZemTest::FrameGame game;
    ScriptTest::Recorder* recorder = new ScriptTest::Recorder(XmlNode("<entity name='rec'/>"));
    const XmlNode tick{"<event target='rec' command='tick'/>"};
};

TEST_F(AutomatorTest, DeliversEveryRepetitionMissedSinceTheLastCall) {
    Automator even(0, 20, 2, tick);
    EXPECT_TRUE(even.advance(2));
    EXPECT_TRUE(even.advance(9));
    EXPECT_EQ(recorder->received,
              (Received{{0, "tick"}, {2, "tick"}, {4, "tick"}, {6, "tick"}, {8, "tick"}}));
}

TEST_F(AutomatorTest, EndsWithTheLastRepetitionBeforeItsEnd) {
    Automator even(0, 20, 2, tick);
    EXPECT_FALSE(even.advance(100));
    EXPECT_EQ(recorder->received.back(), (std::pair<int, std::string>{18, "tick"}));
}

TEST_F(AutomatorTest, DeliversAsManyAsMaxCatchUpAtOnce) {
    Automator each(0, 1000, 1, tick);
    each.advance(Automator::maxCatchUp - 1);
    EXPECT_EQ(recorder->received.size(), std::size_t(Automator::maxCatchUp));
}

TEST_F(AutomatorTest, OfMoreThanMaxCatchUpDueOnlyTheLatestIsDelivered) {
    Automator each(0, 1000, 1, tick);
    each.advance(900);
    EXPECT_EQ(recorder->received, (Received{{900, "tick"}}));
}

} // namespace
