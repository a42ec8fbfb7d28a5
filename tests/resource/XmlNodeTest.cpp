#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

#include <sstream>

namespace {

using Zem::Resource::XmlNode;
using R = Zem::Resource::XmlParseResult;

R resultOf(const std::string& document) {
    XmlNode doc;
    return doc.parse(document);
}

// The text of <t>`text`</t>, where character references are decoded.
std::string textOf(const std::string& text) {
    XmlNode doc;
    EXPECT_EQ(doc.parse("<t>" + text + "</t>"), R::Ok) << text;
    return doc.text();
}

class XmlNodeTest : public ::testing::Test {
protected:
    XmlNode original{"<a x='1'><b>1</b><c/><b>2</b></a>"};
    XmlNode copy{original};
};

TEST_F(XmlNodeTest, WellFormedDocumentsParse) {
    EXPECT_EQ(resultOf("<a x='1' />"), R::Ok);
    EXPECT_EQ(resultOf("<a/><b/>"), R::Ok);
    EXPECT_EQ(resultOf("<?xml version=\"1.0\"?><config/>"), R::Ok);
}

// Read from a file, whose line feeds are dropped, an element still knows the line it opens on.
TEST_F(XmlNodeTest, AnElementKnowsTheLineItOpensOn) {
    std::istringstream file("<a>\n<b/>\n\n  <c>x\ny</c>\n<d/></a>");
    XmlNode doc;
    ASSERT_EQ(doc.parse(file), R::Ok);
    EXPECT_EQ(doc.line(), 1u);
    EXPECT_EQ(doc.child("b").line(), 2u);
    EXPECT_EQ(doc.child("c").line(), 4u);
    EXPECT_EQ(doc.child("d").line(), 6u);
    EXPECT_EQ(XmlNode(doc).child("d").line(), 6u);
}

TEST_F(XmlNodeTest, ADocumentThatDoesNotStartWithATagHasNoElement) {
    EXPECT_EQ(resultOf(""), R::NoElement);
    EXPECT_EQ(resultOf("<!-- note --><a/>"), R::NoElement);
    EXPECT_EQ(resultOf("text<a/>"), R::NoElement);
}

TEST_F(XmlNodeTest, TextEndingInsideAnElementIsUnclosed) {
    EXPECT_EQ(resultOf("<a><b/>"), R::Unclosed);
}

TEST_F(XmlNodeTest, AnEndTagOfAnotherNameIsMismatched) {
    EXPECT_EQ(resultOf("<a><b></a>"), R::MismatchedEndTag);
    EXPECT_EQ(resultOf("<a></a >"), R::MismatchedEndTag);
}

TEST_F(XmlNodeTest, AnAttributeBreakingTheGrammarIsMalformed) {
    EXPECT_EQ(resultOf("<a x=1/>"), R::Malformed);
    EXPECT_EQ(resultOf("<a x='1\"/>"), R::Malformed);
}

TEST_F(XmlNodeTest, DecimalAndHexadecimalReferencesBecomeTheirCharacter) {
    EXPECT_EQ(textOf("&#65;"), "A");
    EXPECT_EQ(textOf("&#x41;"), "A");
}

TEST_F(XmlNodeTest, AReferenceEndsWhereItsDigitsEnd) {
    EXPECT_EQ(textOf("&#x41x"), "A");
    EXPECT_EQ(textOf("&#65 B"), "AB");
}

// Whatever the number's size: 233 and 0xFF are bytes above 127.
TEST_F(XmlNodeTest, AReferenceGivesTheLowByteOfItsNumber) {
    EXPECT_EQ(textOf("&#321;"), "A");
    EXPECT_EQ(textOf("&#233;"), "\xE9");
    EXPECT_EQ(textOf("&#xFF;&#128;"), "\xFF\x80");
}

// Named entities, "&#" without a number, and "&#X", which starts no hexadecimal reference.
TEST_F(XmlNodeTest, WhatIsNoCharacterReferenceStaysAsWritten) {
    for (const char* text : {"&amp;&lt;", "&#;", "a&#", "&#X41;"}) {
        EXPECT_EQ(textOf(text), text);
    }
    EXPECT_EQ(textOf("&#&#66;"), "&#B");
}

TEST_F(XmlNodeTest, ADecodedReferenceIsNotDecodedAgain) {
    EXPECT_EQ(textOf("&#38;#65;"), "&#65;");
}

TEST_F(XmlNodeTest, AttributeValuesKeepReferencesAsWritten) {
    EXPECT_EQ(XmlNode("<a z=' &#65; '/>").attribute("z"), " &#65; ");
}

TEST_F(XmlNodeTest, AnAttributeGivenTwiceKeepsItsLastValue) {
    const XmlNode tag("<a x='1' y=\"2\" x=\"3\"/>");
    EXPECT_EQ(tag.attribute("x"), "3");
    EXPECT_EQ(tag.attribute("y"), "2");
}

TEST_F(XmlNodeTest, AStreamJoinsLinesWithoutASeparator) {
    XmlNode doc;
    std::istringstream splitTag("<a\nb='1'/>");
    ASSERT_EQ(doc.parse(splitTag), R::Ok);
    EXPECT_EQ(doc.name(), "ab='1'");
    std::istringstream splitText("<t>one\ntwo</t>");
    ASSERT_EQ(doc.parse(splitText), R::Ok);
    EXPECT_EQ(doc.text(), "onetwo");
}

TEST_F(XmlNodeTest, AStreamReadsALongLineWhole) {
    const std::string body(5000, 'q');
    std::istringstream longLine("<a><t>" + body + "</t>\n</a>");
    XmlNode doc;
    ASSERT_EQ(doc.parse(longLine), R::Ok);
    EXPECT_EQ(doc.child("t").text(), body);
}

TEST_F(XmlNodeTest, ANodeAddedToItselfIsAddedAsItWasBefore) {
    copy.addChild(copy);
    EXPECT_EQ(copy.child(3).childCount(), 3u);
}

TEST_F(XmlNodeTest, ChangingACopyLeavesTheOriginal) {
    ASSERT_TRUE(copy.removeChild(XmlNode("<b/>")));
    EXPECT_EQ(original.child("b").text(), "1");
}

TEST_F(XmlNodeTest, RemovalTakesTheFirstChildOfTheSameKindAndName) {
    XmlNode b("<b/>");
    b.setKind(XmlNode::Kind::Text);
    EXPECT_FALSE(copy.removeChild(b));
    b.setKind(XmlNode::Kind::Element);
    EXPECT_TRUE(copy.removeChild(b));
    EXPECT_EQ(copy.child("b").text(), "2");
}

TEST_F(XmlNodeTest, ALookupThatFindsNothingGivesTheSharedEmptyNode) {
    EXPECT_EQ(&original.child("b", 2).child("b"), &XmlNode::empty());
}

TEST_F(XmlNodeTest, DeepDocumentsNeedNoDeepCallStack) {
    const int depth = 200000;
    std::string text;
    for (int i = 0; i < 2 * depth; ++i) {
        text += i < depth ? "<a>" : "</a>";
    }
    XmlNode doc;
    EXPECT_EQ(doc.parse(text.substr(0, 3 * depth)), R::Unclosed);
    ASSERT_EQ(doc.parse(text), R::Ok);
    const XmlNode copy(doc);
    EXPECT_EQ(copy.child("a").child("a").childCount(), 1u);
}

} // namespace
