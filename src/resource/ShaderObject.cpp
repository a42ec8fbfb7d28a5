#include "resource/ShaderObject.h"

#include "graphics/hasCurrentContext.h"
#include "main/report.h"

#include <GL/glew.h>

#include <utility>

namespace Zem::Resource {

ShaderObject::~ShaderObject() {
    if (shader != 0 && glDeleteShader != nullptr) {
        glDeleteShader(shader);
    }
}

std::string ShaderObject::readSource(std::istream& stream) {
    std::string source;
    for (std::string line; std::getline(stream, line);) {
        source += line;
        source += '\n';
    }
    return source;
}

Reload ShaderObject::adopt(Resource& fresh) {
    auto* other = dynamic_cast<ShaderObject*>(&fresh);
    if (other == nullptr || !other->compiled) {
        return Reload::Refused;
    }
    std::swap(shader, other->shader);
    std::swap(compiled, other->compiled);
    return Reload::InPlace;
}

bool ShaderObject::shaderFunctionsAvailable() {
    return glCreateShader != nullptr && glShaderSource != nullptr && glCompileShader != nullptr &&
           glGetShaderiv != nullptr && glGetShaderInfoLog != nullptr && glDeleteShader != nullptr;
}

std::unique_ptr<ShaderObject> ShaderObject::compile(const std::string& source, uint32_t type) {
    if (!Graphics::hasCurrentContext()) {
        Zem::Main::report("No OpenGL context: programs cannot be compiled");
        return nullptr;
    }
    if (!shaderFunctionsAvailable()) {
        Zem::Main::report("GLSL shaders are not supported by this OpenGL context");
        return nullptr;
    }
    const GLuint shader = glCreateShader(type);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    if (glGetError() != GL_NO_ERROR) {
        if (shader != 0) {
            glDeleteShader(shader);
        }
        return nullptr;
    }
    glCompileShader(shader);

    GLint logLength = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::string log(static_cast<std::size_t>(logLength), '\0');
        glGetShaderInfoLog(shader, logLength, nullptr, log.data());
        log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
        Zem::Main::report(log);
    }
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    auto object = std::make_unique<ShaderObject>(shader);
    object->compiled = status == GL_TRUE;
    return object;
}

} // namespace Zem::Resource
