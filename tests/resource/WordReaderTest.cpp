#include "resource/WordReader.h"

#include "ResourceTestSupport.h"

#include <cmath>

namespace {

using Zem::Resource::WordReader;

// Words starting with a number, and that number as stream extraction reads it.
const std::pair<const char*, float> numberWords[] = {
    {"2.", 2.0f},    {"3.1+e2", 3.1f}, {"-4e", -4.0f},   {"+.5x", 0.5f},
    {"1e-50", 0.0f}, {"1,5", 1.0f},    {"7/8", 7.0f},    {"0x1p3", 0.0f},
    {"-0", -0.0f},   {"1e3", 1000.0f}, {"-1e-60", -0.0f}};

TEST(WordReaderTest, AWordGivesTheLongestNumberItStartsWith) {
    for (const auto& [word, value] : numberWords) {
        float got = 99.0f;
        EXPECT_TRUE(WordReader(word).nextWordFloat(got)) << word;
        EXPECT_EQ(got, value) << word;
        EXPECT_EQ(std::signbit(got), std::signbit(value)) << word;
    }
}

TEST(WordReaderTest, TheRestOfAWordIsPassedOver) {
    for (const auto& [word, value] : numberWords) {
        // The reader keeps a view of the line: the line must outlive it.
        const std::string line = std::string(" ") + word + " 5";
        WordReader words(line);
        float got = 0.0f;
        ASSERT_TRUE(words.nextWordFloat(got)) << word;
        EXPECT_TRUE(words.nextWordFloat(got) && got == 5.0f) << "after " << word;
    }
}

TEST(WordReaderTest, AWordNotStartingWithAFloatIsRefusedAndTheValueKept) {
    for (const char* word : {"", ".", "-", "+-1", "e5", "inf", "nan", "1e39", "-1e39", "x1"}) {
        float got = 99.0f;
        EXPECT_FALSE(WordReader(word).nextWordFloat(got)) << word;
        EXPECT_EQ(got, 99.0f) << word;
    }
}

} // namespace
