// What the renderer and the script pay per call: a world-matrix read that hits the cache, one
// that follows a channel write and rebuilds, and a name lookup in a world of a given size.

#include "main/BaseEntity.h"
#include "resource/XmlNode.h"

#include "support/BenchGame.h"

#include <benchmark/benchmark.h>

#include <string>

using ZemBench::BenchGame;

namespace {

void WorldMatrixCached(benchmark::State& state) {
    BenchGame game;
    Zem::Main::BaseEntity entity(
        Zem::Resource::XmlNode("<entity><position>1 2 3</position><rotation>10 20 30</rotation>"
                               "</entity>"));
    entity.getWorldMatrix();
    for (auto _ : state) {
        benchmark::DoNotOptimize(entity.getWorldMatrix());
    }
}
BENCHMARK(WorldMatrixCached);

void WorldMatrixAfterChannelWrite(benchmark::State& state) {
    BenchGame game;
    Zem::Main::BaseEntity entity(Zem::Resource::XmlNode("<entity/>"));
    float angle = 0.0f;
    for (auto _ : state) {
        entity.setChannel(4, angle);
        angle += 0.5f;
        benchmark::DoNotOptimize(entity.getWorldMatrix());
    }
}
BENCHMARK(WorldMatrixAfterChannelWrite);

// The last of n entities: the worst case of the linear lookup.
void FindEntity(benchmark::State& state) {
    BenchGame game;
    const int count = static_cast<int>(state.range(0));
    for (int i = 0; i < count; ++i) {
        new Zem::Main::BaseEntity(
            Zem::Resource::XmlNode("<entity name='entity" + std::to_string(i) + "'/>"));
    }
    const std::string last = "entity" + std::to_string(count - 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(game.findEntity(last));
    }
}
BENCHMARK(FindEntity)->Arg(10)->Arg(100)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
