#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Zem::Graphics::Vector3;
using Zem::Resource::readThreeNumbers;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

TEST(ReadValueTest, NumbersAndStringsOrTheDefault) {
    const XmlNode doc("<s><w> 640 </w><a>12abc</a><b>3.7</b><n>abc</n><big>99999999999</big>"
                      "<e/></s>");
    const struct {
        const char* key;
        bool found;
        int expected;
    } cases[] = {{"w", true, 640}, {"a", true, 12}, {"b", true, 3},       {"n", true, 7},
                 {"big", true, 7}, {"e", true, 7},  {"missing", false, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        int value = 7;
        EXPECT_EQ(readValue(doc, c.key, value), c.found);
        EXPECT_EQ(value, c.expected);
    }
    float f = 1.5f;
    EXPECT_FALSE(readValue(doc.child("zzz"), "w", f));
    EXPECT_TRUE(readValue(doc, "b", f));
    EXPECT_FLOAT_EQ(f, 3.7f);
    std::string text = "default";
    EXPECT_FALSE(readValue(doc, "missing", text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(readValue(doc, "w", text));
    EXPECT_EQ(text, " 640 ");
    EXPECT_TRUE(readValue(doc, "e", text));
    EXPECT_EQ(text, "");
}

TEST(ReadValueTest, ThreeNumbers) {
    const struct {
        const char* text;
        Vector3 expected;
    } cases[] = {
        {"1 2 3", {1, 2, 3}},
        {"1,2,3", {1, 2, 3}},
        {"1, 2, 3", {1, 2, 3}},
        {"1 2", {1, 2, 9}},
        {"abc", {7, 8, 9}},
        {"", {7, 8, 9}},
        // The first number is not retried; each retry skips one character.
        {"a 2 3", {7, 2, 3}},
        {"1,,3", {1, 8, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Vector3 v(7, 8, 9);
        readThreeNumbers(c.text, v);
        EXPECT_FLOAT_EQ(v.x, c.expected.x);
        EXPECT_FLOAT_EQ(v.y, c.expected.y);
        EXPECT_FLOAT_EQ(v.z, c.expected.z);
    }
    const XmlNode doc("<e><position>1, 2, 3</position></e>");
    Vector3 position;
    EXPECT_TRUE(readValue(doc, "position", position));
    EXPECT_FLOAT_EQ(position.z, 3);
}

} // namespace
