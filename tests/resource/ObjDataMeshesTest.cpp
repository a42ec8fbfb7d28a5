// The meshes under data/ must load exactly as they did before the OBJ reader learned to accept
// more of what exporters write. The table holds a summary of each mesh as that earlier reader
// built it; the test builds each mesh again and compares.

#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "resource/OBJLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace Zem::Resource;

struct MeshSummary {
    std::size_t groups = 0;
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    // FNV-1a over every group's names and arrays, floats to a ten-thousandth so that another
    // compiler's rounding of the tangent frame does not count as a change.
    uint64_t hash = 0xcbf29ce484222325ULL;

    bool operator==(const MeshSummary& other) const {
        return groups == other.groups && vertices == other.vertices &&
               triangles == other.triangles && hash == other.hash;
    }
};

struct Fnv {
    uint64_t& hash;
    void bytes(const void* data, std::size_t size) const {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ p[i]) * 0x100000001b3ULL;
        }
    }
    // The length goes in first, so moving a value from one array to the next changes the hash.
    template <typename T> void array(const std::vector<T>& values) const {
        const uint64_t size = values.size();
        bytes(&size, sizeof size);
        if constexpr (std::is_floating_point_v<T>) {
            for (const T value : values) {
                const int64_t fixed = std::llround(static_cast<double>(value) * 1e4);
                bytes(&fixed, sizeof fixed);
            }
        } else {
            bytes(values.data(), values.size() * sizeof(T));
        }
    }
    void text(const std::string& s) const {
        const uint64_t size = s.size();
        bytes(&size, sizeof size);
        bytes(s.data(), s.size());
    }
};

MeshSummary summarize(const Mesh& mesh) {
    MeshSummary summary;
    const Fnv fnv{summary.hash};
    summary.groups = mesh.groups.size();
    for (const std::unique_ptr<MeshGroup>& group : mesh.groups) {
        summary.vertices += group->positions.size() / 3;
        summary.triangles += group->indices.size() / 3;
        fnv.text(group->name);
        fnv.text(group->materialName);
        fnv.bytes(&group->flags, sizeof group->flags);
        fnv.array(group->positions);
        fnv.array(group->texCoords);
        fnv.array(group->normals);
        fnv.array(group->tangents);
        fnv.array(group->binormals);
        fnv.array(group->indices);
    }
    return summary;
}

std::ostream& operator<<(std::ostream& out, const MeshSummary& s) {
    return out << "{" << s.groups << ", " << s.vertices << ", " << s.triangles << ", 0x" << std::hex
               << s.hash << std::dec << "ULL}";
}

struct Expected {
    const char* file;
    MeshSummary summary;
};

// What the reader made of these files before it accepted faces outside a group, omitted texture
// and normal indices without "vt"/"vn", number prefixes and long lines (checked bit for bit
// against that reader when it changed). A mesh added to data/ gets its row here.
const Expected expected[] = {
    {"axel.obj", {1, 100, 96, 0x815d282f71a67035ULL}},
    {"crate.obj", {1, 24, 12, 0xa4093830697d1a49ULL}},
    {"cube.obj", {1, 24, 12, 0xed3733597bdf4ed1ULL}},
    {"doorway.obj", {1, 4, 2, 0x646eba88ba6588e6ULL}},
    {"kugghjul.obj", {1, 802, 640, 0x5326a8cbc941a1f1ULL}},
    {"pillar.obj", {1, 39, 36, 0x90cd70111be871ebULL}},
    {"room_a.obj", {3, 36, 20, 0xde53f7c2857e5ee4ULL}},
    {"room_c.obj", {3, 30, 16, 0x886d0d85bec0b001ULL}},
    {"window.obj", {1, 9, 8, 0x24e0da4f5cf852adULL}},
    {"room_b.obj", {3, 30, 16, 0xdc43e75a31e2feb7ULL}},
};

TEST(ObjDataMeshesTest, EveryMeshUnderDataLoadsAsBefore) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("data")) {
        if (entry.path().extension() == ".obj") {
            files.push_back(entry.path().filename().string());
        }
    }
    // A new mesh needs its line in the table, so nothing under data/ goes unchecked.
    ASSERT_EQ(files.size(), std::size(expected));
    for (const Expected& row : expected) {
        std::ifstream file(std::string("data/") + row.file, std::ios::binary);
        ASSERT_TRUE(file) << row.file;
        std::string error;
        const std::unique_ptr<Mesh> mesh = OBJLoader::buildGeometry(file, error);
        ASSERT_TRUE(mesh) << row.file << ": " << error;
        EXPECT_EQ(summarize(*mesh), row.summary) << row.file;
    }
}

} // namespace
