// What the scene graph costs a frame without the GL work: building the view tree through a room
// with many doorways, the deepest chain of facing portals, and a ray query through a room of
// many triangles. Nothing here needs a GL context.

#include "graphics/Portal.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "physics/Collision.h"
#include "physics/TriangleOccluder.h"
#include "resource/XmlNode.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;

class QueuePass : public Zem::Graphics::Shader {
public:
    void draw(View&) override {}
};

class QueuePassFactory : public Zem::Graphics::Shader::Factory {
public:
    QueuePassFactory(int32_t id, int32_t order) : Factory(id, order) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override { return make<QueuePass>(); }
};

void registerPasses() {
    Zem::Graphics::ShaderRegistry& registry = Zem::Graphics::ShaderRegistry::instance();
    if (registry.factories.empty()) {
        registry.registerFactory(std::make_unique<QueuePassFactory>(250, 1000));
        registry.registerFactory(std::make_unique<QueuePassFactory>(360, 2000));
        registry.registerFactory(std::make_unique<QueuePassFactory>(460, 3000));
        registry.defaultGeometryPass = 250;
    }
}

Zem::Resource::XmlNode placed(const std::string& position, float radius) {
    return Zem::Resource::XmlNode("<entity><position>" + position + "</position><radius>" +
                                  std::to_string(radius) + "</radius></entity>");
}

struct Scene {
    Room hall{Zem::Resource::XmlNode("<entity/>")};
    Room yard{Zem::Resource::XmlNode("<entity/>")};
    std::vector<std::unique_ptr<Entity>> things;

    Portal& doorway(const std::string& position, const std::string& partnerPosition) {
        auto portal = std::make_unique<Portal>(placed(position, 1));
        auto partner = std::make_unique<Portal>(placed(partnerPosition, 1));
        portal->setRoom(&hall);
        partner->setRoom(&yard);
        portal->partner = partner.get();
        Portal& result = *portal;
        things.push_back(std::move(portal));
        things.push_back(std::move(partner));
        return result;
    }

    void furnish(Room& room, int count) {
        for (int i = 0; i < count; ++i) {
            things.push_back(std::make_unique<Entity>(
                placed(std::to_string(i % 7 - 3) + " 0 " + std::to_string(-10 - i % 5), 1)));
            things.back()->setRoom(&room);
        }
    }
};

void frame(Room& room, View& root) {
    root.reset();
    root.depth = 0;
    room.traverse(root);
    root.reset();
}

// One view per doorway, each looking into a furnished yard.
void BM_TraverseDoorways(benchmark::State& state) {
    registerPasses();
    Scene scene;
    for (int i = 0; i < state.range(0); ++i) {
        scene.doorway(std::to_string(i % 9 - 4) + " 0 -5", "100 0 -5");
    }
    scene.furnish(scene.hall, 20);
    scene.furnish(scene.yard, 20);
    View root;
    for (auto _ : state) {
        frame(scene.hall, root);
    }
    state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}
BENCHMARK(BM_TraverseDoorways)->Arg(1)->Arg(11)->Arg(40);

// Two portals that keep seeing each other: the chain runs to the depth limit of 10.
void BM_TraversePortalChain(benchmark::State& state) {
    registerPasses();
    Scene scene;
    Portal& there = scene.doorway("0 0 -5", "100 0 -5");
    static_cast<Portal*>(there.partner)->partner = &there;
    scene.furnish(scene.hall, 20);
    scene.furnish(scene.yard, 20);
    View root;
    for (auto _ : state) {
        frame(scene.hall, root);
    }
}
BENCHMARK(BM_TraversePortalChain);

// A ray across a room whose own collision mesh has the given number of triangles.
void BM_CastRay(benchmark::State& state) {
    Room room{Zem::Resource::XmlNode("<entity/>")};
    for (int i = 0; i < state.range(0); ++i) {
        const float x = static_cast<float>(i % 100);
        const float y = static_cast<float>(i / 100);
        room.occluders.push_back(std::make_unique<Zem::Physics::TriangleOccluder>(
            &room, 0, Vector3(x, y, -20), Vector3(x + 1, y, -20), Vector3(x, y + 1, -20)));
    }
    const Vector3 origin(50.25f, 0.25f, 0);
    const Vector3 direction(0, 0, -1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Zem::Physics::castRay(&room, origin, direction, 1, 100.0f));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CastRay)->Arg(100)->Arg(10000);

} // namespace
BENCHMARK_MAIN();
