// One whole frame of the demo's world on the software rasteriser: the G-buffer, the lights and
// the HDR chain, with a growing number of lights added to those the world already has in the
// camera's room. The passes render at a fixed 640 x 480, so this is what a frame costs
// whatever the machine's screen.
// Run from the repository root, so data/ is found.
#include "demo/Ombrel.h"
#include "graphics/Display_sdl2.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct DemoScene {
    DemoScene() {
        // No screen needed: SDL's offscreen driver renders through EGL.
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ready = display.init(Zem::Resource::XmlNode("<display/>"));
        if (ready) {
            game.init();
            ready = game.currentCamera() != nullptr;
        }
    }
    ~DemoScene() { Zem::Resource::ResourceManager::instance().clear(); }

    Zem::Graphics::Display_sdl2 display;
    Ombrel game;
    bool ready = false;
};

DemoScene& scene() {
    static DemoScene demo;
    return demo;
}

std::string lightElement(int index) {
    // Spread over the hall, overlapping as a lit room's lights do.
    const float x = -4.0f + 8.0f * static_cast<float>(index % 4) / 3.0f;
    const float z = -4.0f + 8.0f * static_cast<float>((index / 4) % 4) / 3.0f;
    return "<entity><parent>hall</parent><position>" + std::to_string(x) + " 2 " +
           std::to_string(z) + "</position><radius>4</radius><color>0.8 0.7 0.6</color></entity>";
}

void BM_DeferredFrame(benchmark::State& state) {
    DemoScene& demo = scene();
    if (!demo.ready) {
        state.SkipWithError("no GL context or no camera in main.world");
        return;
    }
    std::vector<Zem::Main::Entity*> lights;
    for (int i = 0; i < state.range(0); ++i) {
        lights.push_back(demo.game.createEntity("Light", Zem::Resource::XmlNode(lightElement(i))));
    }
    for (auto _ : state) {
        Zem::Graphics::renderFrame(demo.game);
        glFinish();
    }
    for (Zem::Main::Entity* light : lights) {
        // Unlists itself from the game and its room.
        delete light;
    }
}
BENCHMARK(BM_DeferredFrame)->Arg(0)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
