#include "resource/Mesh.h"

#include "graphics/MaterialPrograms.h"
#include "graphics/ShaderRegistry.h"
#include "resource/Texture.h"

#include <GL/glew.h>

namespace Zem::Resource {

namespace {

GLuint textureName(const Texture* texture) {
    return texture != nullptr ? texture->texture : 0;
}

// Highest unit first, so unit 0 is the active one afterwards.
void bindTextures(const Material* material) {
    const Texture* none = nullptr;
    const Texture* const units[4] = {
        material != nullptr ? material->diffuseTexture : none,
        material != nullptr ? material->specularTexture : none,
        material != nullptr ? material->bumpTexture : none,
        material != nullptr ? material->normalTexture : none,
    };
    for (int unit = 3; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, textureName(units[unit]));
    }
}

// The G-buffer programs take the specular red from the diffuse alpha and the shininess from
// the specular alpha, so each colour carries the next value along as its fourth.
void applyMaterial(const Material& material) {
    const float diffuse[4] = {material.diffuse[0], material.diffuse[1], material.diffuse[2],
                              material.specular[0]};
    const float specular[4] = {material.specular[0], material.specular[1], material.specular[2],
                               material.shininess};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &material.shininess);
}

// A 3-component texture coordinate set from a buffer, or the set switched off when the group
// has no such buffer, so no stale array is read.
void bindVectorSet(GLenum unit, GLuint buffer) {
    glClientActiveTextureARB(unit);
    if (buffer == 0) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        return;
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    glTexCoordPointer(3, GL_FLOAT, 0, nullptr);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

// Tangents reach the vertex program as texture coordinate set 1, binormals as set 2.
void drawFromBuffers(const MeshGroup& group) {
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, group.positionBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, group.normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    bindVectorSet(GL_TEXTURE1, group.tangentBuffer);
    bindVectorSet(GL_TEXTURE2, group.binormalBuffer);
    glClientActiveTextureARB(GL_TEXTURE0);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, group.texCoordBuffer);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, group.indexBuffer);
    glDrawElements(static_cast<GLenum>(group.primitive), static_cast<GLsizei>(group.indices.size()),
                   GL_UNSIGNED_INT, nullptr);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

// Tangents are not passed on this path; sets 1 and 2 are switched off so a buffer draw before
// this one cannot leave them pointing at deleted storage.
void drawFromMemory(const MeshGroup& group, bool bufferObjects) {
    if (bufferObjects) {
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    }
    for (const GLenum unit : {GL_TEXTURE2, GL_TEXTURE1}) {
        glClientActiveTextureARB(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glClientActiveTextureARB(GL_TEXTURE0);
    glVertexPointer(3, GL_FLOAT, 0, group.positions.data());
    glNormalPointer(GL_FLOAT, 0, group.normals.data());
    glTexCoordPointer(2, GL_FLOAT, 0, group.texCoords.data());
    glDrawElements(static_cast<GLenum>(group.primitive), static_cast<GLsizei>(group.indices.size()),
                   GL_UNSIGNED_INT, group.indices.data());
}

// The maps the group's material binds, as the drawing pass picks its program by them.
unsigned mapsOf(const Material* material) {
    using Graphics::MaterialPrograms;
    if (material == nullptr) {
        return 0;
    }
    return (material->diffuseTexture != nullptr ? MaterialPrograms::DiffuseMap : 0u) |
           (material->specularTexture != nullptr ? MaterialPrograms::SpecularMap : 0u) |
           (material->bumpTexture != nullptr ? MaterialPrograms::BumpMap : 0u) |
           (material->normalTexture != nullptr ? MaterialPrograms::NormalMap : 0u);
}

// Something to draw, and arrays that cover every vertex the positions define.
bool isDrawable(const MeshGroup& group) {
    const std::size_t vertices = group.positions.size() / 3;
    return !group.indices.empty() && group.normals.size() / 3 >= vertices &&
           group.texCoords.size() / 2 >= vertices;
}

void drawGroup(const MeshGroup& group, bool bufferObjects) {
    bindTextures(group.material);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (group.material != nullptr) {
        applyMaterial(*group.material);
    }
    Graphics::MaterialPrograms* programs = Graphics::ShaderRegistry::instance().materialPrograms;
    if (programs != nullptr) {
        programs->useFor(mapsOf(group.material));
    }
    // A group never uploaded (no buffer objects when it was loaded) draws from its arrays.
    if (bufferObjects && group.indexBuffer != 0) {
        drawFromBuffers(group);
    } else {
        drawFromMemory(group, bufferObjects);
    }
    if (programs != nullptr) {
        programs->useDefault();
    }
}

} // namespace

Mesh::~Mesh() {
    groups.clear();
    materials.clear();
}

void drawMesh(const Mesh& mesh) {
    const bool bufferObjects = GLEW_ARB_vertex_buffer_object;
    for (const std::unique_ptr<MeshGroup>& group : mesh.groups) {
        if (isDrawable(*group)) {
            drawGroup(*group, bufferObjects);
        }
    }
}

void drawMesh(const Mesh* mesh) {
    if (mesh != nullptr) {
        drawMesh(*mesh);
    }
}

} // namespace Zem::Resource
