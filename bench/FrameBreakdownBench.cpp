// Where a frame of the demo goes: renders data/main.world headless at 640 x 480 for a few
// hundred frames and reports the median time of the entity updates, the view traversal with
// submission, and each render pass, plus the heap allocations of a frame once the first frames
// have filled the pools. Run from the repository root, so data/ is found:
//   ./build/bench/FrameBreakdownBench [frames]
#include "demo/Ombrel.h"
#include "graphics/Display_sdl2.h"
#include "graphics/Shader.h"
#include "graphics/View.h"
#include "input/Input_sdl2.h"
#include "main/Engine.h"
#include "main/Camera.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "main/SimpleRoom.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<long> allocations{0};

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

bool isUpdated(const Zem::Main::Entity& entity) {
    if (entity.room == nullptr) {
        return true;
    }
    const auto* room = dynamic_cast<const Zem::Main::SimpleRoom*>(entity.room);
    return room != nullptr && room->active;
}

// The entity walk of the demo's frame: the camera first, then everything in an active room or
// in none, reading the list length at every step.
void updateEntities(Ombrel& game, float dt) {
    Zem::Main::Camera* camera = game.currentCamera();
    if (camera != nullptr) {
        camera->update(dt);
    }
    for (std::size_t i = 0; i < game.entities.size(); ++i) {
        Zem::Main::Entity* entity = game.entities[i];
        if (entity != camera && isUpdated(*entity)) {
            entity->update(dt);
        }
    }
}

// The frame render split in its steps: the traversal builds the view tree and lets every
// visible entity submit itself, then each pass runs over the tree, finished with glFinish so
// the software rasteriser's work is counted where it is queued.
struct FrameTimes {
    double updates = 0;
    double traversal = 0;
    // Fixed storage: the measurement itself must not allocate inside the frame.
    std::array<double, 8> passes{};
    std::size_t passCount = 0;
};

FrameTimes renderMeasured(Ombrel& game, Zem::Graphics::View& root) {
    FrameTimes times;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    Zem::Main::Camera* camera = game.currentCamera();
    if (camera == nullptr || camera->room == nullptr) {
        return times;
    }
    Clock::time_point start = Clock::now();
    root.reset();
    root.depth = 0;
    root.localMatrix = camera->getInverseWorldMatrix();
    root.eyeMatrix = root.localMatrix;
    root.room = camera->room;
    camera->room->traverse(root);
    times.traversal = millisecondsSince(start);

    const Zem::Graphics::PassSet& passes = *root.passes;
    for (std::size_t i = 0; i < passes.size() && i < times.passes.size(); ++i) {
        start = Clock::now();
        Zem::Graphics::Shader* pass = passes[i];
        pass->begin();
        Zem::Graphics::drawView(root, i, pass->usesPortalMasks());
        pass->end();
        glFinish();
        times.passes[times.passCount++] = millisecondsSince(start);
    }
    root.reset();
    return times;
}

} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(40, std::atoi(argv[1])) : 300;
    const int warmup = 20;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    Zem::Graphics::Display_sdl2 display;
    if (!display.init(Zem::Resource::XmlNode("<display/>"))) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    {
        // Cameras look for the input driver through the game's engine.
        Zem::Main::Engine engine;
        engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
        Ombrel game;
        game.engine = &engine;
        engine.setGame(&game);
        game.init();
        if (game.currentCamera() == nullptr) {
            std::fprintf(stderr, "main.world has no camera\n");
            return 1;
        }
        Zem::Graphics::View root;
        std::vector<double> updates, traversal, total;
        std::vector<std::vector<double>> passes;
        std::vector<long> allocationsPerFrame;
        // A fixed step keeps the entities' motion the same from run to run.
        const float dt = 1.0f / 60.0f;
        for (int frame = 0; frame < frames; ++frame) {
            const long allocationsBefore = allocations.load();
            const Clock::time_point frameStart = Clock::now();
            FrameTimes times = renderMeasured(game, root);
            const Clock::time_point updateStart = Clock::now();
            updateEntities(game, dt);
            times.updates = millisecondsSince(updateStart);
            const double frameTime = millisecondsSince(frameStart);
            const long allocated = allocations.load() - allocationsBefore;
            if (frame < warmup) {
                continue;
            }
            updates.push_back(times.updates);
            traversal.push_back(times.traversal);
            total.push_back(frameTime);
            allocationsPerFrame.push_back(allocated);
            passes.resize(std::max(passes.size(), times.passCount));
            for (std::size_t i = 0; i < times.passCount; ++i) {
                passes[i].push_back(times.passes[i]);
            }
        }
        std::printf("frames measured: %zu (after %d warm-up frames), 640 x 480\n", total.size(),
                    warmup);
        std::printf("median frame:            %8.2f ms\n", median(total));
        std::printf("  entity updates:        %8.3f ms\n", median(updates));
        std::printf("  traversal + submission:%8.3f ms\n", median(traversal));
        const char* names[] = {"G-buffer pass", "light pass", "HDR pass"};
        for (std::size_t i = 0; i < passes.size(); ++i) {
            std::printf("  %-22s%8.2f ms\n", i < 3 ? names[i] : "pass", median(passes[i]));
        }
        const long most =
            allocationsPerFrame.empty()
                ? 0
                : *std::max_element(allocationsPerFrame.begin(), allocationsPerFrame.end());
        long sum = 0;
        for (long count : allocationsPerFrame) {
            sum += count;
        }
        std::printf(
            "heap allocations per frame: median %.0f, most %ld, total %ld\n",
            median(std::vector<double>(allocationsPerFrame.begin(), allocationsPerFrame.end())),
            most, sum);
        game.shutdown();
        Zem::Resource::ResourceManager::instance().clear();
    }
    display.shutdown();
    return 0;
}
