#include "resource/readLongestNumber.h"

#include <cctype>
#include <charconv>
#include <istream>
#include <string>
#include <string_view>
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

// Whether a valid decimal number (sign, digits with at most one point, exponent) is below 1 in
// size. One out of its type's range is then too small for it rather than too large.
bool isBelowOne(std::string_view number) {
    std::size_t i = number[0] == '+' || number[0] == '-' ? 1 : 0;
    long integerDigits = 0; // from the first that is not 0
    long zerosAfterPoint = 0;
    bool point = false;
    bool nonZero = false;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            point = true;
        } else if (!point && (nonZero || c != '0')) {
            nonZero = true;
            ++integerDigits;
        } else if (point && !nonZero) {
            nonZero = c != '0';
            zerosAfterPoint += nonZero ? 0 : 1;
        }
    }
    if (!nonZero) {
        return false;
    }
    // An exponent too long to matter is cut short.
    long exponent = 0;
    const bool negative = i + 1 < number.size() && number[i + 1] == '-';
    for (++i; i < number.size(); ++i) {
        if (isDigit(number[i]) && exponent < 100000) {
            exponent = exponent * 10 + (number[i] - '0');
        }
    }
    const long leading = integerDigits > 0 ? integerDigits - 1 : -(zerosAfterPoint + 1);
    return leading + (negative ? -exponent : exponent) < 0;
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
    if (error == std::errc::result_out_of_range && end == last &&
        isBelowOne(std::string_view(first, static_cast<std::size_t>(last - first)))) {
        // Too small for the type: it reads 0, as stream extraction has it.
        value = *first == '-' ? -Number(0) : Number(0);
    } else if (error != std::errc() || end != last) {
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
