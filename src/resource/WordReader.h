#pragma once

#include <string_view>

namespace Zem::Resource {

// Splits one line of a text format into words the way stream extraction does: blanks are
// space, tab, line and page breaks and carriage return, so a line read from a file with
// Windows line ends needs no trimming.
class WordReader {
public:
    explicit WordReader(std::string_view line) : rest_(line) {}

    // The next word; empty when the line is exhausted.
    std::string_view next();
    // What is left of the line, leading blanks removed.
    std::string_view rest();

    // The longest number at the start of the next word, the rest of the word ignored, as
    // stream extraction reads it: "2." gives 2, "3.1+e2" gives 3.1. False when the word is
    // missing, does not start with a number, or is out of float range (too small reads as 0);
    // the value is then left as it was.
    bool nextWordFloat(float& value);
    // Stream-style: reads the longest number at the current place and stops right after it,
    // so "0.5abc" gives 0.5 and the following read fails on "abc". False when nothing here
    // reads as a finite float; the value is then left as it was.
    bool nextFloat(float& value);

    // Takes the next line (without its line feed) off the front of text; false at the end.
    static bool nextLine(std::string_view& text, std::string_view& line);

    static bool isBlank(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    // The whole word as a finite float; an optional "+" sign is accepted as streams do.
    static bool toFloat(std::string_view word, float& value);

private:
    void skipBlanks();

    std::string_view rest_;
};

} // namespace Zem::Resource
