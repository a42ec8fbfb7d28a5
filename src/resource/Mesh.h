#pragma once

#include "resource/Material.h"
#include "resource/MeshGroup.h"
#include "resource/Resource.h"

#include <memory>
#include <vector>

namespace Zem::Resource {

// A loaded OBJ model: its groups in file order and the materials of its library. A material
// library on its own (an MTL file) is a Mesh with materials and no groups.
class Mesh : public Resource {
public:
    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    // Groups first, then materials.
    ~Mesh() override;

    std::vector<std::unique_ptr<MeshGroup>> groups;
    std::vector<std::unique_ptr<Material>> materials;
};

// Draws every group with the current transform: its textures on units 3 down to 0 (0 where
// there is none), its material, then one indexed draw, from buffer objects when the group has
// them and the GL supports them, otherwise from client memory. Groups without triangles are
// skipped. Leaves unit 0 active, the client arrays enabled, the last textures and material in
// force.
void drawMesh(const Mesh& mesh);
// The same; a missing mesh draws nothing.
void drawMesh(const Mesh* mesh);

} // namespace Zem::Resource
