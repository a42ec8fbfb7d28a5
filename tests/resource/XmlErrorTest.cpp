#include "resource/XmlError.h"
#include "resource/XmlNode.h"

#include "ResourceTestSupport.h"

#include <set>

namespace {

using Zem::Resource::describe;
using R = Zem::Resource::XmlParseResult;

// What is said of the text as the file "w.world".
std::string errorIn(const char* text) {
    return Zem::Resource::describeXmlError("w.world", text);
}

// What is said of a fault of this kind on this line.
std::string fault(int line, R result) {
    return "w.world:" + std::to_string(line) + ": " + describe(result);
}

TEST(XmlErrorTest, ADocumentThatParsesHasNoError) {
    // Text continued on the next line is joined as the parser joins it.
    for (const char* text : {"<ZEMWorld>\n<entity name='a'/>\n</ZEMWorld>\n", "<a>one\ntwo</a>"}) {
        EXPECT_EQ(errorIn(text), "") << text;
    }
}

TEST(XmlErrorTest, AnEndTagOfAnotherNameIsNamedWithTheElementItMeetsAndItsLine) {
    EXPECT_EQ(errorIn("<ZEMWorld>\n<entity name='a'>\n</entitx>\n</ZEMWorld>\n"),
              "w.world:2: <entity> is not closed: </entitx> on line 3 comes first; end it with "
              "</entity>");
}

TEST(XmlErrorTest, NamesTheLineOfAMalformedTag) {
    EXPECT_EQ(errorIn("<ZEMWorld>\n<entity name='a'/>\n<entity name=a/>\n</ZEMWorld>"),
              fault(3, R::Malformed));
}

// The mistake is where the element opens, not at the root's end tag that shows it.
TEST(XmlErrorTest, AnElementLeftOpenIsNamedAtTheLineItOpensOn) {
    EXPECT_EQ(errorIn("<ZEMWorld>\n<entity name='a'>\n\n</ZEMWorld>\n"),
              "w.world:2: <entity> is not closed: </ZEMWorld> on line 4 comes first; end it "
              "with </entity>");
}

TEST(XmlErrorTest, ARootNeverClosedIsNamedWithTheLineTheFileEndsOn) {
    EXPECT_EQ(errorIn("<ZEMWorld>\n<entity name='a'/>\n"),
              "w.world:1: <ZEMWorld> is not closed: the file ends on line 2; end it with "
              "</ZEMWorld>");
}

TEST(XmlErrorTest, TextWithoutARootElementIsFoundAtItsLastLine) {
    EXPECT_EQ(errorIn("\n\njust text\n"), fault(3, R::NoElement));
    EXPECT_EQ(errorIn(""), fault(1, R::NoElement));
}

TEST(XmlErrorTest, EachFailureHasItsOwnWords) {
    const std::set<std::string> words = {describe(R::Ok), describe(R::NoElement),
                                         describe(R::Unclosed), describe(R::MismatchedEndTag),
                                         describe(R::Malformed)};
    EXPECT_EQ(words.size(), 5u);
    EXPECT_EQ(words.count(""), 0u);
}

} // namespace
