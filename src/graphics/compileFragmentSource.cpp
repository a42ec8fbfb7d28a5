#include "graphics/compileFragmentSource.h"

#include <GL/glew.h>

namespace Zem::Graphics {

uint32_t compileFragmentSource(const std::string& source) {
    if (glCreateShader == nullptr) {
        return 0;
    }
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace Zem::Graphics
