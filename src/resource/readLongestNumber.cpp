#include "resource/readLongestNumber.h"

#include <cctype>
#include <charconv>
#include <istream>
#include <string>
#include <system_error>

namespace Zem::Resource {

namespace {

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// Takes every character that could still belong to a number and returns how many of them form
// the longest valid one (0 when none).
std::size_t scanNumber(std::istream& in, std::string& taken) {
    enum class State { Sign, Mantissa, Exponent, ExponentDigits };
    State state = State::Sign;
    bool point = false;
    bool mantissaDigit = false;
    std::size_t valid = 0;
    for (;;) {
        const int c = in.peek();
        if (c == std::char_traits<char>::eof()) {
            break;
        }
        bool accepted = false;
        switch (state) {
        case State::Sign:
            if (c == '+' || c == '-') {
                accepted = true;
                state = State::Mantissa;
                break;
            }
            state = State::Mantissa;
            [[fallthrough]];
        case State::Mantissa:
            if (isDigit(c)) {
                accepted = mantissaDigit = true;
            } else if (c == '.' && !point) {
                accepted = point = true;
            } else if ((c == 'e' || c == 'E') && mantissaDigit) {
                accepted = true;
                state = State::Exponent;
            }
            break;
        case State::Exponent:
            if (c == '+' || c == '-') {
                accepted = true;
                state = State::ExponentDigits;
            } else if (isDigit(c)) {
                accepted = true;
                state = State::ExponentDigits;
            }
            break;
        case State::ExponentDigits:
            accepted = isDigit(c);
            break;
        }
        if (!accepted) {
            break;
        }
        taken.push_back(static_cast<char>(in.get()));
        const bool complete = state == State::ExponentDigits ? isDigit(c)
                              : state == State::Mantissa     ? mantissaDigit
                                                             : false;
        if (complete) {
            valid = taken.size();
        }
    }
    return valid;
}

template <typename Number> bool readPrefix(std::istream& in, Number& target) {
    std::istream::sentry skipBlanks(in);
    if (!skipBlanks) {
        return false;
    }
    std::string taken;
    const std::size_t valid = scanNumber(in, taken);
    if (valid == 0) {
        in.setstate(std::ios::failbit);
        return false;
    }
    const char* first = taken.data();
    const char* last = taken.data() + valid;
    if (*first == '+') {
        ++first;
    }
    Number value{};
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last) {
        in.setstate(std::ios::failbit);
        return false;
    }
    target = value;
    return true;
}

} // namespace

bool readLongestNumber(std::istream& in, float& target) {
    return readPrefix(in, target);
}

bool readLongestNumber(std::istream& in, double& target) {
    return readPrefix(in, target);
}

} // namespace Zem::Resource
