// Loading a mesh of about a million triangles: the engine's OBJ path (parse, share vertices,
// tangent frames; no GL) against tinyobjloader's parse with triangulation.

#include "resource/Mesh.h"
#include "resource/OBJLoader.h"
#include "resource/ObjParser.h"

#include <benchmark/benchmark.h>

#ifdef ZEM_HAVE_TINYOBJ
#include <tiny_obj_loader.h>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace Zem::Resource;

// 708 x 708 quads make 1,002,528 triangles.
constexpr int segments = 708;

// A torus with a "v", "vt" and "vn" per grid point; the seams repeat positions with other
// texture coordinates, as exported meshes do.
std::string torusObj() {
    const float pi = 3.14159265f;
    const float major = 1.0f;
    const float minor = 0.4f;
    std::string text = "# generated torus\n";
    text.reserve(std::size_t(segments + 1) * (segments + 1) * 100);
    char line[128];
    for (int i = 0; i <= segments; ++i) {
        const float u = 2 * pi * float(i) / segments;
        for (int j = 0; j <= segments; ++j) {
            const float v = 2 * pi * float(j) / segments;
            const float nx = std::cos(v) * std::cos(u);
            const float ny = std::cos(v) * std::sin(u);
            const float nz = std::sin(v);
            const float ring = major + minor * std::cos(v);
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n",
                          ring * std::cos(u), ring * std::sin(u), minor * nz, float(i) / segments,
                          float(j) / segments, nx, ny, nz);
            text += line;
        }
    }
    text += "g torus\n";
    const int row = segments + 1;
    for (int i = 0; i < segments; ++i) {
        for (int j = 0; j < segments; ++j) {
            const int a = i * row + j + 1;
            const int b = a + row;
            std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b,
                          b, b, b + 1, b + 1, b + 1, a + 1, a + 1, a + 1);
            text += line;
        }
    }
    return text;
}

std::string objPath;

// What the "obj" loader does before any GL or cache work: both passes over the file, shared
// vertices, degenerate triangles, tangent frames.
void BM_ZemObjLoad(benchmark::State& state) {
    std::size_t triangles = 0;
    for (auto _ : state) {
        std::ifstream file(objPath, std::ios::binary);
        std::string error;
        const std::unique_ptr<Mesh> mesh = OBJLoader::buildGeometry(file, error);
        if (!mesh) {
            state.SkipWithError(error.c_str());
            return;
        }
        triangles = mesh->groups[0]->indices.size() / 3;
        benchmark::DoNotOptimize(mesh->groups[0]->tangents.data());
    }
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_ZemObjLoad)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The text parse alone: both passes, corners collected but not yet shared.
void BM_ZemObjParseOnly(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream file(objPath, std::ios::binary);
        ObjParser parser;
        ObjDocument document;
        if (!parser.parse(file, document)) {
            state.SkipWithError(parser.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(document.groups[0].corners.data());
    }
}
BENCHMARK(BM_ZemObjParseOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);

#ifdef ZEM_HAVE_TINYOBJ
void BM_TinyObjLoad(benchmark::State& state) {
    std::size_t triangles = 0;
    for (auto _ : state) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn;
        std::string err;
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, objPath.c_str(), nullptr,
                              true)) {
            state.SkipWithError(err.c_str());
            return;
        }
        triangles = shapes[0].mesh.indices.size() / 3;
        benchmark::DoNotOptimize(shapes[0].mesh.indices.data());
    }
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_TinyObjLoad)->Unit(benchmark::kMillisecond)->MinTime(3.0);
#endif

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    objPath = (std::filesystem::temp_directory_path() /
               ("zem-objbench-" + std::to_string(getpid()) + ".obj"))
                  .string();
    std::ofstream(objPath, std::ios::binary) << torusObj();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(objPath);
    return 0;
}
