#include "resource/XmlNode.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Zem::Resource::XmlNode;
using Zem::Resource::XmlParseResult;
using Kind = XmlNode::Kind;

std::string textOf(const std::string& document) {
    XmlNode node;
    EXPECT_EQ(node.parse(document), XmlParseResult::Ok) << document;
    return node.text();
}

TEST(XmlNodeTest, AttributesLookupsByNameAndTheSharedEmptyNode) {
    const XmlNode doc("<a x='1' y=\"2\" z=' &#65; '><b>1</b><c/><b>2</b></a>");
    EXPECT_EQ(doc.attribute("x"), "1");
    EXPECT_EQ(doc.attribute("y"), "2");
    EXPECT_EQ(doc.attribute("z"), " &#65; ") << "attributes are kept as written";
    EXPECT_EQ(doc.child("b").text(), "1");
    EXPECT_EQ(doc.child("b", 1).text(), "2");
    EXPECT_EQ(&doc.child("b", 2), &XmlNode::empty());
    EXPECT_EQ(doc.childCount("b"), 2u);
    EXPECT_EQ(&doc.child("zzz").child("b"), &XmlNode::empty());
    EXPECT_EQ(XmlNode::empty().kind(), Kind::None);
    // "<c/>" has a name, so it is not the empty node.
    EXPECT_FALSE(doc.child("c").isEmpty());
    EXPECT_EQ(doc.child("c").text(), "");
}

TEST(XmlNodeTest, ResultCodeOfEachDocument) {
    const struct {
        const char* document;
        XmlParseResult expected;
    } cases[] = {
        {"", XmlParseResult::NoElement},
        {"<!-- note --><a/>", XmlParseResult::NoElement},
        {"text<a/>", XmlParseResult::NoElement},
        {"<?xml version=\"1.0\"?><config/>", XmlParseResult::Ok},
        {"<a><b></a>", XmlParseResult::MismatchedEndTag},
        {"<a></a >", XmlParseResult::MismatchedEndTag},
        {"<a><b/>", XmlParseResult::Unclosed},
        {"<a x=1/>", XmlParseResult::Malformed},
        {"<a x='1\"/>", XmlParseResult::Malformed},
        {"<a x='1' />", XmlParseResult::Ok},
        {"<a ></a>", XmlParseResult::Ok},
        {"<a/><b/>", XmlParseResult::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        XmlNode doc;
        EXPECT_EQ(doc.parse(c.document), c.expected);
    }
    const XmlNode config("<?xml version=\"1.0\"?><config/><second/>");
    EXPECT_EQ(config.name(), "config");
}

TEST(XmlNodeTest, CharacterReferences) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"&#65;", "A"},
        {"&#x41;", "A"},
        {"&#x41x", "A"},
        {"&#65 B", "AB"},
        {"&amp;&lt;", "&amp;&lt;"},
        {"&#38;#65;", "&#65;"},
        {"&#321;", "A"},
        // With no digit after "&#" the text stays as written.
        {"&#;", "&#;"},
        {"a&#", "a&#"},
        {"&#&#66;", "&#B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(textOf(std::string("<t>") + c.text + "</t>"), c.expected);
    }
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

TEST(XmlNodeTest, CopiesAreDeepAndEditsMatchKindAndName) {
    XmlNode original("<a x='1'><b>1</b><c/><b>2</b></a>");
    original.refCount = 3;
    XmlNode copy(original);
    EXPECT_EQ(copy.refCount, 0);
    copy.setAttribute("x", "9");
    copy.addChild(copy);
    EXPECT_EQ(copy.child(3).childCount(), 3u) << "added as it was before";
    XmlNode b;
    b.setName("b");
    b.setKind(Kind::Text);
    EXPECT_FALSE(copy.removeChild(b));
    b.setKind(Kind::Element);
    EXPECT_TRUE(copy.removeChild(b));
    EXPECT_EQ(copy.child("b").text(), "2");
    EXPECT_EQ(original.attribute("x"), "1");
    EXPECT_EQ(original.child("b").text(), "1");

    original = original.child("b");
    EXPECT_EQ(original.refCount, 3) << "assignment keeps the count";
    EXPECT_EQ(original.text(), "1");
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
    const XmlNode* node = &copy;
    int levels = 0;
    for (; node->childCount() == 1; ++levels) {
        node = &node->child(std::size_t{0});
    }
    EXPECT_EQ(levels, depth - 1);
}

} // namespace
