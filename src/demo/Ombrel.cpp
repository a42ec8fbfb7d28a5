#include "demo/Ombrel.h"

#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "graphics/DisplayBase.h"
#include "graphics/HDRShader.h"
#include "graphics/Light.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "graphics/hasCurrentContext.h"
#include "graphics/registerDeferredPasses.h"
#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/Entity.h"
#include "main/Random.h"
#include "main/SimpleRoom.h"
#include "main/report.h"
#include "resource/BMPLoader.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/OBJLoader.h"
#include "resource/PNGLoader.h"
#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "script/Interpolator.h"
#include "script/ScreenMaster.h"
#include "script/ScriptMaster.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

using Zem::Main::Camera;
using Zem::Main::Entity;

Ombrel::Ombrel() = default;

Ombrel::~Ombrel() = default;

bool Ombrel::init() {
    if (engine != nullptr) {
        input = dynamic_cast<Zem::Input::InputBase*>(engine->driver("input"));
        display = dynamic_cast<Zem::Graphics::DisplayBase*>(engine->driver("display"));
    }
    registerPasses();
    addSearchPaths();
    registerLoaders();
    registerEntityTypes();
    showBlackScreen();
    loadWorld();
    drawOnceFromEveryCamera();
    return true;
}

// Loading the world builds its entities; a missing or broken world leaves an empty scene.
void Ombrel::loadWorld() {
    const std::string name = worldName();
    auto& manager = Zem::Resource::ResourceManager::instance();
    world = manager.get(name);
    const auto source = manager.sourceFiles().find(name);
    worldFile = source != manager.sourceFiles().end() ? source->second : name;
    if (world == nullptr) {
        Zem::Main::report(std::string("No world: ") + name +
                          " is missing or broken, the scene stays empty");
    }
    // An entity of another type under the name counts as no camera at all.
    makeCameraCurrent(dynamic_cast<Camera*>(findEntity("camera")));
    setPictureLeadMs(pictureLeadMs);
}

void Ombrel::rebuildWorld() {
    deleteEntities();
    // The last reference goes, so the next load reads the file again.
    Zem::Resource::ResourceManager::instance().release(world);
    world = nullptr;
    // Effects draw from the one random sequence: a world built again draws what it drew first.
    Zem::Main::Random::seed(1);
    loadWorld();
}

void Ombrel::reload() {
    const int32_t wasAtMs = showTimeMs();
    deleteEntities();
    auto& manager = Zem::Resource::ResourceManager::instance();
    manager.release(world);
    world = nullptr;
    // Nothing points into these once the entities are gone, so they are read anew. Shaders and
    // textures stay: they reload in place.
    std::vector<std::string> stale;
    for (const auto& [name, path] : manager.sourceFiles()) {
        const std::string extension = Zem::Resource::ResourceManager::extensionOf(name);
        if (extension == "world" || extension == "template" || extension == "obj" ||
            extension == "mtl") {
            stale.push_back(name);
        }
    }
    for (const std::string& name : stale) {
        manager.evict(name);
    }
    manager.forgetFailures();
    rebuildWorld();
    seek(wasAtMs);
}

int32_t Ombrel::showTimeMs() const {
    const ScriptMaster* script = scriptMaster();
    return script != nullptr ? script->musicTimeMs() : 0;
}

int32_t Ombrel::endTimeMs() const {
    const ScriptMaster* script = scriptMaster();
    return script != nullptr ? script->exitTimeMs() : -1;
}

template <typename Action> void Ombrel::forEachScriptMaster(Action&& action) {
    for (Entity* entity : entities) {
        if (auto* script = dynamic_cast<ScriptMaster*>(entity)) {
            action(*script);
        }
    }
}

void Ombrel::setPaused(bool pause) {
    isPaused = pause;
    // One that has not started (its room not yet active) starts when its room does.
    forEachScriptMaster([pause](ScriptMaster& script) {
        if (!script.startPending) {
            script.setPaused(pause);
        }
    });
}

void Ombrel::setPictureLeadMs(double leadMs) {
    pictureLeadMs = leadMs;
    forEachScriptMaster([leadMs](ScriptMaster& script) { script.setPictureLeadMs(leadMs); });
}

std::string Ombrel::cameraName() const {
    const Camera* camera = currentCamera();
    return camera != nullptr ? camera->name : std::string();
}

