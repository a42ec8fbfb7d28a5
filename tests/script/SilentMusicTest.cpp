#include "script/SilentMusic.h"

#include <gtest/gtest.h>

namespace {

// As every music layer: the readers add the offset back.
TEST(SilentMusicTest, TheStreamTimeIsTheHeardTimeLessTheBufferLength) {
    double nowMs = 4001.0;
    SilentMusic music([&nowMs] { return nowMs; });
    music.setBufferSize(100);
    MusicStream* stream = music.openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    ASSERT_TRUE(music.playStream(0, stream));
    EXPECT_EQ(music.streamTime(stream), 3901);
}

} // namespace
