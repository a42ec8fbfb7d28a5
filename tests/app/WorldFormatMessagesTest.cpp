// The makers' reference lists the messages they may meet; each must be one the program can say.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

// Every string literal of the program's sources, adjacent ones joined as the compiler joins them.
std::vector<std::string> literalsOfTheSources() {
    const std::regex adjacent("\"\\s*\\n\\s*\"");
    const std::regex literal("\"((?:[^\"\\\\\\n]|\\\\.)*)\"");
    std::vector<std::string> literals;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("src")) {
        const std::string source =
            std::regex_replace(ZemTest::TempDir::readFile(entry.path().string()), adjacent, "");
        for (std::sregex_iterator at(source.begin(), source.end(), literal), end; at != end; ++at) {
            literals.push_back(std::regex_replace((*at)[1].str(), std::regex("\\\\(.)"), "$1"));
        }
    }
    return literals;
}

// The fixed words of each message in the first column of the table under "## Messages": what
// stands between its placeholders (<name>, ...), cut where a message joins its parts ("; "),
// without the quotes and blanks at either end; only pieces with three letters or more.
std::vector<std::string> fixedWordsOfTheMessageTable() {
    const std::string page = ZemTest::TempDir::readFile("docs/world-format.md");
    const std::size_t begin = page.find("\n## Messages\n");
    const std::string table = page.substr(begin, page.find("\n## ", begin + 1) - begin);
    const std::regex row("\\n\\| ([^\\n]*?) \\| [^\\n]*\\|");
    const std::regex message("`([^`]+)`");
    const std::regex between("<[^<>]*>|\\.\\.\\.|; ");
    std::vector<std::string> words;
    for (std::sregex_iterator r(table.begin(), table.end(), row), end; r != end; ++r) {
        const std::string cell = (*r)[1].str();
        for (std::sregex_iterator m(cell.begin(), cell.end(), message); m != end; ++m) {
            const std::string text = (*m)[1].str();
            for (std::sregex_token_iterator piece(text.begin(), text.end(), between, -1), last;
                 piece != last; ++piece) {
                std::string fixed = piece->str();
                const auto loose = [](char c) { return c == ' ' || c == '"'; };
                while (!fixed.empty() && loose(fixed.front())) {
                    fixed.erase(0, 1);
                }
                while (!fixed.empty() && loose(fixed.back())) {
                    fixed.pop_back();
                }
                int letters = 0;
                for (char c : fixed) {
                    letters += std::isalpha(static_cast<unsigned char>(c)) ? 1 : 0;
                }
                if (letters >= 3) {
                    words.push_back(fixed);
                }
            }
        }
    }
    return words;
}

TEST(WorldFormatMessagesTest, EveryMessageItListsIsOneTheProgramCanSay) {
    const std::vector<std::string> literals = literalsOfTheSources();
    const std::vector<std::string> words = fixedWordsOfTheMessageTable();
    EXPECT_GT(words.size(), 60u) << "the table was not read";
    for (const std::string& fixed : words) {
        bool said = false;
        for (const std::string& literal : literals) {
            said = said || literal.find(fixed) != std::string::npos;
        }
        EXPECT_TRUE(said) << "no message of the program says \"" << fixed << "\"";
    }
}

} // namespace
