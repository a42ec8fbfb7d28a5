#pragma once

#include "resource/ResourceLoader.h"

namespace Zem::Resource {

// Loads "glfp" files: the GLSL source of one fragment shader, compiled into a ShaderObject.
class GLSLFragmentProgramLoader : public ResourceLoader {
public:
    std::string extension() const override;
    // Null when GL refuses the source or the context has no GLSL shaders; a source that does
    // not compile still loads, its log printed on standard output.
    std::unique_ptr<Resource> load(ResourceStream& stream) override;
};

} // namespace Zem::Resource
