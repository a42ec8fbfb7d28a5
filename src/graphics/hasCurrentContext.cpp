#include "graphics/hasCurrentContext.h"

#include <GL/glew.h>

namespace Zem::Graphics {

bool hasCurrentContext() {
    // GL 1.1 entry points are always there; without a current context they answer nothing.
    return glGetString(GL_VERSION) != nullptr;
}

} // namespace Zem::Graphics
