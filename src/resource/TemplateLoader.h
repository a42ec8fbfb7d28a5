#pragma once

#include "resource/ResourceLoader.h"

namespace Zem::Resource {

// Reads "template" files: settings shared by several entities. The parsed document itself is
// the cached resource.
class TemplateLoader : public ResourceLoader {
public:
    std::string extension() const override;
    // The document, or null when it does not parse.
    std::unique_ptr<Resource> load(ResourceStream& stream) override;
};

} // namespace Zem::Resource
