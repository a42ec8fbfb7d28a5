// The per-frame matrix work: world matrices are rebuilt, multiplied, inverted and applied to
// points many times per frame (visibility, portals, collision), so each must stay cheap.
#include "graphics/Matrix4.h"

#include <benchmark/benchmark.h>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

static void BM_Product(benchmark::State& state) {
    Matrix4 a = Matrix4::translationRotation(Vector3(1, 2, 3), Vector3(10, 20, 30));
    const Matrix4 b = Matrix4::rotation(7, 0, 0, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a = Matrix4::product(a, b));
    }
}
BENCHMARK(BM_Product);

static void BM_Inverse(benchmark::State& state) {
    Matrix4 m = Matrix4::translationRotation(Vector3(1, 2, 3), Vector3(10, 20, 30));
    for (auto _ : state) {
        benchmark::DoNotOptimize(m = m.inverse());
    }
}
BENCHMARK(BM_Inverse);

static void BM_WorldMatrixRebuild(benchmark::State& state) {
    Vector3 angles(10, 20, 30);
    for (auto _ : state) {
        angles.y += 0.5f;
        const Matrix4 world = Matrix4::translationRotation(Vector3(1, 2, 3), angles);
        benchmark::DoNotOptimize(world.inverse());
    }
}
BENCHMARK(BM_WorldMatrixRebuild);

static void BM_TransformPoint(benchmark::State& state) {
    const Matrix4 m = Matrix4::translationRotation(Vector3(1, 2, 3), Vector3(10, 20, 30));
    Vector3 p(0.5f, 0.25f, 2.0f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(p = m.transformPoint(p));
    }
}
BENCHMARK(BM_TransformPoint);

BENCHMARK_MAIN();
