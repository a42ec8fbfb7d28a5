#include "resource/OggVorbisDecoder.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Zem::Resource::OggVorbisDecoder;

const std::string shipped = "data/Ombrel.ogg";

// What libvorbisfile itself says of a file's first link and its length.
struct PageFacts {
    int channels = 0;
    long rate = 0;
    int64_t frames = 0;
};

PageFacts pageFacts(const std::string& path) {
    PageFacts facts;
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return facts;
    }
    if (const vorbis_info* info = ov_info(&file, -1)) {
        facts.channels = info->channels;
        facts.rate = info->rate;
    }
    facts.frames = ov_pcm_total(&file, -1);
    ov_clear(&file);
    return facts;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(OggVorbisDecoderTest, ReportsTheChannelsAndRateOfTheShippedMusic) {
    const PageFacts facts = pageFacts(shipped);
    ASSERT_GT(facts.channels, 0);
    const OggVorbisDecoder music(shipped);
    EXPECT_EQ(music.channels(), facts.channels);
    EXPECT_EQ(music.rate(), facts.rate);
}

TEST(OggVorbisDecoderTest, DecodesTheShippedMusicToTheLengthItsPagesGive) {
    const PageFacts facts = pageFacts(shipped);
    ASSERT_GT(facts.frames, 0);
    OggVorbisDecoder music(shipped);
    const std::vector<int16_t> samples = music.decodeAll();
    EXPECT_EQ(music.status(), OggVorbisDecoder::Status::complete) << music.reason();
    EXPECT_EQ(static_cast<int64_t>(samples.size()), facts.frames * facts.channels);
}

TEST(OggVorbisDecoderTest, MissingFileGivesNoSamplesAndAReasonNamingIt) {
    const ZemTest::TempDir dir;
    const std::string path = dir.file("none.ogg");
    OggVorbisDecoder music(path);
    EXPECT_TRUE(music.decodeAll().empty());
    EXPECT_NE(music.reason().find(path), std::string::npos) << music.reason();
}

TEST(OggVorbisDecoderTest, FileOfRandomBytesGivesNoSamplesAndAReasonNamingIt) {
    const ZemTest::TempDir dir;
    const std::string path = dir.file("noise.ogg");
    std::mt19937 random(7);
    std::string bytes(40960, '\0');
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<char>(random()); });
    writeFile(path, bytes);
    OggVorbisDecoder music(path);
    EXPECT_TRUE(music.decodeAll().empty());
    EXPECT_NE(music.reason().find(path), std::string::npos) << music.reason();
}

TEST(OggVorbisDecoderTest, FileCutShortGivesTheFramesBeforeTheCut) {
    const ZemTest::TempDir dir;
    const std::string path = dir.file("cut.ogg");
    writeFile(path, ZemTest::TempDir::readFile(shipped).substr(0, 40960));
    const std::vector<int16_t> whole = OggVorbisDecoder(shipped).decodeAll();
    const std::vector<int16_t> cut = OggVorbisDecoder(path).decodeAll();
    ASSERT_FALSE(cut.empty());
    ASSERT_LT(cut.size(), whole.size());
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), whole.begin()));
}

} // namespace