void Ombrel::seek(int32_t targetMs) {
    ScriptMaster* script = scriptMaster();
    int32_t now = showTimeMs();
    // The past cannot be stepped back to: the world starts again from its file.
    if (script == nullptr || targetMs < now) {
        rebuildWorld();
        script = scriptMaster();
        now = 0;
    }
    if (script == nullptr) {
        return;
    }
    // Stepped on a fixed step with the music held, so the world stands where playing at a
    // steady rate would have it, whatever each step costs.
    script->setPaused(true);
    const auto steps = static_cast<int64_t>(std::ceil((targetMs - now) / seekStepMs));
    for (int64_t i = 1; i <= steps && scriptMaster() == script; ++i) {
        const double at = std::min<double>(targetMs, now + i * seekStepMs);
        const double before = now + (i - 1) * seekStepMs;
        // The music is heard the picture's lead behind the show time asked for.
        if (!script->seek(static_cast<int32_t>(std::floor(at - pictureLeadMs)))) {
            Zem::Main::report("This music cannot seek: the show stays where it is");
            break;
        }
        step(static_cast<float>((at - before) / 1000.0));
    }
    script->setPaused(isPaused);
}

// The G-buffer (250, order 1000), light (360, 2000) and HDR (460, 3000) passes, in that order.
void Ombrel::registerPasses() {
    Zem::Graphics::registerDeferredPasses(edgeFilter);
}

void Ombrel::useFiles(const ShowFiles& showFiles) {
    files = showFiles;
}

void Ombrel::useMusic(ScriptMaster::Factory::MusicMaker maker) {
    musicMaker = std::move(maker);
}

const ScriptMaster* Ombrel::scriptMaster() const {
    const ScriptMaster* first = nullptr;
    for (const Entity* entity : entities) {
        if (const auto* interpolator = dynamic_cast<const Interpolator*>(entity)) {
            if (interpolator->scriptMaster != nullptr) {
                return interpolator->scriptMaster;
            }
        } else if (dynamic_cast<const CubeGrid*>(entity) != nullptr) {
            // A cube grid's wave runs on "mainscript".
            if (const auto* main = dynamic_cast<const ScriptMaster*>(findEntity("mainscript"))) {
                return main;
            }
        } else if (first == nullptr) {
            first = dynamic_cast<const ScriptMaster*>(entity);
        }
    }
    return first;
}

ScriptMaster* Ombrel::scriptMaster() {
    return const_cast<ScriptMaster*>(std::as_const(*this).scriptMaster());
}

std::string Ombrel::worldName() const {
    if (files.worldFile.empty()) {
        return "main.world";
    }
    return std::filesystem::path(files.worldFile).filename().string();
}

// A maker's world folder comes first, so it only needs to hold what it changes.
void Ombrel::addSearchPaths() {
    auto& manager = Zem::Resource::ResourceManager::instance();
    if (!files.worldFile.empty()) {
        std::string folder = std::filesystem::path(files.worldFile).parent_path().string();
        manager.addSearchPath(folder.empty() ? std::string("./") : folder + "/");
    }
    const std::string workingDir = engine != nullptr ? engine->workingDir() : std::string();
    for (const std::string& folder : {files.dataDir, files.shippedDir}) {
        if (folder.empty()) {
            continue;
        }
        const bool relative = std::filesystem::path(folder).is_relative();
        const std::string dataDir = (relative ? workingDir : std::string()) + folder;
        manager.addSearchPath(dataDir);
        manager.addSearchPath(dataDir + "textures/");
    }
}

void Ombrel::registerLoaders() {
    loaders.push_back(std::make_unique<Zem::Resource::BMPLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::PNGLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::OBJLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::GLSLVertexProgramLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::GLSLFragmentProgramLoader>());
    auto worldLoader = std::make_unique<Zem::Resource::WorldLoader>();
    worldLoader->observe(worldObserver);
    loaders.push_back(std::move(worldLoader));
    for (const auto& loader : loaders) {
        Zem::Resource::ResourceManager::instance().registerLoader(loader.get());
    }
}

