#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Zem::Graphics::Vector3;
using Zem::Resource::readThreeNumbers;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;

void expectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

Vector3 threeNumbers(const std::string& text, Vector3 start = Vector3()) {
    readThreeNumbers(text, start);
    return start;
}

TEST(ReadValueNumber, ReadsAroundWhiteSpace) {
    const XmlNode doc("<s><w> 640 </w><f>\t2.5</f><e>1e3</e></s>");
    int width = 0;
    EXPECT_TRUE(readValue(doc, "w", width));
    EXPECT_EQ(width, 640);
    float f = 0.0f;
    EXPECT_TRUE(readValue(doc, "f", f));
    EXPECT_FLOAT_EQ(f, 2.5f);
    double e = 0.0;
    EXPECT_TRUE(readValue(doc, "e", e));
    EXPECT_DOUBLE_EQ(e, 1000.0);
    unsigned int u = 0;
    EXPECT_TRUE(readValue(doc, "w", u));
    EXPECT_EQ(u, 640u);
}

TEST(ReadValueNumber, TakesTheLongestValidNumber) {
    const XmlNode doc("<s><a>12abc</a><b>3.7</b><c>-4 5</c></s>");
    int a = 0;
    int b = 0;
    int c = 0;
    readValue(doc, "a", a);
    readValue(doc, "b", b);
    readValue(doc, "c", c);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(c, -4);
}

TEST(ReadValueNumber, DefaultStaysWhenNothingCanBeRead) {
    const XmlNode doc("<s><other>1</other><w/><n>abc</n><big>99999999999</big><f>x1</f></s>");
    int value = 7;
    EXPECT_FALSE(readValue(doc, "missing", value));
    EXPECT_EQ(value, 7);
    // "<w/>" is a present child without text: the read happens and fails.
    EXPECT_TRUE(readValue(doc, "w", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(readValue(doc, "n", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(readValue(doc, "big", value));
    EXPECT_EQ(value, 7);
    float f = 1.5f;
    EXPECT_TRUE(readValue(doc, "f", f));
    EXPECT_FLOAT_EQ(f, 1.5f);
    EXPECT_FALSE(readValue(XmlNode::empty(), "other", f));
    EXPECT_FLOAT_EQ(f, 1.5f);
}

TEST(ReadValueNumber, NestedKeysThroughLookups) {
    const XmlNode config("<config><display><resolution><width>800</width></resolution>"
                         "</display></config>");
    int width = 640;
    int height = 480;
    const XmlNode& resolution = config.child("display").child("resolution");
    EXPECT_TRUE(readValue(resolution, "width", width));
    EXPECT_FALSE(readValue(resolution, "height", height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 480);
}

TEST(ReadValueString, IsTheTextAsWritten) {
    const XmlNode doc("<s><name> a b </name><w/></s>");
    std::string value = "default";
    EXPECT_FALSE(readValue(doc, "missing", value));
    EXPECT_EQ(value, "default");
    EXPECT_TRUE(readValue(doc, "name", value));
    EXPECT_EQ(value, " a b ");
    EXPECT_TRUE(readValue(doc, "w", value));
    EXPECT_EQ(value, "");
}

TEST(ThreeNumbers, SeparatorForms) {
    expectVector(threeNumbers("1 2 3"), 1, 2, 3);
    expectVector(threeNumbers("1,2,3"), 1, 2, 3);
    expectVector(threeNumbers("1, 2, 3"), 1, 2, 3);
    expectVector(threeNumbers("1;2;3"), 1, 2, 3);
    expectVector(threeNumbers("  -1.5\t0 2e1 "), -1.5f, 0, 20);
}

TEST(ThreeNumbers, UnreadNumbersKeepTheirValues) {
    const Vector3 start(7, 8, 9);
    expectVector(threeNumbers("1 2", start), 1, 2, 9);
    expectVector(threeNumbers("1 2"), 1, 2, 0);
    expectVector(threeNumbers("abc", start), 7, 8, 9);
    expectVector(threeNumbers("", start), 7, 8, 9);
    // The first number is not retried; the second skips the 'a' its own read stopped at.
    expectVector(threeNumbers("a 2 3", start), 7, 2, 3);
    // Each retry skips only one character.
    expectVector(threeNumbers("1,,3", start), 1, 8, 3);
}

TEST(ThreeNumbers, StreamIsLeftAfterTheThirdNumber) {
    std::istringstream in("1 2 3 4");
    float x = 0;
    float y = 0;
    float z = 0;
    readThreeNumbers(in, x, y, z);
    float rest = 0;
    in >> rest;
    EXPECT_FLOAT_EQ(x + y + z, 6.0f);
    EXPECT_FLOAT_EQ(rest, 4.0f);
}

TEST(ThreeNumbers, ReadValueOfAVector) {
    const XmlNode doc("<e><position>1, 2, 3</position><rotation>0 90</rotation><w/></e>");
    Vector3 position(5, 5, 5);
    EXPECT_TRUE(readValue(doc, "position", position));
    expectVector(position, 1, 2, 3);
    Vector3 rotation(4, 4, 4);
    EXPECT_TRUE(readValue(doc, "rotation", rotation));
    expectVector(rotation, 0, 90, 4);
    Vector3 colour(1, 1, 1);
    EXPECT_FALSE(readValue(doc, "color", colour));
    EXPECT_TRUE(readValue(doc, "w", colour));
    expectVector(colour, 1, 1, 1);
}

} // namespace
