#include "resource/XmlNode.h"
#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlError.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Zem::Graphics::Vector3;
using Zem::Resource::describeXmlError;
using Zem::Resource::readThreeNumbers;
using Zem::Resource::readValue;
using Zem::Resource::XmlNode;
using Zem::Resource::XmlParseResult;

TEST(XmlNodeTest, ResultCodeOfEachDocument) {
    using R = XmlParseResult;
    const std::pair<R, std::vector<const char*>> cases[] = {
        {R::Ok, {"<a x='1' />", "<a/><b/>", "<?xml version=\"1.0\"?><config/>"}},
        {R::NoElement, {"", "<!-- note --><a/>", "text<a/>"}},
        {R::Unclosed, {"<a><b/>"}},
        {R::MismatchedEndTag, {"<a><b></a>", "<a></a >"}},
        {R::Malformed, {"<a x=1/>", "<a x='1\"/>"}}};
    for (const auto& [expected, documents] : cases) {
        for (const char* document : documents) {
            XmlNode doc;
            EXPECT_EQ(doc.parse(document), expected) << document;
        }
    }
}

TEST(XmlError, NamesTheLineOfTheFault) {
    const std::pair<const char*, const char*> cases[] = {
        {"<ZEMWorld>\n<entity name='a'/>\n</ZEMWorld>\n", ""},
        {"<ZEMWorld>\n<entity name='a'>\n</entitx>\n</ZEMWorld>\n",
         "line 3: an element is closed by an end tag of another name"},
        {"<ZEMWorld>\n<entity name='a'/>\n<entity name=a/>\n</ZEMWorld>",
         "line 3: a tag breaks the XML grammar"},
        // An element left open is found where the root's end tag closes it.
        {"<ZEMWorld>\n<entity name='a'>\n\n</ZEMWorld>\n",
         "line 4: an element is closed by an end tag of another name"},
        // Only the end shows that the root was never closed.
        {"<ZEMWorld>\n<entity name='a'/>\n", "line 2: the text ends inside an element"},
        {"\n\njust text\n", "line 3: no root element"},
        {"", "line 1: no root element"},
        // Text continued on the next line is joined as the parser joins it.
        {"<a>one\ntwo</a>", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(describeXmlError(text), expected) << text;
    }
}

TEST(XmlNodeTest, CharacterReferencesInTextButNotInAttributes) {
    // The low byte of the number, whatever its size: 233 and 0xFF are bytes above 127.
    const std::pair<const char*, const char*> cases[] = {
        {"&#65;", "A"},         {"&#x41;", "A"},    {"&#x41x", "A"},
        {"&#65 B", "AB"},       {"&#321;", "A"},    {"&amp;&lt;", "&amp;&lt;"},
        {"&#38;#65;", "&#65;"}, {"&#;", "&#;"},     {"a&#", "a&#"},
        {"&#&#66;", "&#B"},     {"&#233;", "\xE9"}, {"&#xFF;&#128;", "\xFF\x80"},
        {"&#X41;", "&#X41;"}};
    for (const auto& [text, expected] : cases) {
        XmlNode doc;
        ASSERT_EQ(doc.parse(std::string("<t>") + text + "</t>"), XmlParseResult::Ok) << text;
        EXPECT_EQ(doc.text(), expected) << text;
    }
    // Attribute values stay as written; a name given twice keeps its last value.
    const XmlNode tag("<a z=' &#65; ' x='1' y=\"2\" x=\"3\"/>");
    EXPECT_EQ(tag.attribute("z"), " &#65; ");
    EXPECT_EQ(tag.attribute("x"), "3");
    EXPECT_EQ(tag.attribute("y"), "2");
}

TEST(XmlNodeTest, StreamJoinsLinesWithoutSeparatorAndReadsLongLinesWhole) {
    XmlNode doc;
    std::istringstream splitTag("<a\nb='1'/>");
    ASSERT_EQ(doc.parse(splitTag), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "ab='1'");
    std::istringstream splitText("<t>one\ntwo</t>");
    ASSERT_EQ(doc.parse(splitText), XmlParseResult::Ok);
    EXPECT_EQ(doc.text(), "onetwo");
    const std::string body(5000, 'q');
    std::istringstream longLine("<a><t>" + body + "</t>\n</a>");
    ASSERT_EQ(doc.parse(longLine), XmlParseResult::Ok);
    EXPECT_EQ(doc.child("t").text(), body);
}

TEST(XmlNodeTest, CopiesAreDeepAndRemovalMatchesKindAndName) {
    XmlNode original("<a x='1'><b>1</b><c/><b>2</b></a>");
    XmlNode copy(original);
    copy.addChild(copy);
    EXPECT_EQ(copy.child(3).childCount(), 3u) << "added as it was before";
    XmlNode b("<b/>");
    b.setKind(XmlNode::Kind::Text);
    EXPECT_FALSE(copy.removeChild(b));
    b.setKind(XmlNode::Kind::Element);
    EXPECT_TRUE(copy.removeChild(b));
    EXPECT_EQ(copy.child("b").text(), "2");
    EXPECT_EQ(original.child("b").text(), "1");
    EXPECT_EQ(&original.child("b", 2).child("b"), &XmlNode::empty());
}

TEST(XmlNodeTest, DeepDocumentsNeedNoDeepCallStack) {
    const int depth = 200000;
    std::string text;
    for (int i = 0; i < 2 * depth; ++i) {
        text += i < depth ? "<a>" : "</a>";
    }
    XmlNode doc;
    EXPECT_EQ(doc.parse(text.substr(0, 3 * depth)), XmlParseResult::Unclosed);
    ASSERT_EQ(doc.parse(text), XmlParseResult::Ok);
    const XmlNode copy(doc);
    EXPECT_EQ(copy.child("a").child("a").childCount(), 1u);
}

TEST(ReadValueTest, NumbersOrTheDefault) {
    const XmlNode doc("<s><w> 640 </w><a>12abc</a><b>3.7</b><n>abc</n><big>99999999999</big>"
                      "<e/></s>");
    // Every key is found but "missing"; 7 is the default.
    const std::pair<const char*, int> cases[] = {{"w", 640}, {"a", 12}, {"b", 3},      {"n", 7},
                                                 {"big", 7}, {"e", 7},  {"missing", 7}};
    for (const auto& [key, expected] : cases) {
        SCOPED_TRACE(key);
        int value = 7;
        EXPECT_EQ(readValue(doc, key, value), std::string(key) != "missing");
        EXPECT_EQ(value, expected);
    }
}

TEST(ReadValueTest, ThreeNumbers) {
    // The first number is not retried; each retry skips one character.
    const std::pair<const char*, Vector3> cases[] = {
        {"1 2 3", {1, 2, 3}}, {"1,2,3", {1, 2, 3}}, {"1, 2, 3", {1, 2, 3}}, {"1 2", {1, 2, 9}},
        {"abc", {7, 8, 9}},   {"", {7, 8, 9}},      {"a 2 3", {7, 2, 3}},   {"1,,3", {1, 8, 3}}};
    for (const auto& [text, expected] : cases) {
        Vector3 v(7, 8, 9);
        readThreeNumbers(text, v);
        EXPECT_EQ(v, expected) << text << ": " << v.x << " " << v.y << " " << v.z;
    }
    Vector3 position;
    EXPECT_TRUE(readValue(XmlNode("<e><position>1, 2, 3</position></e>"), "position", position));
    EXPECT_EQ(position, Vector3(1, 2, 3));
}

// Every reader of numbers in text takes the longest valid number: a dangling exponent is not a
// reason to keep the old value.
TEST(ReadValueTest, LongestValidNumberEverywhere) {
    const struct {
        const char* text;
        double number; // 7 when nothing can be read
    } cases[] = {{"2e", 2},     {"1.5e+", 1.5}, {"3.25E-x", 3.25}, {"-4e2", -400},
                 {" +.5e1", 5}, {"6.", 6},      {"1e-", 1},        {"e5", 7},
                 {"-", 7},      {".", 7},       {"+-1", 7},        {"1e999", 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const XmlNode doc(std::string("<s><v>") + c.text + "</v></s>");
        float f = 7.0f;
        double d = 7.0;
        EXPECT_TRUE(readValue(doc, "v", f));
        EXPECT_TRUE(readValue(doc, "v", d));
        EXPECT_FLOAT_EQ(f, static_cast<float>(c.number));
        if (std::string(c.text) != "1e999") {
            EXPECT_DOUBLE_EQ(d, c.number);
        }
        // As the first of three numbers, and as a script time in whole bars (16 steps).
        Vector3 v(7, 8, 9);
        readThreeNumbers(std::string(c.text) + " 1 2", v);
        EXPECT_FLOAT_EQ(v.x, static_cast<float>(c.number));
        if (c.number != 7) {
            EXPECT_EQ(v, Vector3(static_cast<float>(c.number), 1, 2));
            EXPECT_EQ(ScriptMaster::stepCount(std::string(c.text) + " 0 0"),
                      static_cast<int>(c.number * 16));
        }
    }
    Vector3 v;
    readThreeNumbers("2e,1.5e+,3.25E-x", v);
    EXPECT_EQ(v, Vector3(2, 1.5f, 3.25f));
}

} // namespace
