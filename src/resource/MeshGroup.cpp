#include "resource/MeshGroup.h"

#include "graphics/hasCurrentContext.h"

#include <GL/glew.h>

namespace Zem::Resource {

namespace {

// Generates a buffer, binds it to target and fills it with the values.
template <class T> GLuint makeBuffer(GLenum target, const std::vector<T>& values) {
    static_assert(sizeof(T) == 4, "buffer elements are 4 bytes");
    GLuint buffer = 0;
    glGenBuffersARB(1, &buffer);
    glBindBufferARB(target, buffer);
    glBufferDataARB(target, static_cast<GLsizeiptrARB>(values.size() * sizeof(T)), values.data(),
                    GL_STATIC_DRAW_ARB);
    return buffer;
}

} // namespace

MeshGroup::~MeshGroup() {
    const GLuint buffers[] = {positionBuffer, normalBuffer,   tangentBuffer,
                              binormalBuffer, texCoordBuffer, indexBuffer};
    for (const GLuint buffer : buffers) {
        if (buffer != 0 && glDeleteBuffersARB != nullptr) {
            glDeleteBuffersARB(1, &buffer);
        }
    }
}

void uploadBuffers(MeshGroup& group) {
    // Without a context the mesh keeps its data and has no buffers; it is never drawn.
    if (!Graphics::hasCurrentContext()) {
        return;
    }
    group.indexBuffer = makeBuffer(GL_ELEMENT_ARRAY_BUFFER_ARB, group.indices);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);

    group.positionBuffer = makeBuffer(GL_ARRAY_BUFFER_ARB, group.positions);
    group.normalBuffer = makeBuffer(GL_ARRAY_BUFFER_ARB, group.normals);
    if ((group.flags & MeshGroup::Tangents) != 0) {
        group.tangentBuffer = makeBuffer(GL_ARRAY_BUFFER_ARB, group.tangents);
        group.binormalBuffer = makeBuffer(GL_ARRAY_BUFFER_ARB, group.binormals);
    }
    group.texCoordBuffer = makeBuffer(GL_ARRAY_BUFFER_ARB, group.texCoords);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

} // namespace Zem::Resource
