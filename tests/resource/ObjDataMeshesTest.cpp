// The meshes under data/ must load exactly as they did before the OBJ reader learned to accept
// more of what exporters write: each row sums up a mesh as that earlier reader built it.

#include "resource/Mesh.h"
#include "resource/MeshGroup.h"
#include "resource/OBJLoader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using namespace Zem::Resource;
// Groups, vertices, triangles and a hash of every group's names and arrays.
using Summary = std::array<uint64_t, 4>;

// FNV-1a. Each name and array goes in after its length, so moving a value from one array to the
// next changes the hash.
struct Fnv {
    uint64_t hash = 0xcbf29ce484222325ULL;
    void bytes(const void* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 0x100000001b3ULL;
        }
    }
    template <typename Values> void sized(const Values& values) {
        using T = typename Values::value_type;
        const uint64_t size = values.size();
        bytes(&size, sizeof size);
        if constexpr (std::is_floating_point_v<T>) {
            // To a ten-thousandth: another compiler's rounding of the tangent frame is no change.
            for (const T value : values) {
                const int64_t fixed = std::llround(static_cast<double>(value) * 1e4);
                bytes(&fixed, sizeof fixed);
            }
        } else {
            bytes(values.data(), values.size() * sizeof(T));
        }
    }
};

Summary summarize(const Mesh& mesh) {
    Fnv fnv;
    Summary summary{mesh.groups.size(), 0, 0, 0};
    for (const std::unique_ptr<MeshGroup>& group : mesh.groups) {
        summary[1] += group->positions.size() / 3;
        summary[2] += group->indices.size() / 3;
        fnv.sized(group->name);
        fnv.sized(group->materialName);
        fnv.bytes(&group->flags, sizeof group->flags);
        for (const std::vector<float>* floats :
             {&group->positions, &group->texCoords, &group->normals, &group->tangents,
              &group->binormals}) {
            fnv.sized(*floats);
        }
        fnv.sized(group->indices);
    }
    summary[3] = fnv.hash;
    return summary;
}

// What the reader made of these files before it accepted faces outside a group, omitted texture
// and normal indices without "vt"/"vn", number prefixes and long lines (checked bit for bit
// against that reader when it changed). A mesh added to data/ gets its row here.
const std::pair<const char*, Summary> expected[] = {
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
    {"gearplate.obj", {1, 20, 10, 0xa045afcc49099bb9ULL}},
    {"gearplate_wide.obj", {1, 20, 10, 0xe1a8dc7362378fd9ULL}},
    {"gridcube.obj", {1, 24, 12, 0xe9af51174db58654ULL}},
    {"lantern.obj", {1, 24, 12, 0xf0fd912bdfa5d9d1ULL}},
};

TEST(ObjDataMeshesTest, EveryMeshUnderDataLoadsAsBefore) {
    std::size_t meshes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("data")) {
        meshes += entry.path().extension() == ".obj";
    }
    // A new mesh needs its row in the table, so nothing under data/ goes unchecked.
    ASSERT_EQ(meshes, std::size(expected));
    for (const auto& [name, summary] : expected) {
        std::ifstream file(std::string("data/") + name, std::ios::binary);
        std::string error;
        const std::unique_ptr<Mesh> mesh = OBJLoader::buildGeometry(file, error);
        ASSERT_TRUE(mesh) << name << ": " << error;
        const Summary got = summarize(*mesh);
        EXPECT_EQ(got, summary) << name << ": hash 0x" << std::hex << got[3];
    }
}

} // namespace
