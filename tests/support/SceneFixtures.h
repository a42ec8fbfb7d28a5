#pragma once

#include "main/Game.h"
#include "resource/Mesh.h"
#include "resource/ResourceLoader.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace ZemTest {

// One vector per mesh group, nine floats (three corners) per triangle.
using TriangleGroups = std::vector<std::vector<float>>;

// A mesh built in memory, each corner its own vertex; no GL buffers.
std::unique_ptr<Zem::Resource::Mesh> makeMesh(const TriangleGroups& groups);

// A parsed world-file element, e.g. xmlElement("<entity name='a'><radius>1</radius></entity>").
Zem::Resource::XmlNode xmlElement(const std::string& xml);

// A game that only holds entities and factories. Entities built while it lives list themselves
// in it; whoever deletes it also clears Zem::Main::currentGame.
class SceneGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

// Loads "*.testmesh" files: every non-blank line is one group, nine numbers per triangle.
class TestMeshLoader : public Zem::Resource::ResourceLoader {
public:
    std::string extension() const override { return "testmesh"; }
    std::unique_ptr<Zem::Resource::Resource> load(Zem::Resource::ResourceStream& stream) override;
};

// Test mesh (and other) files in a temporary directory that the resource manager searches, so an
// entity's "model" or "collisionmodel" can name them. The manager is reset when this goes away.
class MeshFiles {
public:
    MeshFiles();
    MeshFiles(const MeshFiles&) = delete;
    MeshFiles& operator=(const MeshFiles&) = delete;
    ~MeshFiles();

    // Writes `name` (ending in ".testmesh") with one line per group.
    void write(const std::string& name, const TriangleGroups& groups);
    // Writes any other file into the searched directory.
    void writeText(const std::string& name, const std::string& text);

private:
    TempDir directory;
    TestMeshLoader loader;
};

} // namespace ZemTest
