#pragma once

#include "resource/ResourceLoader.h"

#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace Zem::Resource {

class Mesh;
struct ObjDocument;

// Loads "obj" files into complete meshes: groups with shared vertices and tangent frames,
// materials from the "mtllib" library bound by name, their textures acquired, and buffer
// objects made when the GL has GL_ARB_vertex_buffer_object.
class OBJLoader : public ResourceLoader {
public:
    // Loads "mtl" material libraries into meshes that have materials and no groups. The OBJ
    // loader registers one on its first load so libraries can be got by name.
    class MTLLoader : public ResourceLoader {
    public:
        std::string extension() const override;
        // Never fails.
        std::unique_ptr<Resource> load(ResourceStream& stream) override;
    };

    OBJLoader();
    ~OBJLoader() override;

    std::string extension() const override;
    // Null, with the reason on standard error, for a file that is refused; the manager then
    // reports "Unable to load ".
    std::unique_ptr<Resource> load(ResourceStream& stream) override;

    // The geometry of OBJ text with no GL and no resource cache involved: groups with their
    // shared vertices, degenerate triangles removed and tangent frames computed, materials
    // not yet bound. Null, with the reason in error, when the text is refused.
    static std::unique_ptr<Mesh> buildGeometry(std::string_view text, std::string& error,
                                               std::string* materialLibrary = nullptr);
    // The same from a stream, read from its current place in two passes.
    static std::unique_ptr<Mesh> buildGeometry(std::istream& stream, std::string& error,
                                               std::string* materialLibrary = nullptr);

private:
    static std::unique_ptr<Mesh> buildGeometry(const ObjDocument& document, std::string& error,
                                               std::string* materialLibrary);
    static bool buildGroups(const ObjDocument& document, Mesh& mesh, std::string& error);
    static void takeLibraryMaterials(const std::string& libraryName, Mesh& mesh);
    static void bindMaterials(Mesh& mesh);
    // A map that cannot be had is reported once, naming the mesh and its material.
    static void acquireTextures(Mesh& mesh, const std::string& meshName);
    static void uploadGroups(Mesh& mesh);

    std::unique_ptr<MTLLoader> mtlLoader;
};

} // namespace Zem::Resource
