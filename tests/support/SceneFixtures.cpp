#include "support/SceneFixtures.h"

#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"

#include <fstream>
#include <sstream>

namespace ZemTest {

using Zem::Resource::Mesh;
using Zem::Resource::MeshGroup;

namespace {

std::unique_ptr<MeshGroup> makeGroup(const std::vector<float>& corners) {
    auto group = std::make_unique<MeshGroup>();
    group->positions = corners;
    for (uint32_t i = 0; i < corners.size() / 3; ++i) {
        group->indices.push_back(i);
    }
    return group;
}

} // namespace

std::unique_ptr<Mesh> makeMesh(const TriangleGroups& groups) {
    auto mesh = std::make_unique<Mesh>();
    for (const std::vector<float>& corners : groups) {
        mesh->groups.push_back(makeGroup(corners));
    }
    return mesh;
}

Zem::Resource::XmlNode xmlElement(const std::string& xml) {
    return Zem::Resource::XmlNode(xml);
}

std::unique_ptr<Zem::Resource::Resource>
TestMeshLoader::load(Zem::Resource::ResourceStream& stream) {
    TriangleGroups groups;
    std::string line;
    while (std::getline(stream, line)) {
        std::istringstream numbers(line);
        std::vector<float> corners;
        float value = 0.0f;
        while (numbers >> value) {
            corners.push_back(value);
        }
        if (!corners.empty()) {
            groups.push_back(corners);
        }
    }
    return makeMesh(groups);
}

MeshFiles::MeshFiles() {
    Zem::Resource::ResourceManager& resources = Zem::Resource::ResourceManager::instance();
    resources.reset();
    resources.addSearchPath(directory.path() + "/");
    resources.registerLoader(&loader);
}

MeshFiles::~MeshFiles() {
    Zem::Resource::ResourceManager::instance().reset();
}

void MeshFiles::write(const std::string& name, const TriangleGroups& groups) {
    std::ofstream file(directory.file(name));
    for (const std::vector<float>& corners : groups) {
        for (float value : corners) {
            file << value << ' ';
        }
        file << '\n';
    }
}

void MeshFiles::writeText(const std::string& name, const std::string& text) {
    std::ofstream file(directory.file(name));
    file << text;
}

} // namespace ZemTest
