#include "script/SilentMusic.h"

#include <gtest/gtest.h>

namespace {

// A script master that is updated first at 3 s (its room became active then) hears its music
// from 0 at that moment. As from every music layer, the stream time lacks the buffer length,
// which the readers add back.
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
