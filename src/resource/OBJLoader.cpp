#include "resource/OBJLoader.h"

#include "main/report.h"
#include "resource/Mesh.h"
#include "resource/MtlParser.h"
#include "resource/ObjParser.h"
#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"
#include "resource/Texture.h"
#include "resource/VertexUnifier.h"
#include "resource/computeTangentFrame.h"
#include "resource/readWholeStream.h"

#include <GL/glew.h>

#include <tuple>

namespace Zem::Resource {

std::string OBJLoader::MTLLoader::extension() const {
    return "mtl";
}

std::unique_ptr<Resource> OBJLoader::MTLLoader::load(ResourceStream& stream) {
    auto library = std::make_unique<Mesh>();
    library->materials = MtlParser::parse(readWholeStream(stream));
    return library;
}

OBJLoader::OBJLoader() = default;
OBJLoader::~OBJLoader() = default;

std::string OBJLoader::extension() const {
    return "obj";
}

std::unique_ptr<Resource> OBJLoader::load(ResourceStream& stream) {
    if (!mtlLoader) {
        mtlLoader = std::make_unique<MTLLoader>();
        ResourceManager::instance().registerLoader(mtlLoader.get());
    }

    std::string error;
    std::string libraryName;
    std::unique_ptr<Mesh> mesh =
        buildGeometry(static_cast<std::istream&>(stream), error, &libraryName);
    if (!mesh) {
        Zem::Main::report(stream.name() + ": " + error);
        return nullptr;
    }
    if (!libraryName.empty()) {
        takeLibraryMaterials(libraryName, *mesh);
    }
    bindMaterials(*mesh);
    acquireTextures(*mesh, stream.name());
    if (GLEW_ARB_vertex_buffer_object) {
        uploadGroups(*mesh);
    }
    return mesh;
}

std::unique_ptr<Mesh> OBJLoader::buildGeometry(std::string_view text, std::string& error,
                                               std::string* materialLibrary) {
    ObjParser parser;
    ObjDocument document;
    if (!parser.parse(text, document)) {
        error = parser.error();
        return nullptr;
    }
    return buildGeometry(document, error, materialLibrary);
}

std::unique_ptr<Mesh> OBJLoader::buildGeometry(std::istream& stream, std::string& error,
                                               std::string* materialLibrary) {
    ObjParser parser;
    ObjDocument document;
    if (!parser.parse(stream, document)) {
        error = parser.error();
        return nullptr;
    }
    return buildGeometry(document, error, materialLibrary);
}

std::unique_ptr<Mesh> OBJLoader::buildGeometry(const ObjDocument& document, std::string& error,
                                               std::string* materialLibrary) {
    auto mesh = std::make_unique<Mesh>();
    if (!buildGroups(document, *mesh, error)) {
        return nullptr;
    }
    if (materialLibrary != nullptr) {
        *materialLibrary = document.materialLibrary;
    }
    return mesh;
}

bool OBJLoader::buildGroups(const ObjDocument& document, Mesh& mesh, std::string& error) {
    VertexUnifier unifier(document);
    for (const ObjGroup& source : document.groups) {
        GroupGeometry geometry;
        if (!unifier.finishGroup(source.corners, geometry)) {
            error = "group \"" + source.name + "\" names a missing vertex";
            return false;
        }
        // Buffers and draws need at least one triangle.
        if (geometry.indices.empty()) {
            error = "group \"" + source.name + "\" has no triangle";
            return false;
        }
        auto group = std::make_unique<MeshGroup>();
        group->name = source.name;
        group->materialName = source.materialName;
        group->positions = std::move(geometry.positions);
        group->normals = std::move(geometry.normals);
        group->texCoords = std::move(geometry.texCoords);
        group->indices = std::move(geometry.indices);
        computeTangentFrame(group->positions, group->texCoords, group->normals, group->indices,
                            group->tangents, group->binormals);
        group->flags |= MeshGroup::Tangents;
        mesh.groups.push_back(std::move(group));
    }
    return true;
}

// The library is cached only while this load holds it, unless others hold it too: it may be
// a mesh in use (named by mistake, or by a reload's trial load), whose groups point at its
// materials. So the mesh gets copies of them, never the library's own.
void OBJLoader::takeLibraryMaterials(const std::string& libraryName, Mesh& mesh) {
    ResourceManager& manager = ResourceManager::instance();
    Mesh* library = manager.get<Mesh>(libraryName);
    if (library == nullptr) {
        return;
    }
    for (const std::unique_ptr<Material>& material : library->materials) {
        mesh.materials.push_back(material->withoutTextures());
    }
    manager.release(library);
}

// The last material of a name wins.
void OBJLoader::bindMaterials(Mesh& mesh) {
    for (const std::unique_ptr<MeshGroup>& group : mesh.groups) {
        for (const std::unique_ptr<Material>& material : mesh.materials) {
            if (material->name == group->materialName) {
                group->material = material.get();
            }
        }
    }
}

void OBJLoader::acquireTextures(Mesh& mesh, const std::string& meshName) {
    ResourceManager& manager = ResourceManager::instance();
    for (const std::unique_ptr<Material>& material : mesh.materials) {
        const std::tuple<const char*, const std::string*, Texture**> maps[] = {
            {"map_Kd", &material->diffuseMap, &material->diffuseTexture},
            {"map_Ks", &material->specularMap, &material->specularTexture},
            {"map_Normal", &material->normalMap, &material->normalTexture},
            {"map_Bump", &material->bumpMap, &material->bumpTexture},
        };
        for (const auto& [statement, mapName, slot] : maps) {
            if (mapName->empty()) {
                continue;
            }
            const bool reportedBefore = manager.hasFailed(*mapName);
            *slot = manager.get<Texture>(*mapName);
            if (*slot == nullptr && !reportedBefore) {
                Zem::Main::report(meshName + ": material \"" + material->name +
                                  "\": no texture \"" + *mapName + "\" (" + statement +
                                  "); a texture is a BMP or PNG file along the search paths");
            }
        }
    }
}

void OBJLoader::uploadGroups(Mesh& mesh) {
    for (const std::unique_ptr<MeshGroup>& group : mesh.groups) {
        uploadBuffers(*group);
    }
}

} // namespace Zem::Resource
