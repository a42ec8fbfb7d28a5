#include "app/Transport.h"
#include "input/VirtualKeys.h"
#include "support/FakeDrivers.h"
#include "support/StandInShow.h"

#include <gtest/gtest.h>

#include <vector>

using Zem::App::Transport;
using namespace Zem::Input::VirtualKey;

namespace {

// A show that stands wherever it is put and keeps the seeks asked of it.
class StandingShow : public ZemTest::StandInShow {
public:
    int32_t showTimeMs() const override { return timeMs; }
    void seek(int32_t heardMs) override {
        timeMs = heardMs;
        seeks.push_back(heardMs);
    }
    void setPaused(bool pause) override { isPaused = pause; }
    bool paused() const override { return isPaused; }
    bool hasClock() const override { return clock; }

    bool clock = true;
    int32_t timeMs = 0;
    bool isPaused = false;
    std::vector<int32_t> seeks;
};

// A transport started at 10 s.
class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport.begin();
        show.seeks.clear();
    }
    // The key held for `frames` frames, then let go.
    void press(int key, int frames = 1) {
        for (int i = 0; i <= frames; ++i) {
            input.keys[static_cast<std::size_t>(key)] = i < frames ? 1.0f : 0.0f;
            transport.handleKeys(input);
        }
    }

    StandingShow show;
    ZemTest::StillInput input;
    Transport transport{show, 10.0, -1.0, false};
};

TEST_F(TransportTest, BeginGoesToTheStart) {
    StandingShow fresh;
    Transport(fresh, 2.5, -1.0, false).begin();
    EXPECT_EQ(fresh.seeks, (std::vector<int32_t>{2500}));
}

TEST_F(TransportTest, AKeyHeldForSeveralFramesActsOnce) {
    press(Right, 3);
    EXPECT_EQ(show.seeks, (std::vector<int32_t>{15000}));
}

TEST_F(TransportTest, LeftJumpsBackFiveSeconds) {
    press(Left);
    EXPECT_EQ(show.timeMs, 5000);
}

TEST_F(TransportTest, SpacePausesAndResumes) {
    press(Space);
    EXPECT_TRUE(show.paused());
    press(Space);
    EXPECT_FALSE(show.paused());
}

TEST_F(TransportTest, HomeGoesToTheStartAskedFor) {
    press(Right);
    press(Home);
    EXPECT_EQ(show.timeMs, 10000);
}

class TransportEndTest : public ::testing::Test {
protected:
    StandingShow show;
};

TEST_F(TransportEndTest, BeforeTheEndTheShowGoesOn) {
    Transport transport(show, 2.0, 3.0, false);
    show.timeMs = 2999;
    EXPECT_TRUE(transport.goesOn());
}

TEST_F(TransportEndTest, AtTheEndTheRunIsOver) {
    Transport transport(show, 2.0, 3.0, false);
    show.timeMs = 3000;
    EXPECT_FALSE(transport.goesOn());
}

// A show whose time stands (no script) still ends, by the time it has played.
TEST_F(TransportEndTest, WithoutAClockTheEndComesByTheTimePlayed) {
    show.clock = false;
    double now = 500.0;
    Transport transport(show, 0.0, 2.0, false, [&now] { return now; });
    transport.begin();
    now = 2499.0;
    EXPECT_TRUE(transport.goesOn());
    now = 2500.0;
    EXPECT_FALSE(transport.goesOn());
}

TEST_F(TransportEndTest, AtTheEndALoopGoesBackToTheStart) {
    Transport transport(show, 2.0, 3.0, true);
    show.timeMs = 3000;
    EXPECT_TRUE(transport.goesOn());
    EXPECT_EQ(show.timeMs, 2000);
}

} // namespace
