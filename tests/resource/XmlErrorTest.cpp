#include "resource/XmlError.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

#include <set>

namespace {

using Zem::Resource::describe;
using Zem::Resource::describeXmlError;
using R = Zem::Resource::XmlParseResult;

// What describeXmlError says for a fault of this kind on this line.
std::string fault(int line, R result) {
    return "line " + std::to_string(line) + ": " + describe(result);
}

TEST(XmlErrorTest, ADocumentThatParsesHasNoError) {
    // Text continued on the next line is joined as the parser joins it.
    for (const char* text : {"<ZEMWorld>\n<entity name='a'/>\n</ZEMWorld>\n", "<a>one\ntwo</a>"}) {
        EXPECT_EQ(describeXmlError(text), "") << text;
    }
}

TEST(XmlErrorTest, NamesTheLineOfAnEndTagOfAnotherName) {
    EXPECT_EQ(describeXmlError("<ZEMWorld>\n<entity name='a'>\n</entitx>\n</ZEMWorld>\n"),
              fault(3, R::MismatchedEndTag));
}

TEST(XmlErrorTest, NamesTheLineOfAMalformedTag) {
    EXPECT_EQ(describeXmlError("<ZEMWorld>\n<entity name='a'/>\n<entity name=a/>\n</ZEMWorld>"),
              fault(3, R::Malformed));
}

// An element left open is found where the root's end tag closes it.
TEST(XmlErrorTest, AnElementLeftOpenIsFoundAtTheRootsEndTag) {
    EXPECT_EQ(describeXmlError("<ZEMWorld>\n<entity name='a'>\n\n</ZEMWorld>\n"),
              fault(4, R::MismatchedEndTag));
}

// Only the end shows that the root was never closed.
TEST(XmlErrorTest, ARootNeverClosedIsFoundAtTheLastLine) {
    EXPECT_EQ(describeXmlError("<ZEMWorld>\n<entity name='a'/>\n"), fault(2, R::Unclosed));
}

TEST(XmlErrorTest, TextWithoutARootElementIsFoundAtItsLastLine) {
    EXPECT_EQ(describeXmlError("\n\njust text\n"), fault(3, R::NoElement));
    EXPECT_EQ(describeXmlError(""), fault(1, R::NoElement));
}

TEST(XmlErrorTest, EachFailureHasItsOwnWords) {
    const std::set<std::string> words = {describe(R::Ok), describe(R::NoElement),
                                         describe(R::Unclosed), describe(R::MismatchedEndTag),
                                         describe(R::Malformed)};
    EXPECT_EQ(words.size(), 5u);
    EXPECT_EQ(words.count(""), 0u);
}

} // namespace
