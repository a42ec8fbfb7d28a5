#pragma once

#include "main/Game.h"
#include "resource/Mesh.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ZemTest {

// One vector per mesh group, nine floats (three corners) per triangle.
using TriangleGroups = std::vector<std::vector<float>>;

// A mesh built in memory, each corner its own vertex; no GL buffers.
inline std::unique_ptr<Zem::Resource::Mesh> makeMesh(const TriangleGroups& groups) {
    auto mesh = std::make_unique<Zem::Resource::Mesh>();
    for (const std::vector<float>& corners : groups) {
        auto group = std::make_unique<Zem::Resource::MeshGroup>();
        group->positions = corners;
        for (uint32_t i = 0; i < corners.size() / 3; ++i) {
            group->indices.push_back(i);
        }
        mesh->groups.push_back(std::move(group));
    }
    return mesh;
}

inline Zem::Resource::XmlNode xmlElement(const std::string& xml) {
    return Zem::Resource::XmlNode(xml);
}

// A game that only holds entities and factories; entities built while it lives list themselves
// in it and die with it.
class SceneGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return true; }
    bool shutdown() override { return true; }
};

// "*.testmesh" files (a group a line, nine numbers a triangle) in a temporary directory that the
// resource manager searches while this lives.
class MeshFiles {
public:
    MeshFiles() {
        Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
        resources.reset();
        resources.addSearchPath(directory.path() + "/");
        resources.registerLoader(&loader);
    }
    ~MeshFiles() { Zem::Resource::ResourceManager::instance().reset(); }

    void write(const std::string& name, const TriangleGroups& groups) {
        std::ofstream file(directory.file(name));
        for (const std::vector<float>& corners : groups) {
            for (float value : corners) {
                file << value << ' ';
            }
            file << '\n';
        }
    }

private:
    class Loader : public Zem::Resource::ResourceLoader {
    public:
        std::string extension() const override { return "testmesh"; }
        std::unique_ptr<Zem::Resource::Resource>
        load(Zem::Resource::ResourceStream& stream) override {
            TriangleGroups groups;
            for (std::string line; std::getline(stream, line);) {
                std::istringstream numbers(line);
                std::vector<float> corners;
                for (float value = 0.0f; numbers >> value;) {
                    corners.push_back(value);
                }
                if (!corners.empty()) {
                    groups.push_back(corners);
                }
            }
            return makeMesh(groups);
        }
    };

    TempDir directory;
    Loader loader;
};

} // namespace ZemTest
