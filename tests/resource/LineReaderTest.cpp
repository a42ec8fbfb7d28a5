#include "resource/LineReader.h"

#include <gtest/gtest.h>

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

// Lines far longer than a read block, empty ones, and a last line without a feed.
TEST(LineReaderTest, StreamGivesTheSameLinesAsMemoryOnEveryPass) {
    const std::vector<std::string> expected = {"", std::string(3'000'000, 'x'), "a\r",
                                               "", std::string(70'000, 'y'),    "last"};
    std::string text;
    for (const std::string& line : expected) {
        text += line + "\n";
    }
    text.pop_back();
    std::istringstream stream(text);
    LineReader fromStream(stream);
    LineReader fromMemory(text);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        EXPECT_EQ(readAll(fromStream), expected);
        EXPECT_EQ(readAll(fromMemory), expected);
        ASSERT_TRUE(fromStream.rewind());
        ASSERT_TRUE(fromMemory.rewind());
    }
}

} // namespace
