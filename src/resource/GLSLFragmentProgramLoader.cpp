#include "resource/GLSLFragmentProgramLoader.h"

#include "resource/ResourceStream.h"
#include "resource/ShaderObject.h"

#include <GL/glew.h>

namespace Zem::Resource {

std::string GLSLFragmentProgramLoader::extension() const {
    return "glfp";
}

std::unique_ptr<Resource> GLSLFragmentProgramLoader::load(ResourceStream& stream) {
    return ShaderObject::compile(ShaderObject::readSource(stream), GL_FRAGMENT_SHADER);
}

} // namespace Zem::Resource
