#include "resource/LineReader.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Zem::Resource::LineReader;

std::vector<std::string> readAll(LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

// Lines of every size, some far longer than a read block, with and without a final line feed.
TEST(LineReaderTest, StreamGivesTheSameLinesAsMemoryAcrossBlocks) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> length(0, 300);
    std::vector<std::string> expected;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        std::string line(i == 7000 ? 3'000'000 : length(random), char('a' + i % 26));
        if (i % 5 == 0) {
            line += '\r';
        }
        expected.push_back(line);
        text += line + "\n";
    }
    expected.push_back("last line without a feed");
    text += expected.back();

    std::istringstream stream(text);
    LineReader fromStream(stream);
    LineReader fromMemory(text);
    EXPECT_EQ(readAll(fromStream), expected);
    EXPECT_EQ(readAll(fromMemory), expected);
    ASSERT_TRUE(fromStream.rewind());
    ASSERT_TRUE(fromMemory.rewind());
    EXPECT_EQ(readAll(fromStream), expected) << "second pass";
    EXPECT_EQ(readAll(fromMemory), expected);
}

TEST(LineReaderTest, EmptyLinesAndEmptyText) {
    LineReader empty{std::string_view()};
    EXPECT_TRUE(readAll(empty).empty());
    std::istringstream stream("\n\nx\n");
    LineReader reader(stream);
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"", "", "x"}));
}

TEST(LineReaderTest, StreamStartsWhereItStood) {
    std::istringstream stream("header\nfirst\nsecond\n");
    std::string skipped;
    std::getline(stream, skipped);
    LineReader reader(stream);
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"first", "second"}));
    ASSERT_TRUE(reader.rewind());
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"first", "second"}));
}

// A buffer that can be read once and never sought.
class OneWayBuffer : public std::streambuf {
public:
    explicit OneWayBuffer(std::string text) : text(std::move(text)) {
        setg(this->text.data(), this->text.data(), this->text.data() + this->text.size());
    }

private:
    std::string text;
};

TEST(LineReaderTest, StreamThatCannotSeekCannotRewind) {
    OneWayBuffer buffer("a\nb\n");
    std::istream stream(&buffer);
    LineReader reader(stream);
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(reader.rewind());
}

} // namespace
