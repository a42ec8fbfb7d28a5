#include "graphics/reportGLErrors.h"

#include "main/report.h"

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
        char line[96];
        std::snprintf(line, sizeof line, "GL error 0x%04X in %s", static_cast<unsigned>(error),
                      passName);
        Main::report(line);
        clean = false;
    }
    return clean;
}

} // namespace Zem::Graphics
