#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zem::Resource {

class Material;

// The triangles of one "g" statement of an OBJ file with their shared vertices. All five
// vertex arrays hold one entry per vertex, in the same order.
class MeshGroup {
public:
    // Flag: tangents and binormals are filled.
    static constexpr int32_t Tangents = 8;

    MeshGroup() = default;
    MeshGroup(const MeshGroup&) = delete;
    MeshGroup& operator=(const MeshGroup&) = delete;
    // Deletes the buffer objects it holds; the material belongs to the mesh.
    ~MeshGroup();

    int32_t flags = 0;
    std::string name;
    // The mesh's material named materialName, or null.
    Material* material = nullptr;
    std::string materialName;

    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> normals;    // x, y, z per vertex, as the file gave them
    std::vector<float> tangents;   // x, y, z per vertex, unit length
    std::vector<float> binormals;  // x, y, z per vertex, unit length
    std::vector<float> texCoords;  // u, v per vertex
    std::vector<uint32_t> indices; // three per triangle

    // The GL primitive mode: always GL_TRIANGLES.
    int32_t primitive = 4;

    // GL buffer object names; 0 until uploadBuffers makes them.
    uint32_t positionBuffer = 0;
    uint32_t normalBuffer = 0;
    uint32_t tangentBuffer = 0;
    uint32_t binormalBuffer = 0;
    uint32_t texCoordBuffer = 0;
    uint32_t indexBuffer = 0;
};

// Copies the group's arrays into static GL buffer objects (GL_ARB_vertex_buffer_object);
// tangent and binormal buffers only when the group has its tangents. The arrays stay.
void uploadBuffers(MeshGroup& group);

} // namespace Zem::Resource
