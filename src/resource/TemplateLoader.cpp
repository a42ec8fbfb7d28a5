#include "resource/TemplateLoader.h"

#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"
#include "resource/parseReporting.h"

namespace Zem::Resource {

std::string TemplateLoader::extension() const {
    return "template";
}

std::unique_ptr<Resource> TemplateLoader::load(ResourceStream& stream) {
    auto document = std::make_unique<XmlNode>();
    if (!parseReporting(*document, stream)) {
        return nullptr;
    }
    return document;
}

} // namespace Zem::Resource
