#include "resource/WordReader.h"

#include <charconv>
#include <cmath>

namespace Zem::Resource {

namespace {

// A number out of float range is too small rather than too large when its exponent is
// negative: no mantissa written in an OBJ or MTL file makes up for that.
bool isUnderflow(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    return e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
}

// Parses a float at the start of text; returns how many characters it used, 0 for none.
// Hexadecimal and the words "inf" and "nan" are not numbers here, as for stream extraction.
std::size_t parseFloatPrefix(std::string_view text, float& value) {
    std::size_t start = 0;
    if (!text.empty() && text[0] == '+') {
        start = 1;
        if (text.size() > 1 && (text[1] == '+' || text[1] == '-')) {
            return 0;
        }
    }
    float parsed = 0.0f;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (end == first) {
        return 0;
    }
    if (error == std::errc::result_out_of_range &&
        isUnderflow(std::string_view(first, end - first))) {
        // Too small for a float: a stream reads it as zero.
        parsed = *first == '-' ? -0.0f : 0.0f;
    } else if (error != std::errc() || !std::isfinite(parsed)) {
        return 0;
    }
    value = parsed;
    return static_cast<std::size_t>(end - text.data());
}

} // namespace

void WordReader::skipBlanks() {
    std::size_t i = 0;
    while (i < rest_.size() && isBlank(rest_[i])) {
        ++i;
    }
    rest_.remove_prefix(i);
}

std::string_view WordReader::next() {
    skipBlanks();
    std::size_t length = 0;
    while (length < rest_.size() && !isBlank(rest_[length])) {
        ++length;
    }
    const std::string_view word = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return word;
}

std::string_view WordReader::rest() {
    skipBlanks();
    return rest_;
}

// Reads the number straight from the line, then passes over what is left of its word: the
// word is scanned once.
bool WordReader::nextWordFloat(float& value) {
    skipBlanks();
    float parsed = 0.0f;
    const std::size_t used = parseFloatPrefix(rest_, parsed);
    std::size_t end = used;
    while (end < rest_.size() && !isBlank(rest_[end])) {
        ++end;
    }
    rest_.remove_prefix(end);
    if (used == 0) {
        return false;
    }
    value = parsed;
    return true;
}

bool WordReader::nextFloat(float& value) {
    skipBlanks();
    const std::size_t used = parseFloatPrefix(rest_, value);
    rest_.remove_prefix(used);
    return used != 0;
}

bool WordReader::nextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) {
        return false;
    }
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        line = text;
        text = {};
    } else {
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    return true;
}

bool WordReader::toFloat(std::string_view word, float& value) {
    float parsed = 0.0f;
    if (word.empty() || parseFloatPrefix(word, parsed) != word.size()) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace Zem::Resource
