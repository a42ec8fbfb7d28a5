#include "resource/readLongestNumber.h"

#include "ResourceTestSupport.h"

#include <sstream>

namespace {

using Zem::Resource::readLongestNumber;

// The first number of the text read over the value 7, as a float and as a double.
template <typename Number> Number firstNumber(const char* text, bool readable = true) {
    std::istringstream in(text);
    Number value = 7;
    EXPECT_EQ(readLongestNumber(in, value), readable) << text;
    EXPECT_EQ(in.fail(), !readable) << text;
    return value;
}

TEST(readLongestNumberTest, TakesTheLongestValidNumber) {
    const std::pair<const char*, double> cases[] = {
        {"2e", 2},     {"1.5e+", 1.5}, {"3.25E-x", 3.25}, {"-4e2", -400},
        {" +.5e1", 5}, {"6.", 6},      {"1e-", 1},        {"12abc", 12}};
    for (const auto& [text, number] : cases) {
        EXPECT_EQ(firstNumber<float>(text), static_cast<float>(number)) << text;
        EXPECT_EQ(firstNumber<double>(text), number) << text;
    }
}

TEST(readLongestNumberTest, TextWithoutAValidNumberFailsAndKeepsTheValue) {
    for (const char* text : {"e5", "-", ".", "+-1", "1e999", ""}) {
        EXPECT_EQ(firstNumber<float>(text, false), 7.0f) << text;
        EXPECT_EQ(firstNumber<double>(text, false), 7.0) << text;
    }
}

// As stream extraction has it; a value beyond the type's range ("1e999") still fails.
TEST(readLongestNumberTest, ANumberTooSmallForItsTypeReadsZero) {
    const std::string tiny = "0." + std::string(50, '0') + "1";
    EXPECT_EQ(firstNumber<float>("1e-50"), 0.0f);
    EXPECT_EQ(firstNumber<float>(tiny.c_str()), 0.0f);
    EXPECT_EQ(firstNumber<double>("-1e-400"), 0.0);
}

// So "2e 1 3" still reads as three numbers.
TEST(readLongestNumberTest, ADanglingExponentIsConsumedWithTheNumber) {
    std::istringstream in("2e 1 3");
    float numbers[3] = {};
    for (float& number : numbers) {
        ASSERT_TRUE(readLongestNumber(in, number));
    }
    EXPECT_EQ(numbers[1], 1.0f);
    EXPECT_EQ(numbers[2], 3.0f);
}

} // namespace
