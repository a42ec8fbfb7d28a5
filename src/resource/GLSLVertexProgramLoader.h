#pragma once

#include "resource/ResourceLoader.h"

namespace Zem::Resource {

// Loads "glvp" files: the GLSL source of one vertex shader, compiled into a ShaderObject.
class GLSLVertexProgramLoader : public ResourceLoader {
public:
    std::string extension() const override;
    // Null when GL refuses the source or the context has no GLSL shaders; a source that does
    // not compile still loads, its log printed on standard output.
    std::unique_ptr<Resource> load(ResourceStream& stream) override;
};

} // namespace Zem::Resource
