#include "resource/parseReporting.h"

#include "main/report.h"
#include "resource/ResourceStream.h"
#include "resource/XmlError.h"
#include "resource/XmlNode.h"

namespace Zem::Resource {

bool parseReporting(XmlNode& document, ResourceStream& stream) {
    XmlFault fault;
    if (document.parse(stream, fault) == XmlParseResult::Ok) {
        return true;
    }
    Zem::Main::report(describeXmlFault(stream.path(), fault));
    return false;
}

} // namespace Zem::Resource
