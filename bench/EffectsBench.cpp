// Per-frame costs of the demo's effects on the CPU: the dust walk, the cube wave, a gear train's
// propagation, and building a leaf storm.

#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Cog.h"
#include "main/Room.h"
#include "resource/XmlNode.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"

#include "support/BenchGame.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

using Zem::Resource::XmlNode;

using ZemBench::BenchGame;

namespace {

void dustUpdate(benchmark::State& state) {
    BenchGame game;
    DustGlow glow(XmlNode("<entity><maxradius>1</maxradius><maxacc>0.01</maxacc>"
                          "<maxspeed>0.4</maxspeed><speedbrake>0.98</speedbrake>"
                          "<rotationspeed>120</rotationspeed>"
                          "<rotationcoursechange>1.5</rotationcoursechange><particles>" +
                          std::to_string(state.range(0)) + "</particles></entity>"));
    for (auto _ : state) {
        glow.update(0.016f);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(dustUpdate)->Arg(24)->Arg(1000);

void cubeWave(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    BenchGame game;
    double nowMs = 0.0;
    auto* script = new ScriptMaster(XmlNode("<entity name='mainscript'><offset>0</offset>"
                                            "<bpm>120</bpm><script/></entity>"),
                                    Music::create([&nowMs] { return nowMs; }));
    script->update(0.0f);
    const std::string size = std::to_string(state.range(0));
    CubeGrid grid(XmlNode("<entity><xsize>" + size + "</xsize><ysize>" + size +
                          "</ysize><xspace>1</xspace><yspace>1</yspace>"
                          "<waveslowness>0.2</waveslowness><turnspeed>20</turnspeed></entity>"));
    grid.command(0, XmlNode("<event command='begin'/>"));
    for (auto _ : state) {
        nowMs += 16.0;
        grid.update(0.016f);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(cubeWave)->Arg(3)->Arg(32);

void gearTrain(benchmark::State& state) {
    BenchGame game;
    new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
    Machinery::Cog::Factory factory;
    auto* driver = dynamic_cast<Machinery::Cog*>(
        factory.create(XmlNode("<entity name='c0'><parent>hall</parent><transform/></entity>")));
    for (int i = 1; i < state.range(0); ++i) {
        factory.create(XmlNode("<entity name='c" + std::to_string(i) + "' origin='cog'><parent>c" +
                               std::to_string(i - 1) + "</parent><radius>0.5</radius></entity>"));
    }
    for (auto _ : state) {
        for (Zem::Main::Entity* entity : game.entities) {
            entity->update(0.016f);
        }
    }
    benchmark::DoNotOptimize(driver->angle);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(gearTrain)->Arg(6)->Arg(100);

void leafStormBuild(benchmark::State& state) {
    BenchGame game;
    const XmlNode element("<entity><amount>300</amount><spread>1.6</spread><seed>1977</seed>"
                          "<instances><position>0 0 0</position><position>1 0 0</position>"
                          "<position>0 1 0</position></instances></entity>");
    for (auto _ : state) {
        LeafStorm storm(element);
        benchmark::DoNotOptimize(storm.clusters.data());
    }
    state.SetItemsProcessed(state.iterations() * 900);
}
BENCHMARK(leafStormBuild);

} // namespace

BENCHMARK_MAIN();
