#include "resource/parseReporting.h"

#include "main/report.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"

namespace Zem::Resource {

bool parseReporting(XmlNode& document, ResourceStream& stream) {
    std::size_t line = 0;
    const XmlParseResult result = document.parse(stream, line);
    if (result == XmlParseResult::Ok) {
        return true;
    }
    Zem::Main::report(stream.name() + " line " + std::to_string(line) + ": " +
                      XmlNode::describe(result));
    return false;
}

} // namespace Zem::Resource
