#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

namespace {

using Zem::Graphics::Vector3;
using Zem::Resource::readThreeNumbers;

// The text read over (7, 8, 9).
Vector3 read(const std::string& text) {
    Vector3 v(7, 8, 9);
    readThreeNumbers(text, v);
    return v;
}

TEST(ThreeNumbersTest, BlanksOrOneOtherCharacterSeparateTheNumbers) {
    for (const char* text : {"1 2 3", "1,2,3", "1, 2, 3"}) {
        EXPECT_EQ(read(text), Vector3(1, 2, 3)) << text;
    }
}

TEST(ThreeNumbersTest, ANumberThatCannotBeReadKeepsItsValue) {
    EXPECT_EQ(read("1 2"), Vector3(1, 2, 9));
    EXPECT_EQ(read("1,,3"), Vector3(1, 8, 3));
    EXPECT_EQ(read("abc"), Vector3(7, 8, 9));
    EXPECT_EQ(read(""), Vector3(7, 8, 9));
}

// A failed read would have made the next number skip the "2" as a separator.
TEST(ThreeNumbersTest, ANumberTooSmallForAFloatReadsZeroAndTheOthersFollowIt) {
    EXPECT_EQ(read("1e-50 2 3"), Vector3(0, 2, 3));
}

// Each retry skips one character; the first number has none.
TEST(ThreeNumbersTest, TheFirstNumberIsNotRetried) {
    EXPECT_EQ(read("a 2 3"), Vector3(7, 2, 3));
}

TEST(ThreeNumbersTest, EachNumberIsTheLongestValidOne) {
    EXPECT_EQ(read("2e,1.5e+,3.25E-x"), Vector3(2, 1.5f, 3.25f));
    EXPECT_EQ(read("-4e2 1 2"), Vector3(-400, 1, 2));
    EXPECT_EQ(read("3.25E-x 1 2"), Vector3(3.25f, 1, 2));
}

TEST(ThreeNumbersTest, AVectorSettingIsReadFromItsText) {
    Vector3 position;
    EXPECT_TRUE(readValue(Zem::Resource::XmlNode("<e><position>1, 2, 3</position></e>"), "position",
                          position));
    EXPECT_EQ(position, Vector3(1, 2, 3));
}

} // namespace
