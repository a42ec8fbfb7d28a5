#include "app/PictureLead.h"

#include <gtest/gtest.h>

namespace {

using Zem::App::PictureLead;

// Turns ending every intervalMs from startMs on; the lead after the last.
double turnsEvery(PictureLead& lead, double intervalMs, int turns, double startMs = 0.0) {
    double leadMs = 0.0;
    for (int i = 0; i < turns; ++i) {
        leadMs = lead.turnEnded(startMs + i * intervalMs);
    }
    return leadMs;
}

TEST(PictureLeadTest, IsOneAndAHalfFrameIntervals) {
    PictureLead lead;
    EXPECT_DOUBLE_EQ(turnsEvery(lead, 20.0, PictureLead::window + 1), 30.0);
}

TEST(PictureLeadTest, StaysZeroUntilAFullWindowOfFramesWasTimed) {
    PictureLead lead;
    EXPECT_DOUBLE_EQ(turnsEvery(lead, 20.0, PictureLead::window), 0.0);
}

TEST(PictureLeadTest, OneSlowFrameDoesNotMoveIt) {
    PictureLead lead;
    turnsEvery(lead, 20.0, PictureLead::window + 1);
    const double last = 20.0 * PictureLead::window;
    EXPECT_DOUBLE_EQ(lead.turnEnded(last + 200.0), 30.0);
}

// A lead that drops at once would run the show's time back; it shrinks by at most half a
// frame interval a frame.
TEST(PictureLeadTest, ShrinksByAtMostHalfAFrameIntervalAFrame) {
    PictureLead lead;
    turnsEvery(lead, 100.0, PictureLead::window + 1);
    const double before = lead.leadMs();
    double now = 100.0 * PictureLead::window;
    double after = before;
    for (std::size_t i = 0; i < PictureLead::window; ++i) {
        now += 10.0;
        const double next = lead.turnEnded(now);
        EXPECT_GE(next, after - 0.5 * 100.0) << "turn " << i;
        after = next;
    }
    EXPECT_LT(after, before);
}

TEST(PictureLeadTest, SettlesOnTheNewFrameRateAfterItChanges) {
    PictureLead lead;
    turnsEvery(lead, 100.0, PictureLead::window + 1);
    const double start = 100.0 * PictureLead::window;
    EXPECT_DOUBLE_EQ(turnsEvery(lead, 10.0, 40, start + 10.0), 15.0);
}

} // namespace
