#include "resource/LineReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// A file saved by an editor that writes no line feed after its last line.
TEST(LineReaderTest, TheLastLineOfAStreamNeedsNoLineFeed) {
    std::istringstream file("v 0 0 0\nf 1 2 3");
    Zem::Resource::LineReader reader(file);
    std::vector<std::string> lines;
    for (std::string_view line; reader.next(line);) {
        lines.emplace_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"v 0 0 0", "f 1 2 3"}));
}

} // namespace
