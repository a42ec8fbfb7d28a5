#include "resource/parseReporting.h"

#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"

#include <iostream>

namespace Zem::Resource {

bool parseReporting(XmlNode& document, ResourceStream& stream) {
    std::size_t line = 0;
    const XmlParseResult result = document.parse(stream, line);
    if (result == XmlParseResult::Ok) {
        return true;
    }
    std::cout << stream.name() << " line " << line << ": " << XmlNode::describe(result)
              << std::endl;
    return false;
}

} // namespace Zem::Resource
