#include "graphics/setUniform.h"

#include "graphics/Matrix4.h"

#include <GL/glew.h>

namespace Zem::Graphics {

void setUniform(uint32_t program, const char* name, int value) {
    if (program != 0) {
        glUniform1i(glGetUniformLocation(program, name), value);
    }
}

void setUniform(uint32_t program, const char* name, float value) {
    if (program != 0) {
        glUniform1f(glGetUniformLocation(program, name), value);
    }
}

void setUniform(uint32_t program, const char* name, float x, float y) {
    if (program != 0) {
        glUniform2f(glGetUniformLocation(program, name), x, y);
    }
}

void setUniform(uint32_t program, const char* name, const Matrix4& value) {
    if (program != 0) {
        glUniformMatrix4fv(glGetUniformLocation(program, name), 1, GL_FALSE, value.data());
    }
}

} // namespace Zem::Graphics
