#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

namespace {

using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

class ReadValueTest : public ::testing::Test {
protected:
    // The setting `key` read over the default 7.
    template <typename Number> Number read(const char* key, bool found = true) const {
        Number value = 7;
        EXPECT_EQ(readValue(settings, key, value), found) << key;
        return value;
    }

    const XmlNode settings{"<s><w> 640 </w><a>12abc</a><b>3.7</b><n>abc</n>"
                           "<big>99999999999</big><e/><f>2e</f><g>1.5e+</g><h>3.25E-x</h>"
                           "<x>e5</x><huge>1e999</huge></s>"};
};

TEST_F(ReadValueTest, AnIntegerIsTheNumberTheTextStartsWith) {
    EXPECT_EQ(read<int>("w"), 640);
    EXPECT_EQ(read<int>("a"), 12);
    EXPECT_EQ(read<int>("b"), 3);
}

TEST_F(ReadValueTest, AnIntegerThatDoesNotReadKeepsTheDefault) {
    for (const char* key : {"n", "big", "e"}) {
        EXPECT_EQ(read<int>(key), 7) << key;
    }
}

TEST_F(ReadValueTest, AMissingSettingIsFalseAndKeepsTheDefault) {
    EXPECT_EQ(read<int>("missing", false), 7);
}

// A dangling exponent is no reason to keep the default.
TEST_F(ReadValueTest, FloatsAndDoublesTakeTheLongestValidNumber) {
    EXPECT_EQ(read<float>("f"), 2.0f);
    EXPECT_EQ(read<double>("g"), 1.5);
    EXPECT_EQ(read<float>("h"), 3.25f);
    EXPECT_EQ(read<double>("h"), 3.25);
}

TEST_F(ReadValueTest, AFloatOrDoubleThatDoesNotReadKeepsTheDefault) {
    for (const char* key : {"n", "x", "huge", "e"}) {
        EXPECT_EQ(read<float>(key), 7.0f) << key;
        EXPECT_EQ(read<double>(key), 7.0) << key;
    }
}

} // namespace
