#include "app/musicLengthMs.h"

#include <gtest/gtest.h>

namespace {

// The shipped score: 75 bars at 120 beats a minute.
TEST(musicLengthMsTest, IsReadFromTheFilesPages) {
    EXPECT_NEAR(Zem::App::musicLengthMs("data/Ombrel.ogg"), 150000, 1000);
}

TEST(musicLengthMsTest, AFileThatIsNoMusicHasNone) {
    EXPECT_EQ(Zem::App::musicLengthMs("data/main.world"), -1);
}

} // namespace
