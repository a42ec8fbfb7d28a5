#include "graphics/PassTimer.h"

#include <GL/glew.h>

namespace Zem::Graphics {

PassTimer::PassTimer() : enabled(available()) {
    if (enabled) {
        for (Queries& set : queries) {
            glGenQueries(spanCount, set.data());
        }
    }
}

PassTimer::~PassTimer() {
    if (enabled) {
        for (Queries& set : queries) {
            glDeleteQueries(spanCount, set.data());
        }
    }
}

bool PassTimer::available() {
    if (glGenQueries == nullptr || glBeginQuery == nullptr || glGetQueryObjectui64v == nullptr) {
        return false;
    }
    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    const bool core = major > 3 || (major == 3 && minor >= 3);
    return core || GLEW_ARB_timer_query || GLEW_EXT_timer_query;
}

void PassTimer::begin(int span) {
    if (!enabled || open >= 0 || span < 0 || span >= spanCount) {
        return;
    }
    const auto index = static_cast<std::size_t>(span);
    glBeginQuery(GL_TIME_ELAPSED, queries[static_cast<std::size_t>(frame)][index]);
    issued[static_cast<std::size_t>(frame)][index] = true;
    open = span;
}

void PassTimer::end() {
    if (!enabled || open < 0) {
        return;
    }
    glEndQuery(GL_TIME_ELAPSED);
    open = -1;
}

void PassTimer::frameDone() {
    if (!enabled) {
        return;
    }
    end();
    frame = 1 - frame;
    // The set about to be reused holds last frame's answers: read them now.
    const auto ready = static_cast<std::size_t>(frame);
    for (std::size_t span = 0; span < spanCount; ++span) {
        if (!issued[ready][span]) {
            latest[span] = -1.0;
            continue;
        }
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(queries[ready][span], GL_QUERY_RESULT, &nanoseconds);
        latest[span] = static_cast<double>(nanoseconds) / 1.0e6;
        issued[ready][span] = false;
    }
}

} // namespace Zem::Graphics
