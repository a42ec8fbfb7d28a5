// Parsing a world-sized document: XmlNode against pugixml on the same text.
#include "resource/XmlNode.h"

#include <benchmark/benchmark.h>

#ifdef ZEM_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

#include <cstdint>
#include <sstream>
#include <string>

namespace {

using Zem::Resource::XmlNode;
using Zem::Resource::XmlParseResult;

// Small deterministic generator, so every run parses the same bytes.
class Lcg {
public:
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    std::string number() {
        return std::to_string(below(2001) - 1000) + "." + std::to_string(below(100));
    }

private:
    uint32_t state = 12345u;
};

// A ZEMWorld of entities with settings, one tag per line, about `targetBytes` long.
std::string makeWorld(std::size_t targetBytes) {
    static const char* const types[] = {"Machinery", "CubeGrid", "DustGlow", "LeafStorm",
                                        "Billboard", "Light",    "Camera",   "Portal"};
    Lcg random;
    std::string world = "<?xml version=\"1.0\"?>\n<ZEMWorld>\n";
    int index = 0;
    while (world.size() < targetBytes) {
        const char* type = types[random.below(8)];
        world += "  <entity type=\"";
        world += type;
        world += "\" name=\"";
        world += type;
        world += std::to_string(index++) + "\">\n";
        world += "    <!-- " + std::string(type) + " settings -->\n";
        world += "    <position>" + random.number() + " " + random.number() + " " +
                 random.number() + "</position>\n";
        world += "    <rotation>0, " + std::to_string(random.below(360)) + ", 0</rotation>\n";
        world += "    <room>room" + std::to_string(random.below(12)) + "</room>\n";
        world += "    <model>mesh" + std::to_string(random.below(40)) + ".obj</model>\n";
        world += "    <speed>" + random.number() + "</speed>\n";
        world += "    <color>1 0.5 0.25</color>\n";
        world += "    <collisionmodel startid='" + std::to_string(random.below(100)) +
                 "' step='1'>hull.obj</collisionmodel>\n";
        world += "  </entity>\n";
    }
    world += "</ZEMWorld>\n";
    return world;
}

const std::string& world() {
    static const std::string text = makeWorld(1 << 20);
    return text;
}

void BM_XmlNodeParse(benchmark::State& state) {
    const std::string& text = world();
    for (auto _ : state) {
        XmlNode doc;
        const XmlParseResult result = doc.parse(text);
        if (result != XmlParseResult::Ok || doc.childCount("entity") == 0) {
            state.SkipWithError("XmlNode failed to parse the world");
            break;
        }
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_XmlNodeParse)->Unit(benchmark::kMillisecond);

// The loaders' path: lines read from a stream and joined before parsing.
void BM_XmlNodeParseStream(benchmark::State& state) {
    const std::string& text = world();
    for (auto _ : state) {
        std::istringstream in(text);
        XmlNode doc;
        if (doc.parse(in) != XmlParseResult::Ok) {
            state.SkipWithError("XmlNode failed to parse the world stream");
            break;
        }
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_XmlNodeParseStream)->Unit(benchmark::kMillisecond);

#ifdef ZEM_HAVE_PUGIXML
void BM_PugixmlParse(benchmark::State& state) {
    const std::string& text = world();
    for (auto _ : state) {
        pugi::xml_document doc;
        // load_buffer copies the text, as XmlNode keeps its own strings.
        const pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
        if (!result || doc.child("ZEMWorld").first_child().empty()) {
            state.SkipWithError("pugixml failed to parse the world");
            break;
        }
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
