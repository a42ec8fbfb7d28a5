#include "graphics/reportGLErrors.h"

#include <GL/glew.h>

#include <cstdio>

namespace Zem::Graphics {

bool reportGLErrors(const char* passName) {
    bool clean = true;
    // A lost context keeps reporting; do not spin on it.
    for (int count = 0; count < 16; ++count) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) {
            break;
        }
        std::fprintf(stderr, "GL error 0x%04X in %s\n", static_cast<unsigned>(error), passName);
        clean = false;
    }
    return clean;
}

} // namespace Zem::Graphics
