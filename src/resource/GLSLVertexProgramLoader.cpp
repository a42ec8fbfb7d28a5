#include "resource/GLSLVertexProgramLoader.h"

#include "resource/ResourceStream.h"
#include "resource/ShaderObject.h"

#include <GL/glew.h>

namespace Zem::Resource {

std::string GLSLVertexProgramLoader::extension() const {
    return "glvp";
}

std::unique_ptr<Resource> GLSLVertexProgramLoader::load(ResourceStream& stream) {
    return ShaderObject::compile(ShaderObject::readSource(stream), GL_VERTEX_SHADER);
}

} // namespace Zem::Resource
