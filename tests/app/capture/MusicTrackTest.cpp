#include "app/capture/MusicTrack.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using Zem::App::MusicTrack;

namespace {

// The show's music, decoded once.
const MusicTrack& score() {
    static const MusicTrack track = MusicTrack::decode("data/Ombrel.ogg");
    return track;
}

// Half a second of the score from a quarter of a second before its end: the second half is
// silence.
class MusicTrackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(score().empty()) << score().error();
        ASSERT_TRUE(score().writeWav(dir.file("a.wav"), score().lengthMs() - 250.0, frames));
        wav = ZemTest::TempDir::readFile(dir.file("a.wav"));
    }
    // The little-endian 32-bit field at `at`.
    uint32_t field(std::size_t at) const {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<uint8_t>(wav.at(at + static_cast<std::size_t>(i)));
        }
        return value;
    }

    ZemTest::TempDir dir;
    const int64_t frames = score().rate() / 2;
    std::string wav;
};

TEST_F(MusicTrackTest, DecodesTheWholeScore) {
    EXPECT_GT(score().lengthMs(), 10000.0);
}

TEST_F(MusicTrackTest, WritesTheFramesAskedForAfterAHeader) {
    EXPECT_EQ(wav.size(), 44u + static_cast<std::size_t>(frames) * score().channels() * 2);
}

// The RIFF size, the bytes a second and the size of the data.
TEST_F(MusicTrackTest, TheHeaderDescribesTheSamples) {
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(field(4), wav.size() - 8);
    EXPECT_EQ(field(28), static_cast<uint32_t>(score().rate() * score().channels() * 2));
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(field(40), wav.size() - 44);
}

TEST_F(MusicTrackTest, PastTheEndOfTheMusicIsSilence) {
    EXPECT_EQ(wav.substr(wav.size() - 1000), std::string(1000, '\0'));
}

TEST_F(MusicTrackTest, TheCoveredPartHoldsTheMusic) {
    EXPECT_NE(wav.substr(44, 4000), std::string(4000, '\0'));
}

TEST(MusicTrackDecodeTest, AFileThatCannotBeDecodedGivesAnEmptyTrackNamingIt) {
    const MusicTrack missing = MusicTrack::decode("data/none.ogg");
    EXPECT_TRUE(missing.empty());
    EXPECT_NE(missing.error().find("data/none.ogg"), std::string::npos) << missing.error();
}

} // namespace
