#include "resource/XmlNode.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Zem::Resource::XmlNode;
using Zem::Resource::XmlParseResult;
using Kind = XmlNode::Kind;

XmlParseResult parseText(const std::string& text) {
    XmlNode node;
    return node.parse(text);
}

// The text of the root's first text child, for one-element documents.
std::string textOf(const std::string& document) {
    XmlNode node;
    EXPECT_EQ(node.parse(document), XmlParseResult::Ok) << document;
    return node.text();
}

TEST(XmlNodeLookup, ChildByNameCountsOnlyThatName) {
    XmlNode doc;
    ASSERT_EQ(doc.parse("<a><b>1</b><c>x</c><b>2</b></a>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "a");
    EXPECT_EQ(doc.kind(), Kind::Element);
    EXPECT_EQ(doc.child("b").text(), "1");
    EXPECT_EQ(doc.child("b", 1).text(), "2");
    EXPECT_TRUE(doc.child("b", 2).isEmpty());
    EXPECT_EQ(&doc.child("b", 2), &XmlNode::empty());
    EXPECT_EQ(doc.childCount("b"), 2u);
    EXPECT_EQ(doc.childCount("c"), 1u);
    EXPECT_EQ(doc.childCount(), 3u);
}

TEST(XmlNodeLookup, MissingNamesGiveTheSharedEmptyNode) {
    XmlNode doc("<a><b>1</b></a>");
    const XmlNode& missing = doc.child("zzz");
    EXPECT_EQ(&missing, &XmlNode::empty());
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_EQ(missing.kind(), Kind::None);
    EXPECT_EQ(missing.text(), "");
    EXPECT_EQ(missing.attribute("x"), "");
    EXPECT_EQ(missing.childCount(), 0u);
    // Lookups chain through the empty node without failing.
    EXPECT_TRUE(doc.child("zzz").child("b").isEmpty());
    EXPECT_EQ(doc.childCount("zzz"), 0u);
}

TEST(XmlNodeLookup, ChildByPosition) {
    XmlNode doc("<a>t<!c><b/></a>");
    ASSERT_EQ(doc.childCount(), 3u);
    EXPECT_EQ(doc.child(std::size_t{0}).kind(), Kind::Text);
    EXPECT_EQ(doc.child(1).kind(), Kind::Comment);
    EXPECT_EQ(doc.child(2).name(), "b");
    EXPECT_EQ(&doc.child(3), &XmlNode::empty());
}

TEST(XmlNodeLookup, TextChildrenCountAsNamedChildren) {
    XmlNode doc("<a><b/>b</a>");
    EXPECT_EQ(doc.childCount("b"), 2u);
    EXPECT_EQ(doc.child("b", 1).kind(), Kind::Text);
    EXPECT_EQ(doc.text(), "b");
}

TEST(XmlNodeLookup, EmptyElementIsNotEmptyNode) {
    XmlNode doc("<a><w/></a>");
    EXPECT_FALSE(doc.child("w").isEmpty());
    EXPECT_EQ(doc.child("w").text(), "");
}

TEST(XmlNodeParse, DeclarationIsSkipped) {
    XmlNode doc;
    ASSERT_EQ(doc.parse("<?xml version=\"1.0\"?><config/>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "config");
    EXPECT_EQ(doc.kind(), Kind::Element);
    EXPECT_TRUE(doc.attributes().empty());
}

struct ResultCase {
    const char* document;
    XmlParseResult expected;
};

class XmlNodeResultCode : public ::testing::TestWithParam<ResultCase> {};

TEST_P(XmlNodeResultCode, MatchesTheFault) {
    EXPECT_EQ(parseText(GetParam().document), GetParam().expected) << GetParam().document;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlNodeResultCode,
    ::testing::Values(
        ResultCase{"", XmlParseResult::NoElement}, ResultCase{"   \n ", XmlParseResult::NoElement},
        ResultCase{"<!-- note --><a/>", XmlParseResult::NoElement},
        ResultCase{"text<a/>", XmlParseResult::NoElement},
        ResultCase{"</a>", XmlParseResult::NoElement},
        ResultCase{"<?xml version='1.0'?></a>", XmlParseResult::NoElement},
        ResultCase{"<?xml version='1.0'?>", XmlParseResult::Malformed},
        ResultCase{"<a>", XmlParseResult::Unclosed},
        ResultCase{"<a><b/>", XmlParseResult::Unclosed},
        ResultCase{"<a>text", XmlParseResult::Unclosed},
        ResultCase{"<a><b></a>", XmlParseResult::MismatchedEndTag},
        ResultCase{"<a></b>", XmlParseResult::MismatchedEndTag},
        ResultCase{"<a></a >", XmlParseResult::MismatchedEndTag},
        ResultCase{"<a x=1/>", XmlParseResult::Malformed},
        ResultCase{"<a x/>", XmlParseResult::Malformed},
        ResultCase{"<a x = '1'/>", XmlParseResult::Malformed},
        ResultCase{"<a x='1\"/>", XmlParseResult::Malformed},
        ResultCase{"<a><b x=1></b></a>", XmlParseResult::Malformed},
        // '>' is not quoted: it ends the tag inside the value, leaving the quote open.
        ResultCase{"<a x='1>2'/>", XmlParseResult::Malformed},
        ResultCase{"<a x='1' />", XmlParseResult::Ok}, ResultCase{"<a ></a>", XmlParseResult::Ok},
        ResultCase{"<a x='1'y='2'/>", XmlParseResult::Ok},
        ResultCase{"<a/><b/>", XmlParseResult::Ok}, ResultCase{"<a></a></b>", XmlParseResult::Ok},
        ResultCase{" \r\n<a/>", XmlParseResult::Ok}));

TEST(XmlNodeParse, ZeroByteEndsTheText) {
    XmlNode doc;
    EXPECT_EQ(doc.parse(std::string("<a/>\0<b", 7)), XmlParseResult::Ok);
    EXPECT_EQ(doc.parse(std::string("<a>\0</a>", 8)), XmlParseResult::Unclosed);
}

TEST(XmlNodeParse, TokensAfterTheRootAreIgnored) {
    XmlNode doc("<a><b/></a><c><d/></c>");
    EXPECT_EQ(doc.name(), "a");
    EXPECT_EQ(doc.childCount(), 1u);
}

TEST(XmlNodeParse, Attributes) {
    XmlNode doc;
    ASSERT_EQ(doc.parse("<a x='1' y=\"2\" z=' p &#65; &amp; '/>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.attribute("x"), "1");
    EXPECT_EQ(doc.attribute("y"), "2");
    // Values are kept exactly: no reference expansion, no white-space change.
    EXPECT_EQ(doc.attribute("z"), " p &#65; &amp; ");
    EXPECT_EQ(doc.attribute("w"), "");
    EXPECT_EQ(doc.attributes().size(), 3u);

    ASSERT_EQ(doc.parse("<a x='1' x='2' q=\"it's\"/>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.attribute("x"), "2");
    EXPECT_EQ(doc.attribute("q"), "it's");

    ASSERT_EQ(doc.parse("<a\tk='v'\t></a>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "a");
    EXPECT_EQ(doc.attribute("k"), "v");
}

TEST(XmlNodeParse, WhiteSpace) {
    EXPECT_EQ(textOf("<w> 640 </w>"), " 640 ");

    XmlNode doc("<a>\r\n  <b/>\t <c/>  </a>");
    EXPECT_EQ(doc.childCount(), 2u);

    ASSERT_EQ(doc.parse("<a> x <b/> y </a>"), XmlParseResult::Ok);
    ASSERT_EQ(doc.childCount(), 3u);
    EXPECT_EQ(doc.child(std::size_t{0}).name(), " x ");
    EXPECT_EQ(doc.child(1).name(), "b");
    EXPECT_EQ(doc.child(2).name(), " y ");
}

TEST(XmlNodeParse, CommentsAndDeclarations) {
    XmlNode doc("<a><!-- hi --><!x/></a>");
    ASSERT_EQ(doc.childCount(), 2u);
    EXPECT_EQ(doc.child(std::size_t{0}).kind(), Kind::Comment);
    EXPECT_EQ(doc.child(std::size_t{0}).name(), "-- hi --");
    // '/' before '>' is kept in a markup declaration.
    EXPECT_EQ(doc.child(1).name(), "x/");
    EXPECT_EQ(doc.text(), "");
}

TEST(XmlNodeParse, EmptyTagsAreDropped) {
    XmlNode doc("<a><>1</></a>");
    EXPECT_EQ(doc.childCount(), 1u);
    EXPECT_EQ(doc.text(), "1");
}

TEST(XmlNodeCharacterReferences, DecimalAndHex) {
    EXPECT_EQ(textOf("<t>&#65;</t>"), "A");
    EXPECT_EQ(textOf("<t>&#x41;</t>"), "A");
    EXPECT_EQ(textOf("<t>&#x4a;&#x4A;</t>"), "JJ");
    EXPECT_EQ(textOf("<t>x&#65;y</t>"), "xAy");
}

TEST(XmlNodeCharacterReferences, CharacterAfterDigitsIsDropped) {
    EXPECT_EQ(textOf("<t>&#x41x</t>"), "A");
    EXPECT_EQ(textOf("<t>&#65 B</t>"), "AB");
    EXPECT_EQ(textOf("<t>&#65</t>"), "A");
    // A decimal reference stops at the first letter of the hex-digit run; the run is consumed.
    EXPECT_EQ(textOf("<t>&#6a;z</t>"), std::string("\x06z"));
}

TEST(XmlNodeCharacterReferences, LowByteIsKept) {
    EXPECT_EQ(textOf("<t>&#321;</t>"), "A");
    EXPECT_EQ(textOf("<t>&#x141;</t>"), "A");
    EXPECT_EQ(textOf("<t>&#x1ff41;</t>"), "A");
}

TEST(XmlNodeCharacterReferences, ExpandedExactlyOnce) {
    EXPECT_EQ(textOf("<t>&#38;#65;</t>"), "&#65;");
    XmlNode doc("<a><t>&#38;#65;</t></a>");
    XmlNode copy(doc);
    EXPECT_EQ(copy.child("t").text(), "&#65;");
}

TEST(XmlNodeCharacterReferences, NamedEntitiesAndBareAmpersandsStay) {
    EXPECT_EQ(textOf("<t>&amp;&lt;&gt;</t>"), "&amp;&lt;&gt;");
    EXPECT_EQ(textOf("<t>a & b</t>"), "a & b");
}

TEST(XmlNodeCharacterReferences, WithoutDigitsStaysAsWritten) {
    EXPECT_EQ(textOf("<t>&#;</t>"), "&#;");
    EXPECT_EQ(textOf("<t>&#x;</t>"), "&#x;");
    EXPECT_EQ(textOf("<t>&#xg1</t>"), "&#xg1");
    EXPECT_EQ(textOf("<t>a&#</t>"), "a&#");
    EXPECT_EQ(textOf("<t>&#&#66;</t>"), "&#B");
}

TEST(XmlNodeCharacterReferences, ElementNamesAndCommentsButNotEndTags) {
    XmlNode doc;
    ASSERT_EQ(doc.parse("<&#98; x='&#98;'/>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "b");
    EXPECT_EQ(doc.attribute("x"), "&#98;");
    // The end tag is compared as written with the expanded name.
    EXPECT_EQ(doc.parse("<&#98;></b>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.parse("<&#98;></&#98;>"), XmlParseResult::MismatchedEndTag);
    ASSERT_EQ(doc.parse("<a><!&#65;></a>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.child(std::size_t{0}).name(), "A");
}

TEST(XmlNodeStream, LinesAreJoinedWithoutSeparator) {
    XmlNode doc;
    std::istringstream tags("<a>\n<b>1</b>\n</a>\n");
    ASSERT_EQ(doc.parse(tags), XmlParseResult::Ok);
    EXPECT_EQ(doc.child("b").text(), "1");
    EXPECT_EQ(doc.childCount(), 1u);

    std::istringstream splitTag("<a\nb='1'/>");
    ASSERT_EQ(doc.parse(splitTag), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "ab='1'");
    EXPECT_TRUE(doc.attributes().empty());

    std::istringstream splitText("<t>one\ntwo</t>");
    ASSERT_EQ(doc.parse(splitText), XmlParseResult::Ok);
    EXPECT_EQ(doc.text(), "onetwo");
}

TEST(XmlNodeStream, CarriageReturnsStayAsWhiteSpace) {
    XmlNode doc;
    std::istringstream in("<a x='1'\r\ny='2'/>\r\n");
    ASSERT_EQ(doc.parse(in), XmlParseResult::Ok);
    EXPECT_EQ(doc.attribute("y"), "2");
    std::istringstream text("<t>one\r\ntwo</t>");
    ASSERT_EQ(doc.parse(text), XmlParseResult::Ok);
    EXPECT_EQ(doc.text(), "one\rtwo");
}

TEST(XmlNodeStream, LongLinesAreReadWhole) {
    const std::string body(5000, 'q');
    std::istringstream in("<a><t>" + body + "</t>\n</a>");
    XmlNode doc;
    ASSERT_EQ(doc.parse(in), XmlParseResult::Ok);
    EXPECT_EQ(doc.child("t").text(), body);
}

TEST(XmlNodeStream, FailedStreamEndsTheRead) {
    std::istringstream in("<a/>");
    in.setstate(std::ios::failbit);
    XmlNode doc;
    EXPECT_EQ(doc.parse(in), XmlParseResult::NoElement);
    std::istringstream empty;
    EXPECT_EQ(doc.parse(empty), XmlParseResult::NoElement);
}

TEST(XmlNodeConstruction, FromText) {
    XmlNode doc("<a><b/></a>");
    EXPECT_EQ(doc.name(), "a");
    EXPECT_EQ(doc.childCount(), 1u);
    EXPECT_EQ(doc.refCount, 0);

    XmlNode none("");
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.kind(), Kind::None);
}

TEST(XmlNodeConstruction, FailedParseKeepsOnlyFinishedBranches) {
    XmlNode doc("<a k='v'><b>1</b><c><d/>");
    EXPECT_EQ(doc.name(), "a");
    EXPECT_EQ(doc.attribute("k"), "v");
    EXPECT_EQ(doc.child("b").text(), "1");
    EXPECT_TRUE(doc.child("c").isEmpty());

    XmlNode rootLevel("<a><b/><c>2</c></x>");
    EXPECT_EQ(rootLevel.childCount(), 2u);
    EXPECT_EQ(rootLevel.child("c").text(), "2");
    XmlNode inner("<a><b/><c><d>1</d><e x=1/>");
    EXPECT_EQ(inner.childCount(), 1u);
    EXPECT_EQ(inner.child(std::size_t{0}).name(), "b");
}

TEST(XmlNodeConstruction, ParseReplacesEarlierContent) {
    XmlNode doc("<a x='1'><b/></a>");
    ASSERT_EQ(doc.parse("<c/>"), XmlParseResult::Ok);
    EXPECT_EQ(doc.name(), "c");
    EXPECT_EQ(doc.childCount(), 0u);
    EXPECT_EQ(doc.attribute("x"), "");
}

TEST(XmlNodeConstruction, ClearKeepsTheKind) {
    XmlNode doc("<a x='1'><b/></a>");
    doc.clear();
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_TRUE(doc.attributes().empty());
    EXPECT_EQ(doc.kind(), Kind::Element);
}

TEST(XmlNodeCopy, DeepAndIndependent) {
    XmlNode original("<a x='1'><b y='2'><c>t</c></b></a>");
    original.refCount = 3;
    XmlNode copy(original);
    EXPECT_EQ(copy.refCount, 0);
    EXPECT_EQ(copy.name(), "a");
    EXPECT_EQ(copy.attribute("x"), "1");
    EXPECT_EQ(copy.child("b").attribute("y"), "2");
    EXPECT_EQ(copy.child("b").child("c").text(), "t");
    EXPECT_NE(&copy.child("b"), &original.child("b"));

    copy.setAttribute("x", "9");
    copy.addChild(XmlNode("<z/>"));
    EXPECT_TRUE(copy.removeChild(copy.child("b")));
    EXPECT_EQ(original.attribute("x"), "1");
    EXPECT_EQ(original.childCount(), 1u);
    EXPECT_EQ(original.child("b").child("c").text(), "t");
}

TEST(XmlNodeCopy, AssignmentReplacesContentButNotTheCount) {
    XmlNode target("<old k='v'><o/></old>");
    target.refCount = 2;
    const XmlNode source("<new><n>1</n></new>");
    target = source;
    EXPECT_EQ(target.refCount, 2);
    EXPECT_EQ(target.name(), "new");
    EXPECT_EQ(target.attribute("k"), "");
    EXPECT_EQ(target.childCount(), 1u);
    EXPECT_EQ(target.child("n").text(), "1");
    EXPECT_EQ(source.childCount(), 1u);
}

TEST(XmlNodeCopy, AssignmentFromOwnChild) {
    XmlNode doc("<a><b><c>t</c></b></a>");
    doc = doc.child("b");
    EXPECT_EQ(doc.name(), "b");
    EXPECT_EQ(doc.child("c").text(), "t");
    doc = doc;
    EXPECT_EQ(doc.name(), "b");
}

TEST(XmlNodeEdit, AddChildAppendsACopy) {
    XmlNode doc("<a><b/></a>");
    XmlNode extra("<e v='1'><f/></e>");
    XmlNode& added = doc.addChild(extra);
    EXPECT_EQ(&added, &doc.child(1));
    extra.setAttribute("v", "2");
    EXPECT_EQ(added.attribute("v"), "1");
    EXPECT_EQ(added.childCount(), 1u);

    // Adding a node to itself copies it as it was.
    doc.addChild(doc);
    EXPECT_EQ(doc.childCount(), 3u);
    EXPECT_EQ(doc.child(2).childCount(), 2u);
}

TEST(XmlNodeEdit, RemoveChildMatchesKindAndName) {
    XmlNode doc("<a><b>1</b><c/><b>2</b></a>");
    XmlNode textB;
    textB.setKind(Kind::Text);
    textB.setName("b");
    EXPECT_FALSE(doc.removeChild(textB));

    XmlNode elementB;
    elementB.setKind(Kind::Element);
    elementB.setName("b");
    EXPECT_TRUE(doc.removeChild(elementB));
    ASSERT_EQ(doc.childCount(), 2u);
    EXPECT_EQ(doc.child(std::size_t{0}).name(), "c");
    EXPECT_EQ(doc.child("b").text(), "2");

    EXPECT_TRUE(doc.removeChild(elementB));
    EXPECT_FALSE(doc.removeChild(elementB));
    EXPECT_EQ(doc.childCount(), 1u);
}

TEST(XmlNodeDepth, DeepDocumentsNeedNoDeepCallStack) {
    const int depth = 200000;
    std::string text;
    text.reserve(depth * 7);
    for (int i = 0; i < depth; ++i) {
        text += "<a>";
    }
    XmlNode unclosed;
    EXPECT_EQ(unclosed.parse(text), XmlParseResult::Unclosed);
    for (int i = 0; i < depth; ++i) {
        text += "</a>";
    }
    XmlNode doc;
    ASSERT_EQ(doc.parse(text), XmlParseResult::Ok);
    XmlNode copy(doc);
    const XmlNode* node = &copy;
    int levels = 0;
    while (node->childCount() == 1) {
        node = &node->child(std::size_t{0});
        ++levels;
    }
    EXPECT_EQ(levels, depth - 1);
}

} // namespace
