// A world file on any bytes, built through the demo's real factories and effects in an offscreen
// GL context, with the shipped templates, meshes and textures at hand; then two frames of updates.
// Counts read from the world are bounded, so a huge one must give a message, not an abort.
#include "demo/Ombrel.h"
#include "graphics/DisplayBase.h"
#include "graphics/registerDeferredPasses.h"
#include "main/Engine.h"
#include "main/Entity.h"
#include "main/messageBox.h"
#include "resource/BMPLoader.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/ResourceStream.h"
#include "resource/WorldLoader.h"
#include "resource/XmlNode.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Lives for the whole process: the GL context, the loaders the manager points at.
struct Harness {
    Harness() {
        // Headless: fuzz.sh and ctest run it with SDL's dummy audio driver.
        Zem::Main::setMessageBoxHandler(
            [](const std::string&, const std::string&, Zem::Main::MessageIcon) {});
        logDir = std::filesystem::temp_directory_path() / "zem-fuzz-world";
        std::filesystem::create_directories(logDir);
        engine.setWorkingDir(logDir.string() + "/");
        engine.registerDriver("display", Zem::Graphics::DisplayBase::create());
        engine.init(Zem::Resource::XmlNode("<config><display><offscreen>true</offscreen>"
                                           "</display></config>"));
        Zem::Graphics::registerDeferredPasses();

        auto& manager = Zem::Resource::ResourceManager::instance();
        manager.addSearchPath("data/");
        manager.addSearchPath("data/textures/");
        loaders.push_back(std::make_unique<Zem::Resource::BMPLoader>());
        loaders.push_back(std::make_unique<Zem::Resource::OBJLoader>());
        loaders.push_back(std::make_unique<Zem::Resource::GLSLVertexProgramLoader>());
        loaders.push_back(std::make_unique<Zem::Resource::GLSLFragmentProgramLoader>());
        for (const auto& loader : loaders) {
            manager.registerLoader(loader.get());
        }
    }

    std::filesystem::path logDir;
    Zem::Main::Engine engine;
    std::vector<std::unique_ptr<Zem::Resource::ResourceLoader>> loaders;
    Zem::Resource::WorldLoader worldLoader;
};

Harness* harness = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness = new Harness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (harness == nullptr) {
        LLVMFuzzerInitialize(nullptr, nullptr);
    }
    Ombrel game;
    game.engine = &harness->engine;
    game.registerEntityTypes();

    std::istringstream bytes(std::string(reinterpret_cast<const char*>(data), size));
    Zem::Resource::ResourceStream stream(bytes, 1, "fuzz.world");
    harness->worldLoader.load(stream);

    for (int frame = 0; frame < 2; ++frame) {
        for (std::size_t i = 0; i < game.entities.size(); ++i) {
            game.entities[i]->update(1.0f / 60.0f);
        }
    }
    return 0;
}
