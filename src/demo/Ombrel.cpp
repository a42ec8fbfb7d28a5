#include "demo/Ombrel.h"

#include "demo/Billboard.h"
#include "demo/CubeGrid.h"
#include "demo/DustGlow.h"
#include "demo/LeafStorm.h"
#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "graphics/DisplayBase.h"
#include "graphics/Light.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "graphics/registerDeferredPasses.h"
#include "input/InputBase.h"
#include "input/VirtualKeys.h"
#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/Entity.h"
#include "main/SimpleRoom.h"
#include "resource/BMPLoader.h"
#include "resource/GLSLFragmentProgramLoader.h"
#include "resource/GLSLVertexProgramLoader.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/WorldLoader.h"
#include "script/Interpolator.h"
#include "script/ScreenMaster.h"
#include "script/ScriptMaster.h"

#include <GL/glew.h>

#include <iostream>

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

    // Loading the world builds its entities; a missing or broken world leaves an empty scene.
    if (Zem::Resource::ResourceManager::instance().get("main.world") == nullptr) {
        std::cout << "No world: main.world is missing or broken, the scene stays empty"
                  << std::endl;
    }
    // An entity of another type under the name counts as no camera at all.
    makeCameraCurrent(dynamic_cast<Camera*>(findEntity("camera")));
    return true;
}

// The G-buffer (250, order 1000), light (360, 2000) and HDR (460, 3000) passes, in that order.
void Ombrel::registerPasses() {
    Zem::Graphics::registerDeferredPasses();
}

void Ombrel::addSearchPaths() {
    const std::string workingDir = engine != nullptr ? engine->workingDir() : std::string();
    auto& manager = Zem::Resource::ResourceManager::instance();
    manager.addSearchPath(workingDir + "data/");
    manager.addSearchPath(workingDir + "data/textures/");
}

void Ombrel::registerLoaders() {
    loaders.push_back(std::make_unique<Zem::Resource::BMPLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::OBJLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::GLSLVertexProgramLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::GLSLFragmentProgramLoader>());
    loaders.push_back(std::make_unique<Zem::Resource::WorldLoader>());
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
    registerFactory("ScriptMaster", std::make_unique<ScriptMaster::Factory>());
    registerFactory("Interpolator", std::make_unique<Interpolator::Factory>());
    registerFactory("ScreenMaster", std::make_unique<ScreenMaster::Factory>());
    registerFactory("Entity", std::make_unique<Zem::Main::BaseEntity::Factory>());
    registerFactory("CubeGrid", std::make_unique<CubeGrid::Factory>());
    registerFactory("DustGlow", std::make_unique<DustGlow::Factory>());
    registerFactory("LeafStorm", std::make_unique<LeafStorm::Factory>());
}

// The screen stays black while the world loads.
void Ombrel::showBlackScreen() {
    glEnable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (display != nullptr) {
        display->swapBuffers();
    }
}

bool Ombrel::update(float dt) {
    // The passes render at the display's size and follow it when it changes.
    if (display != nullptr) {
        Zem::Graphics::ShaderRegistry::instance().setFrameSize(display->width, display->height);
    }
    Zem::Graphics::renderFrame(*this, frameRoot);

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

    const bool escapeHeld = input != nullptr && input->keys[Zem::Input::VirtualKey::Escape] == 1.0f;
    const bool windowClosed = input != nullptr && input->closeRequested;
    return !(escapeHeld || windowClosed || exitRequested());
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