// Every type a world may name, in the order the demo has always registered them.
void Ombrel::registerEntityTypes() {
    registerFactory("Light", std::make_unique<Zem::Graphics::Light::Factory>());
    registerFactory("Billboard", std::make_unique<Billboard::Factory>());
    // The demo's rooms can be activated by cameras; this replaces the engine's plain "Room".
    registerFactory("Room", std::make_unique<Zem::Main::SimpleRoom::Factory>());
    registerFactory("Camera", std::make_unique<Camera::Factory>());
    registerFactory("Cog", std::make_unique<Machinery::Cog::Factory>());
    registerFactory("Axis", std::make_unique<Machinery::Axis::Factory>());
    registerFactory("ScriptMaster", makeScriptMasterFactory());
    registerFactory("Interpolator", std::make_unique<Interpolator::Factory>());
    registerFactory("ScreenMaster", std::make_unique<ScreenMaster::Factory>());
    registerFactory("Entity", std::make_unique<Zem::Main::BaseEntity::Factory>());
    registerFactory("CubeGrid", std::make_unique<CubeGrid::Factory>());
    registerFactory("DustGlow", std::make_unique<DustGlow::Factory>());
    registerFactory("LeafStorm", std::make_unique<LeafStorm::Factory>());
}

// The music layers a player handed over (a capture keeps its own clock), else the platform's.
std::unique_ptr<ScriptMaster::Factory> Ombrel::makeScriptMasterFactory() const {
    return std::make_unique<ScriptMaster::Factory>(musicMaker, files.musicPath());
}

// The screen stays black while the world loads.
void Ombrel::showBlackScreen() {
    if (!Zem::Graphics::hasCurrentContext()) {
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (display != nullptr) {
        display->swapBuffers();
    }
}

// Programs are built, and the driver compiles each state they are drawn in, on first use: a
// frame from each camera while the screen is still black pays for it before the music starts
// rather than in the middle of the show. The eye then starts from where it would have.
void Ombrel::drawOnceFromEveryCamera() {
    if (!Zem::Graphics::hasCurrentContext()) {
        return;
    }
    Camera* const first = currentCamera();
    for (Entity* entity : entities) {
        if (auto* camera = dynamic_cast<Camera*>(entity)) {
            makeCameraCurrent(camera);
            draw();
        }
    }
    makeCameraCurrent(first);
    Zem::Graphics::HDRShader::forgetAdaptation();
    showBlackScreen();
}

bool Ombrel::update(float dt) {
    // Paused, the picture stands still: nothing moves, the music and the script wait.
    if (!isPaused) {
        step(dt);
    }
    draw();
    const bool escapeHeld = input != nullptr && input->keys[Zem::Input::VirtualKey::Escape] == 1.0f;
    const bool windowClosed = input != nullptr && input->closeRequested;
    return !(escapeHeld || windowClosed || exitRequested());
}

void Ombrel::draw() {
    // A display that failed leaves no context, and the show goes on unseen to its script's end.
    if (!Zem::Graphics::hasCurrentContext()) {
        return;
    }
    // The passes render at the display's size and follow it when it changes.
    if (display != nullptr) {
        Zem::Graphics::ShaderRegistry::instance().setFrameSize(display->width, display->height);
    }
    Zem::Graphics::renderFrame(*this, frameRoot, frameObserver);
}

void Ombrel::step(float dt) {
    if (Camera* camera = currentCamera()) {
        camera->update(dt);
    }
    // By index, reading the length at every step: entities created during the walk are updated in
    // this same frame.
    for (std::size_t i = 0; i < entities.size(); ++i) {
        Entity* entity = entities[i];
        if (entity == currentCamera() || !isInActiveRoomOrNone(*entity)) {
            continue;
        }
        entity->update(dt);
    }
    settleCrossings();
}

// Entities moved after a portal's update (the camera by an interpolator later in the list, say)
// would otherwise be drawn from the room they just left.
void Ombrel::settleCrossings() {
    for (std::size_t i = 0; i < entities.size(); ++i) {
        Entity* entity = entities[i];
        if ((entity->flags & Zem::Main::EntityFlags::Portal) == 0 ||
            !isInActiveRoomOrNone(*entity)) {
            continue;
        }
        if (auto* portal = dynamic_cast<Zem::Graphics::Portal*>(entity)) {
            portal->settleCrossings();
        }
    }
}

bool Ombrel::isInActiveRoomOrNone(const Entity& entity) {
    if (entity.room == nullptr) {
        return true;
    }
    const auto* room = dynamic_cast<const Zem::Main::SimpleRoom*>(entity.room);
    return room != nullptr && room->active;
}

bool Ombrel::shutdown() {
    return true;
}
