#include "resource/XmlError.h"

#include <gtest/gtest.h>

namespace {

using Zem::Resource::describeXmlError;

TEST(XmlError, NamesTheLineOfTheFault) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
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
    for (const auto& c : cases) {
        EXPECT_EQ(describeXmlError(c.text), c.expected) << c.text;
    }
}

} // namespace
